#pragma once

#include "paiscribe/rules/tile_kind.hpp"

namespace paiscribe::rules {

// Whether a concealed part of 3n+2 tiles splits into sets and one pair.
bool splits_into_sets_and_pair(const KindCounts& concealed);
// Seven different pairs: four of a kind are not two pairs.
bool is_seven_pairs(const KindCounts& concealed);
bool is_thirteen_orphans(const KindCounts& concealed);
// Any winning shape; the last two need all fourteen tiles concealed.
bool is_complete(const KindCounts& concealed);

// The kinds that would complete a concealed part of 3n+1 tiles, leaving out
// those the player holds all four of (`held` counts melds too): a wait on a
// tile that cannot come is none.
KindMask waits_of(const KindCounts& concealed, const KindCounts& held);
// Whether there is any such wait: stops at the first.
bool is_tenpai(const KindCounts& concealed, const KindCounts& held);

}  // namespace paiscribe::rules
