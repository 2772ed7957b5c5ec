#pragma once

#include <cstddef>
#include <expected>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "paiscribe/mjai/common_lines.hpp"
#include "paiscribe/mjai/event.hpp"
#include "paiscribe/mjai/serialize.hpp"

namespace paiscribe {

// Hands each event's line to `take(line, may_hold_non_ascii)` in order,
// without a line feed, for a caller that copies each line once more anyway:
// draws and discards come straight from their table, other lines are written
// in `scratch`, and a line lives only for the call. Only start_game carries
// text from the log (the names). Stops before the first event that has no
// line; the lines before it have been handed over.
template <class Take>
std::expected<void, SerializeError> for_each_line_of(std::span<const Event> events, std::string& scratch,
                                                     Take&& take) {
  const auto no_line = [] { return std::unexpected(SerializeError{std::string(kNoLineText)}); };
  for (const Event& event : events) {
    if (const CommonLine* line = common_line(event)) {
      take(std::string_view(line->text.data(), line->size), false);
      continue;
    }
    const auto room = line_room(event);
    if (!room) return no_line();
    if (scratch.size() < *room) scratch.resize(*room);
    char* const end = write_line(event, scratch.data(), *room);
    if (end == nullptr) return no_line();
    take(std::string_view(scratch.data(), static_cast<std::size_t>(end - scratch.data())),
         std::holds_alternative<ev::StartGame>(event));
  }
  return {};
}

}  // namespace paiscribe
