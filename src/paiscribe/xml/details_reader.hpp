#pragma once

#include <vector>

#include "paiscribe/base/seat.hpp"
#include "paiscribe/record/game_details.hpp"
#include "paiscribe/xml/tag.hpp"

// Readers of what the JSON log holds beyond the record the conversion reads,
// each checking its attributes as it goes.
namespace paiscribe::xml {

// The players' ranks, ratings and sex ("dan", "rate", "sx"), where the tag has them.
TagRead<void> read_player_details(const Tag& tag, GameDetails& details);

// A win's liable seat, score and yaku; `dealer`: the winner deals this kyoku.
TagRead<WinDetails> read_win_details(const Tag& tag, Seat who, Seat from_who, bool dealer);

// The game's final scores ("owari"): 8 numbers, or 16 in a game played for chips.
TagRead<std::vector<double>> read_final_scores(const Tag& tag);

}  // namespace paiscribe::xml
