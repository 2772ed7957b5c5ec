#include "paiscribe/mjai/mjai_lines.hpp"

#include <algorithm>
#include <variant>

#include "paiscribe/mjai/common_lines.hpp"

namespace paiscribe {

namespace {

// Most lines are far shorter than the room set aside for one: a batch
// reserves this much a line, and more should it run short.
constexpr std::size_t kTypicalLineRoom = 64;

}  // namespace

// Written straight into the text without sizing each line first: a line is
// written once the room left holds any line of its kind. Draws and discards,
// most of a game, are copied from their table without a look at the rest.
std::expected<void, SerializeError> MjaiLines::append(std::span<const Event> events) {
  const std::size_t text_before = text_.size(), lines_before = ends_.size(), names_before = lines_with_names_.size();
  ends_.resize(lines_before + events.size());
  std::size_t* line_end_at = ends_.data() + lines_before;
  std::size_t next = 0;
  bool failed = false;
  // The room of the line at `next` once known (0 before), so no line is sized twice.
  std::size_t next_room = 0;
  const auto size_next = [&] {
    const auto room = line_room(events[next]);
    failed = !room;
    next_room = room.value_or(0);
  };
  if (!events.empty() && common_line(events.front()) == nullptr) size_next();
  while (next < events.size() && !failed) {
    const std::size_t used = text_.size();
    // The next line, the typical room for the rest, and slack for any line of a fixed kind.
    const std::size_t wanted = used + next_room + 1 + (events.size() - next - 1) * kTypicalLineRoom + kFixedLineRoom;
    if (text_.capacity() < wanted) text_.reserve(std::max(wanted, 2 * text_.capacity()));
    text_.resize_and_overwrite(text_.capacity(), [&](char* text, std::size_t capacity) {
      char* at = text + used;
      char* const end = text + capacity;
      // A line goes in while the room left holds it and its line feed.
      for (; next < events.size(); ++next) {
        const Event& event = events[next];
        if (const CommonLine* line = common_line(event)) {
          const auto room = static_cast<std::size_t>(end - at);
          if (room < kCommonLineSlot) break;
          at = copy_common_line(*line, at, room);
        } else {
          if (next_room == 0) size_next();
          if (failed || static_cast<std::size_t>(end - at) <= next_room) break;
          if (std::holds_alternative<ev::StartGame>(event)) lines_with_names_.push_back(lines_before + next);
          char* const line_end = write_line(event, at, next_room);
          if (line_end == nullptr) {
            failed = true;
            break;
          }
          at = line_end;
          next_room = 0;
        }
        *at = '\n';
        line_end_at[next] = static_cast<std::size_t>(at - text);
        ++at;
      }
      return static_cast<std::size_t>(at - text);
    });
  }
  if (failed) {
    text_.resize(text_before);
    ends_.resize(lines_before);
    lines_with_names_.resize(names_before);
    return std::unexpected(SerializeError{std::string(kNoLineText)});
  }
  return {};
}

void MjaiLines::clear() {
  text_.clear();
  ends_.clear();
  lines_with_names_.clear();
}

}  // namespace paiscribe
