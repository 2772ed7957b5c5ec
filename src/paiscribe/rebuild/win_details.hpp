#pragma once

#include <span>

#include "paiscribe/record/game_details.hpp"
#include "paiscribe/rules/kyoku_checker.hpp"
#include "paiscribe/scoring/tile_kind.hpp"

namespace paiscribe::rebuild {

// A win the replay scored, as Tenhou's JSON log holds it: the seats (the
// liable one the winner's own when nobody is), fu, han, points without
// honba, the limit, and the yaku by Tenhou's ids in the order Tenhou lists
// them. `called`: the kind of each set the winner called or declared, in
// the order it did, which decides the order of the honour yaku.
WinDetails win_details(const rules::ScoredWin& win, std::span<const scoring::Kind> called, Seat dealer);

}  // namespace paiscribe::rebuild
