#pragma once

#include <array>
#include <cstdint>

#include "paiscribe/scoring/split_hand.hpp"
#include "paiscribe/scoring/tile_kind.hpp"

namespace paiscribe::scoring {

enum class Wait : std::uint8_t { Ryanmen, Kanchan, Penchan, Shanpon, Tanki };

struct Group {
  SetShape shape;
  Kind first;
  bool concealed;  // a triplet completed by ron counts as open
  bool kan;
};

// One reading of a standard winning hand: four sets (melds included), the
// pair, and how the winning tile came in.
struct Reading {
  std::array<Group, 4> groups{};
  Kind pair = 0;
  Wait wait = Wait::Tanki;
  bool closed_hand = true;  // no called melds
};

}  // namespace paiscribe::scoring
