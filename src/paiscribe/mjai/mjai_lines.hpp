#pragma once

#include <algorithm>
#include <cstddef>
#include <expected>
#include <span>
#include <string>
#include <string_view>
#include <memory>
#include <utility>
#include <vector>

#include "paiscribe/mjai/event.hpp"
#include "paiscribe/mjai/serialize.hpp"

namespace paiscribe {

namespace line_detail {

// Makes room in a vector without zeroing it first: every line end is
// written before it is read.
template <typename T>
struct UninitializedAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = UninitializedAllocator<U>;
  };
  template <typename U>
  void construct(U* at) {
    ::new (static_cast<void*>(at)) U;
  }
  template <typename U, typename... Args>
  void construct(U* at, Args&&... args) {
    std::construct_at(at, std::forward<Args>(args)...);
  }
};

}  // namespace line_detail

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
  std::vector<std::size_t, line_detail::UninitializedAllocator<std::size_t>> ends_;  // where each line's line feed stands
  std::vector<std::size_t> lines_with_names_;  // in ascending order
};

}  // namespace paiscribe
