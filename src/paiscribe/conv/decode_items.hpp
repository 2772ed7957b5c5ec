#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <string_view>
#include <utility>
#include <vector>

#include "paiscribe/conv/action.hpp"
#include "paiscribe/conv/conversion_error.hpp"
#include "paiscribe/record/raw_log.hpp"
#include "paiscribe/base/tile.hpp"

namespace paiscribe {

// The tile written as two decimal digits at byte `position` of `text`. A
// failure names `text` and the code but not yet where `text` stands.
std::expected<Tile, conversion_error::InvalidTileCode> parse_tile_code(std::string_view text, std::size_t position);

// A seat's whole take or discard list, each item's actions added at the end
// of `actions`. A take item is a draw (tsumo) or a call on another seat's
// discard (chi, pon, daiminkan); a discard item is a dahai, a riichi (reach,
// then its dahai) or a kan from the hand (kakan, ankan). The first bad item
// ends the decoding, its failure placed at the item's index in `seat`'s list.
std::expected<void, ConversionError> append_takes(const SeatAt& seat, const ActionItems& items,
                                                  std::vector<Action>& actions);
std::expected<void, ConversionError> append_discards(const SeatAt& seat, const ActionItems& items,
                                                     std::vector<Action>& actions);

}  // namespace paiscribe
