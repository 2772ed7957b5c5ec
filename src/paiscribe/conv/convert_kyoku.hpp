#pragma once

#include <array>
#include <expected>
#include <vector>

#include "paiscribe/conv/conversion_error.hpp"
#include "paiscribe/conv/kyoku_result.hpp"
#include "paiscribe/conv/seat_events.hpp"
#include "paiscribe/mjai/event.hpp"
#include "paiscribe/record/raw_log.hpp"

namespace paiscribe {

// The four seats' decoded lists, handed from kyoku to kyoku so their storage is reused.
using EverySeatEvents = std::array<SeatEvents, 4>;

// Replays one kyoku's turns from the four seats' lists, decoded into `seats`,
// and appends its events, start_kyoku to end_kyoku, to `events`. On failure
// `events` holds a partial kyoku and must be dropped by the caller.
std::expected<void, ConversionError> convert_kyoku(const RawKyoku& kyoku, const KyokuResult& result,
                                                   std::vector<Event>& events, EverySeatEvents& seats);

}  // namespace paiscribe
