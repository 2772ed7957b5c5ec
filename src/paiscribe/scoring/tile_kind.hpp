#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "paiscribe/base/tile.hpp"

namespace paiscribe::scoring {

// A tile's kind, 0-33 in Tile's order (man, pin, sou, then E S W N P F C):
// what scoring looks at. A red five is a five of its suit.
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

inline constexpr KindMask kHonors = KindMask{0x7F} << 27;
constexpr KindMask suit_kinds(int suit) { return suit == 3 ? kHonors : KindMask{0x1FF} << (9 * suit); }

// at_least[n]: the kinds held n or more times.
struct KindsHeld {
  std::array<KindMask, 5> at_least{};
};

// Eight counts at a time, each a byte of one word (a count stays far below
// 128): a count's top bit after the subtraction tells whether it reaches
// `times`, and one multiplication gathers the eight top bits into a byte.
inline KindsHeld kinds_held(const KindCounts& counts) {
  constexpr std::uint64_t kOnes = 0x0101010101010101, kTops = 0x8080808080808080;
  std::array<std::uint8_t, 40> padded{};
  std::memcpy(padded.data(), counts.data(), counts.size());
  KindsHeld held;
  for (std::size_t word = 0; word < padded.size() / 8; ++word) {
    std::uint64_t bytes;
    std::memcpy(&bytes, padded.data() + 8 * word, 8);
    for (std::uint64_t times = 1; times <= 4; ++times) {
      const std::uint64_t reached = ((bytes | kTops) - times * kOnes) & kTops;
      const std::uint64_t byte_mask = ((reached >> 7) * 0x0102040810204080) >> 56;
      held.at_least[times] |= byte_mask << (8 * word);
    }
  }
  for (auto& mask : held.at_least) mask &= (KindMask{1} << kKinds) - 1;
  return held;
}

constexpr int tile_total(const KindCounts& counts) {
  int total = 0;
  for (const auto count : counts) total += count;
  return total;
}

constexpr int count_of(KindMask mask) { return std::popcount(mask); }

}  // namespace paiscribe::scoring
