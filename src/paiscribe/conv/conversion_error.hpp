#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "paiscribe/mjai/event.hpp"

namespace paiscribe {

// Why a log's action lists do not make one consistent game. The context is
// for diagnostics; callers are told only that the conversion failed.
namespace conversion_error {

struct InvalidCallString {
  std::string text;
  friend bool operator==(const InvalidCallString&, const InvalidCallString&) = default;
};
struct InvalidTileCode {
  std::string text;  // the two bytes that were read
  friend bool operator==(const InvalidTileCode&, const InvalidTileCode&) = default;
};
struct UnexpectedNumber {
  friend bool operator==(const UnexpectedNumber&, const UnexpectedNumber&) = default;
};
struct UnexpectedEvent {
  Event event;
  friend bool operator==(const UnexpectedEvent&, const UnexpectedEvent&) = default;
};
struct DoraMarkersExhausted {
  std::uint8_t kyoku_index;
  std::uint8_t honba;
  friend bool operator==(const DoraMarkersExhausted&, const DoraMarkersExhausted&) = default;
};
struct MissingTake {
  std::uint8_t kyoku_index;
  std::uint8_t honba;
  Seat seat;
  friend bool operator==(const MissingTake&, const MissingTake&) = default;
};
struct MissingReachDiscard {
  std::uint8_t kyoku_index;
  std::uint8_t honba;
  Seat seat;
  friend bool operator==(const MissingReachDiscard&, const MissingReachDiscard&) = default;
};

}  // namespace conversion_error

using ConversionError =
    std::variant<conversion_error::InvalidCallString, conversion_error::InvalidTileCode,
                 conversion_error::UnexpectedNumber, conversion_error::UnexpectedEvent,
                 conversion_error::DoraMarkersExhausted, conversion_error::MissingTake,
                 conversion_error::MissingReachDiscard>;

}  // namespace paiscribe
