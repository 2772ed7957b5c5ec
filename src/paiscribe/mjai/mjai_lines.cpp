#include "paiscribe/mjai/mjai_lines.hpp"

#include <algorithm>
#include <optional>
#include <variant>

namespace paiscribe {

namespace {

// Most lines are far shorter than the room set aside for one: a batch
// reserves this much a line, and more should it run short.
constexpr std::size_t kTypicalLineRoom = 64;

}  // namespace

// Written straight into the text without sizing each line first: a line is
// written once the room left holds any line of its kind.
std::expected<void, SerializeError> MjaiLines::append(std::span<const Event> events) {
  const std::size_t text_before = text_.size(), lines_before = ends_.size(), names_before = lines_with_names_.size();
  ends_.reserve(ends_.size() + events.size());
  std::size_t next = 0;
  // The room of the next event's line; nothing once a value has no text form.
  std::optional<std::size_t> room = events.empty() ? std::optional<std::size_t>(0) : line_room(events.front());
  while (next < events.size() && room) {
    const std::size_t used = text_.size();
    // The next line, the typical room for the rest, and slack for any line of a fixed kind.
    const std::size_t wanted = used + *room + 1 + (events.size() - next - 1) * kTypicalLineRoom + kFixedLineRoom;
    if (text_.capacity() < wanted) text_.reserve(std::max(wanted, 2 * text_.capacity()));
    text_.resize_and_overwrite(text_.capacity(), [&](char* text, std::size_t capacity) {
      char* at = text + used;
      // A line goes in while the room left holds it and its line feed.
      while (next < events.size() && room && static_cast<std::size_t>(text + capacity - at) > *room) {
        const Event& event = events[next];
        if (std::holds_alternative<ev::StartGame>(event)) lines_with_names_.push_back(ends_.size());
        char* const line_end = write_line(event, at, *room);
        if (line_end == nullptr) {
          room.reset();
          break;
        }
        ends_.push_back(static_cast<std::size_t>(line_end - text));
        *line_end = '\n';
        at = line_end + 1;
        if (++next < events.size()) room = line_room(events[next]);
      }
      return static_cast<std::size_t>(at - text);
    });
  }
  if (!room) {
    text_.resize(text_before);
    ends_.resize(lines_before);
    lines_with_names_.resize(names_before);
    return std::unexpected(SerializeError{"a name is not valid UTF-8 or a tile has no name"});
  }
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
