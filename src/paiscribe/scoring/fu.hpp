#pragma once

#include "paiscribe/scoring/reading.hpp"
#include "paiscribe/scoring/winning_hand.hpp"

namespace paiscribe::scoring {

// The fu of one reading, rounded up to ten.
int fu_of(const Reading& reading, const Situation& situation);

}  // namespace paiscribe::scoring
