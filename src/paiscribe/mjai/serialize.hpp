#pragma once

#include <expected>
#include <string>

#include "paiscribe/mjai/event.hpp"

namespace paiscribe {

struct SerializeError {
  std::string description;
};

// The event's one-line compact JSON text, without a line terminator.
std::expected<std::string, SerializeError> serialize_event(const Event& event);

}  // namespace paiscribe
