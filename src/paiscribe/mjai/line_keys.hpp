#pragma once

// The keys of mjai lines and which of them each type of event has.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <variant>

#include "paiscribe/mjai/event.hpp"

namespace paiscribe::line_reading {

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

// Each type's name and keys, in EventType's order.
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

}  // namespace paiscribe::line_reading
