#pragma once

#include <cstdint>

#include "paiscribe/record/tile_code.hpp"

namespace paiscribe::xml {

// The record names each of the 136 tiles by an id; id / 4 is its kind, in
// the order 1m..9m, 1p..9p, 1s..9s, E S W N P F C.
inline constexpr unsigned kTileIdCount = 136;

// The first five of each suit is its red five, when the rules have red fives.
constexpr bool is_red_five(std::uint8_t id, bool red_fives) { return red_fives && (id == 16 || id == 52 || id == 88); }

// Where a tile stands in a hand or a call's own tiles as the JSON log lists
// them: by kind, a red five after its plain fives.
constexpr unsigned hand_order(std::uint8_t id, bool red_fives) {
  return id / 4u * 2u + (is_red_five(id, red_fives) ? 1u : 0u);
}

// The tile code the JSON log writes for a tile id below kTileIdCount.
constexpr std::uint8_t code_of_id(std::uint8_t id, bool red_fives) {
  const unsigned kind = id / 4u;
  if (is_red_five(id, red_fives)) return static_cast<std::uint8_t>(51 + kind / 9);
  if (kind < 27) return static_cast<std::uint8_t>((kind / 9 + 1) * 10 + kind % 9 + 1);
  return static_cast<std::uint8_t>(41 + (kind - 27));
}

// Tile indices follow the kinds' order; the red fives come after the honours.
constexpr Tile tile_of_id(std::uint8_t id, bool red_fives) {
  const unsigned kind = id / 4u;
  return Tile(static_cast<std::uint8_t>(is_red_five(id, red_fives) ? 34 + kind / 9 : kind));
}

}  // namespace paiscribe::xml
