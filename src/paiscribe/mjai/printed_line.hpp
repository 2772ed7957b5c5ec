#pragma once

#include <optional>
#include <string_view>

#include "paiscribe/mjai/event.hpp"

namespace paiscribe {

// Reads a line in the exact form the writer prints it: its values are taken
// in order by a quick scan that skips the keys and made into the event of
// its type, which is kept only if the writer prints the very same line for
// it. Nothing for any other line, nor for start_game, whose names are the
// full reader's.
std::optional<Event> read_printed_line(std::string_view line);

}  // namespace paiscribe
