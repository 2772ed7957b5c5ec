#include "paiscribe/mjai/mjai_lines.hpp"

#include <algorithm>
#include <variant>

namespace paiscribe {

// Sized, then written: the batch's summed bounds are reserved at once, and
// the writing needs no checks.
std::expected<void, SerializeError> MjaiLines::append(std::span<const Event> events) {
  std::size_t room = 0;
  for (const Event& event : events) {
    const auto bound = line_bound(event);
    if (!bound) return std::unexpected(SerializeError{"a name is not valid UTF-8 or a tile has no name"});
    room += *bound + 1;  // and the line feed
  }

  const std::size_t start = text_.size();
  if (text_.capacity() < start + room) text_.reserve(std::max(start + room, 2 * text_.capacity()));
  ends_.reserve(ends_.size() + events.size());
  text_.resize_and_overwrite(start + room, [&](char* text, std::size_t) {
    char* at = text + start;
    for (const Event& event : events) {
      if (std::holds_alternative<ev::StartGame>(event)) lines_with_names_.push_back(ends_.size());
      at = write_line(event, at, room - static_cast<std::size_t>(at - text - start));
      ends_.push_back(static_cast<std::size_t>(at - text));
      *at++ = '\n';
    }
    return static_cast<std::size_t>(at - text);
  });
  return {};
}

void MjaiLines::append(const MjaiLines& lines) {
  const std::size_t start = text_.size();
  for (const std::size_t line : lines.lines_with_names_) lines_with_names_.push_back(ends_.size() + line);
  ends_.reserve(ends_.size() + lines.ends_.size());
  for (const std::size_t end : lines.ends_) ends_.push_back(start + end);
  text_ += lines.text_;
}

void MjaiLines::clear() {
  text_.clear();
  ends_.clear();
  lines_with_names_.clear();
}

std::expected<MjaiLines, SerializeError> serialize_events(std::span<const Event> events) {
  MjaiLines lines;
  if (auto appended = lines.append(events); !appended) return std::unexpected(std::move(appended.error()));
  return lines;
}

}  // namespace paiscribe
