#pragma once

#include "paiscribe/scoring/reading.hpp"
#include "paiscribe/scoring/tile_kind.hpp"
#include "paiscribe/scoring/winning_hand.hpp"
#include "paiscribe/scoring/yaku_list.hpp"

namespace paiscribe::scoring {

// The yaku of the sets and pair; those of the tiles alone and of the
// situation come apart.
void add_shape_yaku(const Reading& reading, const Situation& situation, YakuList& out);
// Tanyao (in an open hand only with the situation's open_tanyao),
// honroutou, honitsu and chinitsu: which kinds there are, however read,
// melds included.
void add_tile_yaku(KindMask kinds, bool closed_hand, const Situation& situation, YakuList& out);
bool is_pinfu(const Reading& reading, const Situation& situation);

}  // namespace paiscribe::scoring
