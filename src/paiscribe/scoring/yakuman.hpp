#pragma once

#include "paiscribe/scoring/reading.hpp"
#include "paiscribe/scoring/tile_kind.hpp"
#include "paiscribe/scoring/winning_hand.hpp"
#include "paiscribe/scoring/yaku_list.hpp"

namespace paiscribe::scoring {

// Yakuman of the tiles themselves, whatever their reading: `all` counts
// the melds too.
void add_tile_yakuman(const KindsHeld& all, const WinningHand& hand, YakuList& out);
// Four concealed triplets, which depend on the reading.
bool is_suuankou(const Reading& reading);

}  // namespace paiscribe::scoring
