#include "paiscribe/mjai/mjai_lines.hpp"

#include <algorithm>
#include <utility>

namespace paiscribe {
namespace {

// Draws and discards, most of a game, are 40 to 60 bytes; the arena grows
// geometrically when a game's lines run longer.
constexpr std::size_t kTypicalLineBytes = 64;

}  // namespace

MjaiLines::MjaiLines(std::size_t event_count)
    : arena_(std::make_unique<std::pmr::monotonic_buffer_resource>(
          std::max<std::size_t>(event_count, 1) * (kTypicalLineBytes + sizeof(MjaiLine)))),
      lines_(arena_.get()) {
  lines_.reserve(event_count);
}

std::expected<MjaiLines, SerializeError> serialize_events(std::span<const Event> events) {
  MjaiLines lines(events.size());
  for (const Event& event : events) {
    auto line = serialize_event(event, lines.arena_.get());
    if (!line) return std::unexpected(std::move(line.error()));
    lines.lines_.push_back(std::move(*line));
  }
  return lines;
}

}  // namespace paiscribe
