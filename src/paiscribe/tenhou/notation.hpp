#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "paiscribe/conv/conversion_error.hpp"
#include "paiscribe/mjai/event.hpp"
#include "paiscribe/tenhou/raw_log.hpp"
#include "paiscribe/tenhou/tile.hpp"

namespace paiscribe {

// A discard item stands for one event, or for two when it declares riichi
// (reach, then its dahai). Held in place: no allocation per item.
struct DiscardEvents {
  std::array<Event, 2> events;
  std::uint8_t count = 0;

  template <typename Alternative>
  void emplace_back(Alternative&& event) {
    events[count++] = std::forward<Alternative>(event);
  }

  std::span<Event> view() { return {events.data(), count}; }
  std::span<const Event> view() const { return {events.data(), count}; }
};

// The tile written as two decimal digits at byte `position` of `text`.
std::expected<Tile, conversion_error::InvalidTileCode> parse_tile_code(std::string_view text, std::size_t position);

// A take item: a draw (tsumo) or a call on another seat's discard (chi, pon, daiminkan).
std::expected<Event, ConversionError> decode_take(Seat actor, const ActionItem& item);

// A discard item: a dahai, a riichi (reach + dahai), or a kan from the hand (kakan, ankan).
std::expected<DiscardEvents, ConversionError> decode_discard(Seat actor, const ActionItem& item);

// A seat's whole take or discard list decoded the same way, each event built
// in place at the end of `events`. The first bad item ends the decoding.
std::expected<void, ConversionError> append_takes(Seat actor, std::span<const ActionItem> items,
                                                  std::vector<Event>& events);
std::expected<void, ConversionError> append_discards(Seat actor, std::span<const ActionItem> items,
                                                     std::vector<Event>& events);

}  // namespace paiscribe
