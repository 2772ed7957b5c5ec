#pragma once

#include <cstddef>
#include <expected>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "paiscribe/mjai/event.hpp"
#include "paiscribe/mjai/serialize.hpp"

namespace paiscribe {

// A game's lines back to back in one buffer, each followed by a line feed:
// written out as they stand, and each line is a view into them.
class MjaiLines {
 public:
  std::size_t size() const { return ends_.size(); }
  // Line `index` without its line feed.
  std::string_view operator[](std::size_t index) const {
    const std::size_t begin = index == 0 ? 0 : ends_[index - 1] + 1;
    return std::string_view(text_).substr(begin, ends_[index] - begin);
  }
  // Every line, each with its line feed.
  std::string_view text() const { return text_; }
  // Calls `visit(line, may_hold_non_ascii)` for each line in order, without
  // its line feed, until a call returns false; returns whether none did. Only
  // start_game carries text from the log (the names); every other line is
  // ASCII as written.
  template <class Visit>
  bool for_each_line(Visit&& visit) const {
    std::size_t begin = 0;
    auto next_named = lines_with_names_.begin();
    for (std::size_t index = 0; index < ends_.size(); ++index) {
      const bool named = next_named != lines_with_names_.end() && *next_named == index;
      if (named) ++next_named;
      if (!visit(std::string_view(text_.data() + begin, ends_[index] - begin), named)) return false;
      begin = ends_[index] + 1;
    }
    return true;
  }

  // Adds the events' lines after those already held; on failure nothing is added.
  std::expected<void, SerializeError> append(std::span<const Event> events);
  // Empties the lines but keeps the storage, for the next batch.
  void clear();
  // The bytes its buffers hold, in use or not.
  std::size_t reserved_bytes() const {
    return text_.capacity() + (ends_.capacity() + lines_with_names_.capacity()) * sizeof(std::size_t);
  }

 private:
  std::string text_;
  std::vector<std::size_t> ends_;  // where each line's line feed stands
  std::vector<std::size_t> lines_with_names_;  // in ascending order
};

// Every event's line, in order; the first failure fails the whole sequence.
std::expected<MjaiLines, SerializeError> serialize_events(std::span<const Event> events);

}  // namespace paiscribe
