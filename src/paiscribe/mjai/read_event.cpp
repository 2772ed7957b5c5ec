#include "paiscribe/mjai/read_event.hpp"

#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "paiscribe/mjai/tile_names.hpp"

namespace paiscribe {
namespace {

// The most frequent keys first: a key is found by a scan.
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
// The two kinds that make most of a game, looked at first.
inline constexpr std::array<std::size_t, kForms.size()> kTypeScanOrder = {3, 4, 0, 1, 2, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

std::optional<Tile> tile_named(std::string_view name) {
  for (std::uint8_t index = 0; index < Tile::kCount; ++index) {
    if (kMjaiNames[index] == name) return Tile(index);
  }
  return std::nullopt;
}

template <std::size_t... Index>
constexpr std::array<Tile, sizeof...(Index)> hidden_tiles(std::index_sequence<Index...>) {
  return {((void)Index, Tile::hidden())...};
}
inline constexpr auto kHiddenHand = hidden_tiles(std::make_index_sequence<13>());

std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// What one line says, key by key, before it is made into its event.
struct Fields {
  KeySet present = 0;
  std::size_t type = kForms.size();
  std::array<std::int64_t, kKeyCount> numbers{};
  bool aka_flag = false;
  bool tsumogiri = false;
  Tile pai = Tile::hidden();
  Tile bakaze = Tile::hidden();
  Tile dora_marker = Tile::hidden();
  std::array<std::string, 4> names;
  std::array<std::int32_t, 4> scores{};
  std::array<std::int32_t, 4> deltas{};
  std::array<std::array<Tile, 13>, 4> tehais{kHiddenHand, kHiddenHand, kHiddenHand, kHiddenHand};
  std::array<Tile, 4> consumed = hidden_tiles(std::make_index_sequence<4>());
  std::uint8_t consumed_count = 0;
  std::vector<Tile> ura_markers;
};

// A SAX handler for one flat object whose arrays hold scalars, or (for
// "tehais") arrays of tiles. It stops at the first value out of place and
// says why.
class LineHandler : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, LineHandler> {
 public:
  explicit LineHandler(Fields& fields) : fields_(fields) {}
  const std::string& error() const { return error_; }

  bool StartObject() {
    if (depth_ != 0) return fail("a value is an object");
    depth_ = 1;
    return true;
  }
  bool EndObject(rapidjson::SizeType) {
    depth_ = 0;
    return true;
  }
  bool Key(const char* text, rapidjson::SizeType length, bool) {
    const std::string_view name(text, length);
    for (std::size_t index = 0; index < kKeyCount; ++index) {
      if (kKeyNames[index] != name) continue;
      key_ = static_cast<enum Key>(index);
      if (fields_.present & bit(key_)) return fail("the key " + quoted(name) + " comes twice");
      fields_.present |= bit(key_);
      return true;
    }
    return fail("unknown key " + quoted(name));
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
  bool EndArray(rapidjson::SizeType) {
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

  bool String(const char* text, rapidjson::SizeType length, bool) {
    const std::string_view value(text, length);
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
    if (depth_ == 3 && inner_count_ < 13) return set(fields_.tehais[count_][inner_count_++], *tile);
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
    for (const std::size_t form : kTypeScanOrder) {
      if (kForms[form].name != name) continue;
      fields_.type = form;
      return true;
    }
    return fail("unknown type " + quoted(name));
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
    fields_.numbers[index(key_)] = value;
    return true;
  }

  Fields& fields_;
  std::string error_;
  enum Key key_ = Unknown;
  int depth_ = 0;
  std::uint8_t count_ = 0;  // elements of the current array
  std::uint8_t inner_count_ = 0;
};

std::expected<Event, ReadError> event_of(Fields& fields) {
  const auto failure = [](std::string why) { return std::unexpected(ReadError{std::move(why)}); };
  if (!(fields.present & bit(Type))) return failure("the line has no \"type\"");
  const TypeForm& form = kForms[fields.type];
  for (std::size_t key = 0; key < kKeyCount; ++key) {
    const KeySet one = KeySet{1} << key;
    if ((form.required & one) && !(fields.present & one))
      return failure("a " + std::string(form.name) + " line lacks " + quoted(kKeyNames[key]));
    if ((fields.present & one) && !((form.required | form.optional | bit(Type)) & one))
      return failure("a " + std::string(form.name) + " line has no " + quoted(kKeyNames[key]));
  }
  if (form.consumed != 0 && fields.consumed_count != form.consumed)
    return failure("the \"consumed\" of a " + std::string(form.name) + " holds " + std::to_string(form.consumed) +
                   " tiles");

  const auto seat = [&](enum Key key) { return static_cast<Seat>(fields.numbers[static_cast<std::size_t>(key)]); };
  const auto byte = [&](enum Key key) {
    return static_cast<std::uint8_t>(fields.numbers[static_cast<std::size_t>(key)]);
  };
  const auto& c = fields.consumed;
  const auto deltas = [&] { return fields.present & bit(Deltas) ? std::optional(fields.deltas) : std::nullopt; };
  switch (fields.type) {
    case 0: return ev::None{};
    case 1: return ev::StartGame{Names(std::move(fields.names)), byte(KyokuFirst), fields.aka_flag};
    case 2:
      return ev::StartKyoku{fields.bakaze,  fields.dora_marker, byte(Kyoku),  byte(Honba),
                            byte(Kyotaku),  seat(Oya),          fields.scores, fields.tehais};
    case 3: return ev::Tsumo{seat(Actor), fields.pai};
    case 4: return ev::Dahai{seat(Actor), fields.pai, fields.tsumogiri};
    case 5: return ev::Chi{seat(Actor), seat(Target), fields.pai, {c[0], c[1]}};
    case 6: return ev::Pon{seat(Actor), seat(Target), fields.pai, {c[0], c[1]}};
    case 7: return ev::Daiminkan{seat(Actor), seat(Target), fields.pai, {c[0], c[1], c[2]}};
    case 8: return ev::Kakan{seat(Actor), fields.pai, {c[0], c[1], c[2]}};
    case 9: return ev::Ankan{seat(Actor), c};
    case 10: return ev::Dora{fields.dora_marker};
    case 11: return ev::Reach{seat(Actor)};
    case 12: return ev::ReachAccepted{seat(Actor)};
    case 13: {
      std::optional<std::vector<Tile>> ura;
      if (fields.present & bit(UraMarkers)) ura = std::move(fields.ura_markers);
      return ev::Hora{seat(Actor), seat(Target), deltas(), std::move(ura)};
    }
    case 14: return ev::Ryukyoku{deltas()};
    case 15: return ev::EndKyoku{};
    default: return ev::EndGame{};
  }
}

}  // namespace

std::expected<Event, ReadError> EventReader::read(std::string_view line) {
  // The parse would stop at a NUL as at the end of the text.
  if (std::memchr(line.data(), '\0', line.size()) != nullptr) return std::unexpected(ReadError{"the line holds a NUL byte"});
  scratch_.assign(line);
  Fields fields;
  LineHandler handler(fields);
  rapidjson::Reader reader;
  rapidjson::InsituStringStream stream(scratch_.data());
  constexpr unsigned kFlags = rapidjson::kParseInsituFlag | rapidjson::kParseValidateEncodingFlag;
  const auto result = reader.Parse<kFlags>(stream, handler);
  if (result.Code() == rapidjson::kParseErrorTermination) return std::unexpected(ReadError{handler.error()});
  if (result.IsError()) {
    return std::unexpected(ReadError{"not JSON: " + std::string(rapidjson::GetParseError_En(result.Code())) +
                                     " at byte " + std::to_string(result.Offset())});
  }
  return event_of(fields);
}

std::expected<Event, ReadError> read_event(std::string_view line) { return EventReader().read(line); }

}  // namespace paiscribe
