#pragma once

#include <array>
#include <expected>
#include <vector>

#include "paiscribe/conv/action.hpp"
#include "paiscribe/conv/conversion_error.hpp"
#include "paiscribe/record/raw_log.hpp"

namespace paiscribe {

// One seat's take and discard lists of a kyoku, decoded and paired.
struct SeatActions {
  std::vector<Action> takes;     // tsumo, chi, pon, daiminkan
  std::vector<Action> discards;  // dahai, reach (always followed by its dahai), kakan, ankan
};

// The four seats' lists, handed from kyoku to kyoku so their storage is reused.
using EverySeatActions = std::array<SeatActions, 4>;

// Refills `actions` so that its lists keep their storage from one kyoku to
// the next. On failure `actions` holds a partial build.
std::expected<void, ConversionError> build_seat_actions(const SeatAt& seat, const ActionItems& take_items,
                                                        const ActionItems& discard_items, SeatActions& actions);

}  // namespace paiscribe
