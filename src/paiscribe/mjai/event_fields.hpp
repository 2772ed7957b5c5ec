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
#include <utility>
#include <vector>

#include "paiscribe/mjai/event.hpp"
#include "paiscribe/mjai/read_event.hpp"
#include "paiscribe/mjai/tile_names.hpp"

namespace paiscribe::event_fields {

enum class Key : std::uint8_t {
  Type, Actor, Pai, Tsumogiri, Target, Consumed, DoraMarker, Deltas, UraMarkers, PlayerNames, KyokuFirst,
  AkaFlag, Bakaze, Kyoku, Honba, Kyotaku, Oya, Scores, Tehais, Unknown
};
inline constexpr std::size_t kKeyCount = static_cast<std::size_t>(Key::Unknown);
inline constexpr std::array<std::string_view, kKeyCount> kKeyNames = {
    "type",   "actor",       "pai",   "tsumogiri",  "target", "consumed", "dora_marker",
    "deltas", "ura_markers", "names", "kyoku_first", "aka_flag", "bakaze", "kyoku",
    "honba",  "kyotaku",     "oya",   "scores",     "tehais"};

using KeySet = std::uint32_t;
constexpr KeySet bit(Key key) { return KeySet{1} << static_cast<unsigned>(key); }
template <typename... Keys>
constexpr KeySet keys(Keys... each) {
  return (KeySet{0} | ... | bit(each));
}

// Each type's name and keys, in the order of Event's alternatives.
struct TypeForm {
  std::string_view name;
  KeySet required;
  KeySet optional = 0;
  std::uint8_t consumed = 0;  // tiles in "consumed", when it has that key
};
using enum Key;
inline constexpr std::array<TypeForm, std::variant_size_v<Event>> kForms = {{
    {"none", 0},
    {"start_game", keys(PlayerNames, KyokuFirst, AkaFlag)},
    {"start_kyoku", keys(Bakaze, DoraMarker, Kyoku, Honba, Kyotaku, Oya, Scores, Tehais)},
    {"tsumo", keys(Actor, Pai)},
    {"dahai", keys(Actor, Pai, Tsumogiri)},
    {"chi", keys(Actor, Target, Pai, Consumed), 0, 2},
    {"pon", keys(Actor, Target, Pai, Consumed), 0, 2},
    {"daiminkan", keys(Actor, Target, Pai, Consumed), 0, 3},
    {"kakan", keys(Actor, Pai, Consumed), 0, 3},
    {"ankan", keys(Actor, Consumed), 0, 4},
    {"dora", keys(DoraMarker)},
    {"reach", keys(Actor)},
    {"reach_accepted", keys(Actor)},
    {"hora", keys(Actor, Target), keys(Deltas, UraMarkers)},
    {"ryukyoku", 0, keys(Deltas)},
    {"end_kyoku", 0},
    {"end_game", 0},
}};
inline constexpr auto kTypeNames = [] {
  std::array<std::string_view, kForms.size()> names{};
  for (std::size_t form = 0; form < kForms.size(); ++form) names[form] = kForms[form].name;
  return names;
}();

// Keys and types are found through a slot of a table made at compile time,
// hashed from their size and outer letters; the build fails should two
// names ever share a slot.
inline constexpr std::size_t kNameSlots = 64;
inline constexpr std::uint8_t kNoName = 0xFF;
constexpr std::size_t name_slot(std::string_view name) {
  const auto letter = [](char c) { return static_cast<std::size_t>(static_cast<unsigned char>(c)); };
  return (name.size() * 3 + letter(name.front()) * 19 + letter(name.back())) % kNameSlots;
}
template <std::size_t Count>
constexpr std::array<std::uint8_t, kNameSlots> slots_of(const std::array<std::string_view, Count>& names) {
  std::array<std::uint8_t, kNameSlots> slots{};
  slots.fill(kNoName);
  for (std::size_t index = 0; index < Count; ++index) {
    auto& slot = slots[name_slot(names[index])];
    if (slot != kNoName) throw "two names share a slot";
    slot = static_cast<std::uint8_t>(index);
  }
  return slots;
}
inline constexpr auto kKeySlots = slots_of(kKeyNames);
inline constexpr auto kTypeSlots = slots_of(kTypeNames);

// The index of `name` among `names`, or kNoName.
template <std::size_t Count>
constexpr std::size_t find_name(const std::array<std::string_view, Count>& names,
                                const std::array<std::uint8_t, kNameSlots>& slots, std::string_view name) {
  if (name.empty()) return kNoName;
  const std::uint8_t index = slots[name_slot(name)];
  return index != kNoName && names[index] == name ? index : kNoName;
}

template <std::size_t... Index>
constexpr std::array<Tile, sizeof...(Index)> hidden_tiles(std::index_sequence<Index...>) {
  return {((void)Index, Tile::hidden())...};
}
inline constexpr auto kHiddenHand = hidden_tiles(std::make_index_sequence<13>());

// A name of up to three bytes and its size in one number.
constexpr std::uint32_t packed_name(std::string_view name) {
  std::uint32_t code = static_cast<std::uint32_t>(name.size()) << 24;
  for (std::size_t at = 0; at < name.size() && at < 3; ++at)
    code |= static_cast<std::uint32_t>(static_cast<unsigned char>(name[at])) << (8 * at);
  return code;
}

// Tile names are found by a multiplicative hash into a table made at
// compile time, with the first multiplier that sets all the names apart:
// no branch on which letters a name has, which a line's tiles make
// impossible to foresee.
struct TileNameTable {
  static constexpr std::size_t kSlots = 128;
  static constexpr std::uint8_t kNoTile = 0xFF;
  std::uint32_t multiplier = 0;
  std::array<std::uint8_t, kSlots> slots{};
  std::array<std::uint32_t, Tile::kCount> codes{};

  constexpr std::size_t slot(std::uint32_t code) const { return (code * multiplier) >> 25; }
};
inline constexpr TileNameTable kTileNames = [] {
  TileNameTable table;
  for (std::size_t index = 0; index < Tile::kCount; ++index) table.codes[index] = packed_name(kMjaiNames[index]);
  for (std::uint32_t step = 1;; ++step) {
    table.multiplier = 2654435761u * step;
    table.slots.fill(TileNameTable::kNoTile);
    bool apart = true;
    for (std::size_t index = 0; index < Tile::kCount && apart; ++index) {
      auto& slot = table.slots[table.slot(table.codes[index])];
      apart = slot == TileNameTable::kNoTile;
      slot = static_cast<std::uint8_t>(index);
    }
    if (apart) return table;
  }
}();

// The tile whose packed name is `code`.
constexpr std::optional<Tile> tile_of_code(std::uint32_t code) {
  const std::uint8_t index = kTileNames.slots[kTileNames.slot(code)];
  if (index == TileNameTable::kNoTile || kTileNames.codes[index] != code) return std::nullopt;
  return Tile(index);
}

constexpr std::optional<Tile> tile_named(std::string_view name) {
  if (name.size() > 3) return std::nullopt;
  return tile_of_code(packed_name(name));
}

std::string quoted(std::string_view text);


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
      if (inner_count_ != 13) return fail("a hand of \"tehais\" holds 13 tiles");
      ++count_;
      return true;
    }
    depth_ = 1;
    const bool four = key_ == PlayerNames || key_ == Scores || key_ == Deltas || key_ == Tehais;
    if (four && count_ != 4) return fail(quoted(kKeyNames[index(key_)]) + " holds 4 values");
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
  bool Uint64(std::uint64_t) { return fail(where() + " holds a number out of range"); }
  bool RawNumber(const char*, unsigned, bool) { return fail(where() + " holds a number read as text"); }
  bool Double(double) { return fail(where() + " holds a number that is no integer"); }
  bool Null() { return fail(where() + " is null"); }

 private:
  static constexpr std::size_t index(enum Key key) { return static_cast<std::size_t>(key); }
  static constexpr bool is_list(enum Key key) {
    return (bit(key) & keys(PlayerNames, Scores, Deltas, Tehais, Consumed, UraMarkers)) != 0;
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
        return fail(where() + " holds a number out of range");
      auto& list = key_ == Scores ? fields_.scores : fields_.deltas;
      list[count_++] = static_cast<std::int32_t>(value);
      return true;
    }
    const bool seat = key_ == Actor || key_ == Target || key_ == Oya;
    const bool small = seat || key_ == KyokuFirst || key_ == Kyoku || key_ == Honba || key_ == Kyotaku;
    if (depth_ != 1 || !small) return fail(where() + " has a number out of place");
    if (value < 0 || value > (seat ? 3 : 255)) return fail(where() + " is out of range");
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

}  // namespace paiscribe::event_fields
