#pragma once

#include <array>
#include <cstdint>

#include "paiscribe/record/tile_code.hpp"

namespace paiscribe::xml {

// The record names each of the 136 tiles by an id; id / 4 is its kind, in
// the order 1m..9m, 1p..9p, 1s..9s, E S W N P F C.
inline constexpr unsigned kTileIdCount = 136;

// The first five of each suit is its red five, when the rules have red fives.
constexpr bool is_red_five(std::uint8_t id, bool red_fives) { return red_fives && (id == 16 || id == 52 || id == 88); }

namespace id_detail {

// Per id, for rules without red fives ([0]) and with them ([1]): most of a
// record is tile ids, each looked up once here.
template <typename Of>
constexpr std::array<std::array<std::uint8_t, kTileIdCount>, 2> table_of(Of of) {
  std::array<std::array<std::uint8_t, kTileIdCount>, 2> table{};
  for (unsigned id = 0; id < kTileIdCount; ++id) {
    table[0][id] = of(id, false);
    table[1][id] = of(id, true);
  }
  return table;
}

inline constexpr auto kHandOrder = table_of([](unsigned id, bool red_fives) {
  return static_cast<std::uint8_t>(id / 4 * 2 + (is_red_five(static_cast<std::uint8_t>(id), red_fives) ? 1 : 0));
});

inline constexpr auto kCode = table_of([](unsigned id, bool red_fives) {
  const unsigned kind = id / 4;
  if (is_red_five(static_cast<std::uint8_t>(id), red_fives)) return static_cast<std::uint8_t>(51 + kind / 9);
  if (kind < 27) return static_cast<std::uint8_t>((kind / 9 + 1) * 10 + kind % 9 + 1);
  return static_cast<std::uint8_t>(41 + (kind - 27));
});

}  // namespace id_detail

// Where a tile stands in a hand or a call's own tiles as the JSON log lists
// them: by kind, a red five after its plain fives. The id is below kTileIdCount.
constexpr unsigned hand_order(std::uint8_t id, bool red_fives) { return id_detail::kHandOrder[red_fives][id]; }

// The tile at a place in hand order, whichever copy of it the id named.
constexpr Tile tile_of_hand_order(unsigned order) {
  const unsigned kind = order / 2;
  return Tile(static_cast<std::uint8_t>(order % 2 == 1 ? 34 + kind / 9 : kind));
}

// The tile code the JSON log writes for a tile id below kTileIdCount.
constexpr std::uint8_t code_of_id(std::uint8_t id, bool red_fives) { return id_detail::kCode[red_fives][id]; }

// Tile indices follow the kinds' order; the red fives come after the honours.
constexpr Tile tile_of_id(std::uint8_t id, bool red_fives) {
  const unsigned kind = id / 4u;
  return Tile(static_cast<std::uint8_t>(is_red_five(id, red_fives) ? 34 + kind / 9 : kind));
}

}  // namespace paiscribe::xml
