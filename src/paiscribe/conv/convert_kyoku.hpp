#pragma once

#include <expected>
#include <span>

#include "paiscribe/conv/conversion_error.hpp"
#include "paiscribe/conv/game_lines.hpp"
#include "paiscribe/conv/kyoku_result.hpp"
#include "paiscribe/conv/seat_actions.hpp"
#include "paiscribe/record/raw_log.hpp"

namespace paiscribe {

// A kyoku's digested result, with the game's wins it points into.
struct KyokuOutcome {
  const KyokuResult& result;
  std::span<const Win> wins;
};

// Replays one kyoku's turns from the four seats' lists, decoded into `seats`,
// and adds its lines, start_kyoku to end_kyoku. On failure the lines hold a
// partial kyoku and must be dropped by the caller.
std::expected<void, ConversionError> convert_kyoku(const RawKyoku& kyoku, const KyokuOutcome& outcome,
                                                   EverySeatActions& seats, GameLines& lines);

}  // namespace paiscribe
