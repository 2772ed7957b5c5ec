#pragma once

#include <array>
#include <cstdint>

#include "paiscribe/rules/hand_value.hpp"
#include "paiscribe/rules/split_hand.hpp"

namespace paiscribe::rules {

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

// The yaku of the sets and pair; those of the tiles alone and of the
// situation come apart.
void add_shape_yaku(const Reading& reading, const Situation& situation, YakuList& out);
// Tanyao, honroutou, honitsu and chinitsu: which kinds there are, however
// read, melds included.
void add_tile_yaku(KindMask kinds, bool closed_hand, YakuList& out);
bool is_pinfu(const Reading& reading, const Situation& situation);
int fu_of(const Reading& reading, const Situation& situation);

// Yakuman of the tiles themselves, whatever their reading: `all` counts
// the melds too.
void add_tile_yakuman(const KindsHeld& all, const WinningHand& hand, YakuList& out);
// Four concealed triplets, which depend on the reading.
bool is_suuankou(const Reading& reading);

}  // namespace paiscribe::rules
