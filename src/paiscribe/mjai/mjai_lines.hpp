#pragma once

#include <cstddef>
#include <expected>
#include <memory>
#include <memory_resource>
#include <span>
#include <vector>

#include "paiscribe/mjai/event.hpp"
#include "paiscribe/mjai/serialize.hpp"

namespace paiscribe {

// A game's lines, each in its own buffer carved from one arena that goes away
// with them: a thousand lines cost a handful of allocations and no frees.
class MjaiLines {
 public:
  MjaiLines(MjaiLines&&) noexcept = default;
  // Lines cannot move between arenas; a new set of lines is a new object.
  MjaiLines& operator=(MjaiLines&&) = delete;

  std::span<const MjaiLine> lines() const { return lines_; }
  std::size_t size() const { return lines_.size(); }
  const MjaiLine& operator[](std::size_t index) const { return lines_[index]; }

 private:
  friend std::expected<MjaiLines, SerializeError> serialize_events(std::span<const Event> events);
  explicit MjaiLines(std::size_t event_count);

  // Declared first, so it outlives the lines it holds.
  std::unique_ptr<std::pmr::monotonic_buffer_resource> arena_;
  std::pmr::vector<MjaiLine> lines_;
};

// Every event's line, in order; the first failure fails the whole sequence.
std::expected<MjaiLines, SerializeError> serialize_events(std::span<const Event> events);

}  // namespace paiscribe
