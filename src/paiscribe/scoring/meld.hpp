#pragma once

#include <cstdint>
#include <span>

#include "paiscribe/base/seat.hpp"
#include "paiscribe/scoring/tile_kind.hpp"

namespace paiscribe::scoring {

enum class MeldKind : std::uint8_t { Chi, Pon, OpenKan, AddedKan, ClosedKan };

// A set laid down: a called sequence, triplet or kan, or a closed kan.
struct Meld {
  MeldKind kind;
  Kind first;                // the lowest kind of a chi, the kind of the rest
  Seat from;                 // whose tile was called; the caller for a closed kan
  std::uint8_t reds = 0;     // red fives among its tiles

  constexpr bool is_kan() const { return kind >= MeldKind::OpenKan; }
  constexpr bool is_open() const { return kind != MeldKind::ClosedKan; }
  constexpr int tiles() const { return is_kan() ? 4 : 3; }
  constexpr bool holds(Kind kind_) const {
    return kind == MeldKind::Chi ? kind_ >= first && kind_ <= first + 2 : kind_ == first;
  }
};

// Whether no meld was called: closed kans keep a hand closed.
constexpr bool all_closed(std::span<const Meld> melds) {
  for (const Meld& meld : melds) {
    if (meld.is_open()) return false;
  }
  return true;
}

// Adds the melds' tiles to counts by kind.
constexpr void add_meld_tiles(KindCounts& counts, std::span<const Meld> melds) {
  for (const Meld& meld : melds) {
    if (meld.kind == MeldKind::Chi) {
      for (int step = 0; step < 3; ++step) ++counts[meld.first + step];
    } else {
      counts[meld.first] = static_cast<std::uint8_t>(counts[meld.first] + meld.tiles());
    }
  }
}

}  // namespace paiscribe::scoring
