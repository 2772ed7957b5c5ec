#pragma once

#include <expected>
#include <vector>

#include "paiscribe/conv/conversion_error.hpp"
#include "paiscribe/mjai/event.hpp"
#include "paiscribe/record/raw_log.hpp"

namespace paiscribe {

// One seat's take and discard lists of a kyoku, decoded and paired.
struct SeatEvents {
  std::vector<Event> takes;     // tsumo, chi, pon, daiminkan
  std::vector<Event> discards;  // dahai, reach (always followed by its dahai), kakan, ankan
};

// Refills `actions` so that its lists keep their storage from one kyoku to
// the next. On failure `actions` holds a partial build.
std::expected<void, ConversionError> build_seat_events(const SeatAt& seat, const ActionItems& take_items,
                                                       const ActionItems& discard_items, SeatEvents& actions);

}  // namespace paiscribe
