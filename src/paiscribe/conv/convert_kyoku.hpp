#pragma once

#include <array>
#include <expected>
#include <vector>

#include "paiscribe/conv/conversion_error.hpp"
#include "paiscribe/conv/kyoku_result.hpp"
#include "paiscribe/conv/player_actions.hpp"
#include "paiscribe/mjai/event.hpp"
#include "paiscribe/tenhou/raw_log.hpp"

namespace paiscribe {

// Replays one kyoku's turns from the four seats' lists and appends its
// events, start_kyoku to end_kyoku, to `events`. On failure `events` holds a
// partial kyoku and must be dropped by the caller.
std::expected<void, ConversionError> convert_kyoku(const RawKyoku& kyoku, const KyokuResult& result,
                                                   std::vector<Event>& events);

// The four seats' decoded lists, handed from kyoku to kyoku so their storage is reused.
using SeatActions = std::array<PlayerActions, 4>;

// The same, decoding the seats' lists into `seats` and so reusing their storage.
std::expected<void, ConversionError> convert_kyoku(const RawKyoku& kyoku, const KyokuResult& result,
                                                   std::vector<Event>& events, SeatActions& seats);

}  // namespace paiscribe
