#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "paiscribe/mjai/common_lines.hpp"
#include "paiscribe/mjai/event.hpp"
#include "paiscribe/mjai/serialize.hpp"

namespace paiscribe {

// A game's lines back to back in one buffer, each followed by a line feed:
// written out as they stand, and each line is a view into them. Lines are
// added one at a time as a game is replayed; draws and discards, most of a
// game, are copied whole from their table.
class MjaiLines {
 public:
  MjaiLines() = default;
  MjaiLines(MjaiLines&&) noexcept = default;
  MjaiLines& operator=(MjaiLines&&) noexcept = default;

  std::size_t size() const { return ends_.size(); }
  // Line `index` without its line feed.
  std::string_view operator[](std::size_t index) const {
    const std::size_t begin = index == 0 ? 0 : ends_[index - 1] + 1;
    return text().substr(begin, ends_[index] - begin);
  }
  // Every line, each with its line feed.
  std::string_view text() const { return {text_.get(), size_}; }

  // Calls `visit(line, may_hold_non_ascii)` for each line from `first` on, in
  // order, without its line feed, until a call returns false; returns whether
  // none did. Only start_game carries text from the log (the names); every
  // other line is ASCII as written.
  template <class Visit>
  bool for_each_line(Visit&& visit, std::size_t first = 0) const {
    std::size_t begin = first == 0 ? 0 : ends_[first - 1] + 1;
    auto next_named = std::ranges::lower_bound(lines_with_names_, first);
    for (std::size_t index = first; index < ends_.size(); ++index) {
      const bool named = next_named != lines_with_names_.end() && *next_named == index;
      if (named) ++next_named;
      if (!visit(std::string_view(text_.get() + begin, ends_[index] - begin), named)) return false;
      begin = ends_[index] + 1;
    }
    return true;
  }

  // Adds a draw's or discard's line from its table.
  void add(const CommonLine& line) {
    char* const at = room_for(kCommonLineSlot + 1);
    std::memcpy(at, line.text.data(), kCommonLineSlot);
    end_line(at + line.size);
  }
  // Adds the event's line; false, adding nothing, when it has none.
  bool add(const Event& event);
  // The lines of start_game and hora, from their parts.
  bool add_start_game(std::span<const std::string, 4> names, std::uint8_t kyoku_first, bool aka_flag);
  bool add_hora(const HoraParts& hora);

  // Room for about `lines` more lines without growing.
  void reserve(std::size_t lines);
  // Empties the lines but keeps the storage, for the next batch.
  void clear();
  // The bytes its buffers hold, in use or not.
  std::size_t reserved_bytes() const {
    return capacity_ + (ends_.capacity() + lines_with_names_.capacity()) * sizeof(std::size_t);
  }

 private:
  // Where `bytes` more may be written.
  char* room_for(std::size_t bytes) {
    if (capacity_ - size_ < bytes) [[unlikely]]
      grow(bytes);
    return text_.get() + size_;
  }
  void grow(std::size_t bytes);
  // The line written up to `line_end` gets its line feed.
  void end_line(char* line_end) {
    *line_end = '\n';
    size_ = static_cast<std::size_t>(line_end - text_.get()) + 1;
    ends_.push_back(size_ - 1);
  }
  template <typename Write>
  bool add_written(std::optional<std::size_t> room, Write&& write);

  std::unique_ptr<char[]> text_;  // not zeroed: only what is written is read
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  std::vector<std::size_t> ends_;              // where each line's line feed stands
  std::vector<std::size_t> lines_with_names_;  // in ascending order
};

}  // namespace paiscribe
