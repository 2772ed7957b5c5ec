#pragma once

#include <expected>
#include <memory_resource>
#include <string>

#include "paiscribe/mjai/event.hpp"

namespace paiscribe {

struct SerializeError {
  std::string description;
};

// One line of mjai text in its own buffer, which may come from an arena that
// the other lines of its game share.
using MjaiLine = std::pmr::string;

// The event's one-line compact JSON text, without a line terminator, in a
// buffer from `memory`.
std::expected<MjaiLine, SerializeError> serialize_event(
    const Event& event, std::pmr::memory_resource* memory = std::pmr::get_default_resource());

}  // namespace paiscribe
