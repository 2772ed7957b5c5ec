#pragma once

// One event's mjai line, written as a game's lines are.

#include <optional>
#include <string>

#include "paiscribe/mjai/event.hpp"
#include "paiscribe/mjai/mjai_lines.hpp"

namespace paiscribe::test_support {

// Nothing when the event has no line.
inline std::optional<std::string> line_of(const Event& event) {
  MjaiLines lines;
  if (!lines.add(event)) return std::nullopt;
  return std::string(lines[0]);
}

}  // namespace paiscribe::test_support
