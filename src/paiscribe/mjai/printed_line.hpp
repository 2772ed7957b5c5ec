#pragma once

#include <optional>
#include <string_view>

#include "paiscribe/mjai/event.hpp"

namespace paiscribe {

// Reads a line in the exact form the writer prints it, front to back: the
// keys and punctuation as the writer puts them, each number in its plain
// digits, each tile by its quoted name. A line read is thus the one line the
// writer prints for its event. Nothing for any other line, nor for
// start_game, whose names are the full reader's.
std::optional<Event> read_printed_line(std::string_view line);

}  // namespace paiscribe
