#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "paiscribe/scoring/tile_kind.hpp"

namespace paiscribe::scoring {

enum class SetShape : std::uint8_t { Run, Triplet };

struct ConcealedSet {
  SetShape shape;
  Kind first;
};

// One way to read a concealed part as a pair and sets.
struct Split {
  Kind pair = 0;
  std::array<ConcealedSet, 4> sets{};
  std::uint8_t set_count = 0;
};

// Every reading of a concealed part of 3n+2 tiles; none when it has no such
// shape. Fourteen tiles have far fewer readings than the room.
struct Splits {
  static constexpr std::size_t kRoom = 32;
  std::array<Split, kRoom> items{};
  std::size_t count = 0;
};

Splits splits_of(const KindCounts& concealed);

}  // namespace paiscribe::scoring
