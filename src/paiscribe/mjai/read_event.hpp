#pragma once

#include <expected>
#include <string>
#include <string_view>

#include "paiscribe/mjai/event.hpp"

namespace paiscribe {

// Why a line is no event: the line is no JSON object, or a key is unknown,
// missing, repeated or of the wrong kind for its event type.
struct ReadError {
  std::string description;
};

// Reads mjai lines back into events, in the forms serialize_event writes:
// every key an event's type has in those lines, of the same kind, in any
// order. One reader reads line after line in the same room.
class EventReader {
 public:
  std::expected<Event, ReadError> read(std::string_view line);

 private:
  std::string scratch_;  // the line, parsed where it lies
};

// One line on its own.
std::expected<Event, ReadError> read_event(std::string_view line);

}  // namespace paiscribe
