#include "paiscribe/mjai/mjai_lines.hpp"

#include <variant>

namespace paiscribe {

// Sized, then written: one buffer of the summed bounds, and no growing.
std::expected<MjaiLines, SerializeError> serialize_events(std::span<const Event> events) {
  std::size_t room = 0;
  for (const Event& event : events) {
    const auto bound = line_bound(event);
    if (!bound) return std::unexpected(SerializeError{"a name is not valid UTF-8 or a tile has no name"});
    room += *bound + 1;  // and the line feed
  }

  MjaiLines lines;
  lines.ends_.reserve(events.size());
  lines.text_.resize_and_overwrite(room, [&](char* text, std::size_t) {
    char* at = text;
    for (const Event& event : events) {
      if (std::holds_alternative<ev::StartGame>(event)) lines.lines_with_names_.push_back(lines.ends_.size());
      at = write_line(event, at, room - static_cast<std::size_t>(at - text));
      lines.ends_.push_back(static_cast<std::size_t>(at - text));
      *at++ = '\n';
    }
    return static_cast<std::size_t>(at - text);
  });
  return lines;
}

}  // namespace paiscribe
