#pragma once

#include <array>
#include <bit>
#include <cstdint>

#include "paiscribe/base/tile.hpp"

namespace paiscribe::rules {

// A tile's kind, 0-33 in Tile's order (man, pin, sou, then E S W N P F C):
// what the rules look at. A red five is a five of its suit.
using Kind = std::uint8_t;
inline constexpr Kind kKinds = 34;
inline constexpr Kind kEast = 27;
inline constexpr Kind kWhite = 31;  // the first dragon

using KindCounts = std::array<std::uint8_t, kKinds>;
using KindMask = std::uint64_t;  // one bit per kind

constexpr KindMask bit(Kind kind) { return KindMask{1} << kind; }
constexpr bool has(KindMask mask, Kind kind) { return (mask >> kind) & 1; }

constexpr bool is_red(Tile tile) { return tile.index() >= 34 && tile.index() < 37; }
constexpr bool is_real(Tile tile) { return tile.index() < 37; }
constexpr Kind kind_of(Tile tile) {
  return tile.index() < kKinds ? tile.index() : static_cast<Kind>(4 + 9 * (tile.index() - 34));
}
// The red five of a five's suit.
constexpr Tile red_of(Kind five) { return Tile(static_cast<std::uint8_t>(34 + five / 9)); }

constexpr int suit_of(Kind kind) { return kind / 9; }  // 3 for honours
constexpr int number_of(Kind kind) { return kind % 9 + 1; }
constexpr bool is_honor(Kind kind) { return kind >= 27; }
constexpr bool is_wind(Kind kind) { return kind >= 27 && kind < 31; }
constexpr bool is_dragon(Kind kind) { return kind >= 31; }
constexpr bool is_terminal(Kind kind) { return kind < 27 && (kind % 9 == 0 || kind % 9 == 8); }
constexpr bool is_five(Kind kind) { return kind < 27 && kind % 9 == 4; }

// Terminals and honours, looked up rather than worked out: a discard's kind
// gives no pattern to foresee.
inline constexpr KindMask kOrphans = [] {
  KindMask mask = 0;
  for (Kind kind = 0; kind < kKinds; ++kind) mask |= is_honor(kind) || is_terminal(kind) ? bit(kind) : 0;
  return mask;
}();
constexpr bool is_orphan(Kind kind) { return has(kOrphans, kind); }

// The kind a dora marker points at: the next in its suit or group, round and round.
constexpr Kind dora_after(Kind marker) {
  if (marker < 27) return static_cast<Kind>(marker / 9 * 9 + (marker % 9 + 1) % 9);
  if (marker < 31) return static_cast<Kind>(27 + (marker - 27 + 1) % 4);
  return static_cast<Kind>(31 + (marker - 31 + 1) % 3);
}

constexpr int tile_total(const KindCounts& counts) {
  int total = 0;
  for (const auto count : counts) total += count;
  return total;
}

constexpr int count_of(KindMask mask) { return std::popcount(mask); }

}  // namespace paiscribe::rules
