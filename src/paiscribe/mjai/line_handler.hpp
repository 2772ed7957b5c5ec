#pragma once

// How read_event turns one line's keys and values into an event: the
// fields it gathers, and the SAX handler that gathers them for either
// reader of the line.

#include <array>
#include <cstdint>
#include <expected>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "paiscribe/base/quoted.hpp"
#include "paiscribe/mjai/event.hpp"
#include "paiscribe/mjai/line_keys.hpp"
#include "paiscribe/mjai/read_event.hpp"
#include "paiscribe/mjai/tile_lookup.hpp"

namespace paiscribe::line_reading {

// What one line says, key by key, before it is made into its event.
struct Fields {
  KeySet present = 0;
  std::size_t type = kForms.size();
  std::array<std::int32_t, kKeyCount> numbers{};  // each checked to fit its field
  bool aka_flag = false;
  bool tsumogiri = false;
  Tile pai = Tile::hidden();
  Tile bakaze = Tile::hidden();
  Tile dora_marker = Tile::hidden();
  std::array<std::string_view, 4> names;  // in the line, which is parsed in place
  std::array<std::int32_t, 4> scores{};
  std::array<std::int32_t, 4> deltas{};
  std::array<std::array<Tile, 13>, 4> tehais{kHiddenHand, kHiddenHand, kHiddenHand, kHiddenHand};
  std::array<Tile, 4> consumed = hidden_tiles(std::make_index_sequence<4>());
  std::uint8_t consumed_count = 0;
  std::vector<Tile> ura_markers;
};

// A SAX handler (RapidJSON's callbacks) for one flat object whose arrays hold scalars, or (for
// "tehais") arrays of tiles. It stops at the first value out of place and
// says why.
class LineHandler {
 public:
  explicit LineHandler(Fields& fields) : fields_(fields) {}
  const std::string& error() const { return error_; }

  bool StartObject() {
    if (depth_ != 0) return fail("a value is an object");
    depth_ = 1;
    return true;
  }
  bool EndObject(unsigned) {
    depth_ = 0;
    return true;
  }
  bool Key(const char* text, unsigned length, bool) {
    const std::string_view name(text, length);
    const std::size_t index = find_name(kKeyNames, kKeySlots, name);
    if (index == kNoName) return fail("unknown key " + quoted(name));
    key_ = static_cast<enum Key>(index);
    if (fields_.present & bit(key_)) return fail("the key " + quoted(name) + " comes twice");
    fields_.present |= bit(key_);
    return true;
  }
  bool StartArray() {
    if (depth_ == 1 && is_list(key_)) {
      depth_ = 2;
      count_ = 0;
      return true;
    }
    if (depth_ == 2 && key_ == Tehais && count_ < 4) {
      depth_ = 3;
      inner_count_ = 0;
      return true;
    }
    return fail(where() + " has an array out of place");
  }
  bool EndArray(unsigned) {
    if (depth_ == 3) {
      depth_ = 2;
      if (inner_count_ != 13)
        return fail("a hand of \"tehais\" holds " + counted(inner_count_, "tile") + ", not 13");
      ++count_;
      return true;
    }
    depth_ = 1;
    const bool four = key_ == PlayerNames || key_ == Scores || key_ == Deltas || key_ == Tehais;
    if (four && count_ != 4)
      return fail(quoted(kKeyNames[index(key_)]) + " holds " + counted(count_, "value") + ", not 4");
    return true;
  }

  bool String(const char* text, unsigned length, bool) {
    const std::string_view value(text, length);
    if (depth_ == 3 && inner_count_ < 13) {
      const auto tile = tile_named(value);
      if (!tile) return fail(where() + " is no tile: " + quoted(value));
      return set(fields_.tehais[count_][inner_count_++], *tile);
    }
    if (depth_ == 0) return fail("the line is no object");
    if (depth_ == 1 && key_ == Type) return type(value);
    if (depth_ == 2 && key_ == PlayerNames && count_ < 4) {
      fields_.names[count_++] = value;
      return true;
    }
    const auto tile = tile_named(value);
    if (!tile) return fail(where() + " is no tile: " + quoted(value));
    if (depth_ == 1 && key_ == Pai) return set(fields_.pai, *tile);
    if (depth_ == 1 && key_ == Bakaze) return set(fields_.bakaze, *tile);
    if (depth_ == 1 && key_ == DoraMarker) return set(fields_.dora_marker, *tile);
    if (depth_ == 2 && key_ == Consumed && count_ < 4) {
      fields_.consumed[count_++] = *tile;
      fields_.consumed_count = count_;
      return true;
    }
    if (depth_ == 2 && key_ == UraMarkers) return fields_.ura_markers.push_back(*tile), true;
    return fail(where() + " has a string out of place");
  }
  bool Bool(bool value) {
    if (depth_ == 1 && key_ == Tsumogiri) return set(fields_.tsumogiri, value);
    if (depth_ == 1 && key_ == AkaFlag) return set(fields_.aka_flag, value);
    return fail(where() + " has a boolean out of place");
  }
  bool Int(int value) { return integer(value); }
  bool Uint(unsigned value) { return integer(value); }
  bool Int64(std::int64_t value) { return integer(value); }
  bool Uint64(std::uint64_t value) { return fail(where() + " holds " + std::to_string(value) + ", out of range"); }
  bool RawNumber(const char*, unsigned, bool) { return fail(where() + " holds a number read as text"); }
  bool Double(double) { return fail(where() + " holds a number that is no integer"); }
  bool Null() { return fail(where() + " is null"); }

 private:
  static constexpr std::size_t index(enum Key key) { return static_cast<std::size_t>(key); }
  static constexpr bool is_list(enum Key key) {
    return (bit(key) & keys(PlayerNames, Scores, Deltas, Tehais, Consumed, UraMarkers)) != 0;
  }
  static std::string counted(int count, std::string_view thing) {
    return std::to_string(count) + " " + std::string(thing) + (count == 1 ? "" : "s");
  }
  std::string where() const { return depth_ == 0 ? std::string("the line") : quoted(kKeyNames[index(key_)]); }

  bool fail(std::string why) {
    error_ = std::move(why);
    return false;
  }
  template <typename T>
  bool set(T& field, T value) {
    field = value;
    return true;
  }

  bool type(std::string_view name) {
    fields_.type = find_name(kTypeNames, kTypeSlots, name);
    if (fields_.type == kNoName) return fail("unknown type " + quoted(name));
    return true;
  }

  bool integer(std::int64_t value) {
    if (depth_ == 2 && (key_ == Scores || key_ == Deltas) && count_ < 4) {
      if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        return fail(where() + " holds " + std::to_string(value) + ", out of range");
      auto& list = key_ == Scores ? fields_.scores : fields_.deltas;
      list[count_++] = static_cast<std::int32_t>(value);
      return true;
    }
    const bool seat = key_ == Actor || key_ == Target || key_ == Oya;
    const bool small = seat || key_ == KyokuFirst || key_ == Kyoku || key_ == Honba || key_ == Kyotaku;
    if (depth_ != 1 || !small) return fail(where() + " has a number out of place");
    if (value < 0 || value > (seat ? 3 : 255))
      return fail(where() + " is " + std::to_string(value) + ", not " + (seat ? "0 to 3" : "0 to 255"));
    fields_.numbers[index(key_)] = static_cast<std::int32_t>(value);
    return true;
  }

  Fields& fields_;
  std::string error_;
  enum Key key_ = Unknown;
  int depth_ = 0;
  std::uint8_t count_ = 0;  // elements of the current array
  std::uint8_t inner_count_ = 0;
};

// The event the fields make, once every key its type has is there.
std::expected<Event, ReadError> event_of(Fields& fields);

}  // namespace paiscribe::line_reading
