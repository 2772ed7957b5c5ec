#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "paiscribe/base/tile.hpp"
#include "paiscribe/conv/location.hpp"
#include "paiscribe/mjai/event.hpp"

namespace paiscribe {

// Why a log's action lists do not make one consistent game, and where:
// enough for a person to find the fault in the log.
namespace conversion_error {

// Item failures are decoded without knowing their place; the list decoder
// fills in `at` before they leave it.
struct InvalidCallString {
  ItemAt at;
  std::string text;
  friend bool operator==(const InvalidCallString&, const InvalidCallString&) = default;
};
struct InvalidTileCode {
  ItemAt at;
  std::string item;  // the whole string the code stands in
  std::string code;  // the two bytes that were read, ill-formed UTF-8 replaced
  friend bool operator==(const InvalidTileCode&, const InvalidTileCode&) = default;
};
struct UnexpectedNumber {
  ItemAt at;
  std::uint8_t number = 0;
  friend bool operator==(const UnexpectedNumber&, const UnexpectedNumber&) = default;
};

// A discard and the seat that made it.
struct Discard {
  Seat seat;
  Tile tile;
  friend bool operator==(Discard, Discard) = default;
};
// A call that does not claim the discard before it.
struct UnexpectedEvent {
  ItemAt at;
  std::string item;
  std::optional<Discard> last_discard;  // none before the first turn passes
  friend bool operator==(const UnexpectedEvent&, const UnexpectedEvent&) = default;
};
struct DoraMarkersExhausted {
  KyokuAt kyoku;
  std::optional<Seat> kan_seat;  // none: the kyoku lists no indicator at all
  friend bool operator==(const DoraMarkersExhausted&, const DoraMarkersExhausted&) = default;
};
struct MissingTake {
  SeatAt at;
  friend bool operator==(const MissingTake&, const MissingTake&) = default;
};
struct MissingReachDiscard {
  SeatAt at;
  friend bool operator==(const MissingReachDiscard&, const MissingReachDiscard&) = default;
};

}  // namespace conversion_error

using ConversionError =
    std::variant<conversion_error::InvalidCallString, conversion_error::InvalidTileCode,
                 conversion_error::UnexpectedNumber, conversion_error::UnexpectedEvent,
                 conversion_error::DoraMarkersExhausted, conversion_error::MissingTake,
                 conversion_error::MissingReachDiscard>;

}  // namespace paiscribe
