#pragma once

#include "paiscribe/scoring/tile_kind.hpp"

namespace paiscribe::scoring {

// Seven different pairs: four of a kind are not two pairs.
bool is_seven_pairs(const KindCounts& concealed);
bool is_thirteen_orphans(const KindCounts& concealed);

// The kinds that would complete a concealed part of 3n+1 tiles, leaving out
// those the player holds all four of (`held` counts melds too): a wait on a
// tile that cannot come is none.
KindMask waits_of(const KindCounts& concealed, const KindCounts& held);
// Whether there is any such wait: stops at the first.
bool is_tenpai(const KindCounts& concealed, const KindCounts& held);

}  // namespace paiscribe::scoring
