#pragma once

#include <cstddef>
#include <string_view>

namespace paiscribe {

// Every line of a text of mjai lines (a carriage return before a line feed
// is allowed), given to `visit` without its line end.
template <typename Visit>
void for_each_text_line(std::string_view text, Visit&& visit) {
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (line.ends_with('\r')) line.remove_suffix(1);
    visit(line);
    start = end + 1;
  }
}

// The lines of one text or list as a check takes them: a byte-order mark
// before the first line is no part of it, and blank lines count only when a
// line follows them, so that those after the last are no lines.
class CountedLines {
 public:
  // Hands `feed` the line if it counts, after the blank lines before it.
  template <typename Feed>
  void take(std::string_view line, Feed&& feed) {
    if (!started_ && line.starts_with(kByteOrderMark)) line.remove_prefix(kByteOrderMark.size());
    started_ = true;
    if (line.empty()) {
      ++blank_lines_due_;
      return;
    }
    for (; blank_lines_due_ > 0; --blank_lines_due_) feed(std::string_view());
    feed(line);
  }

 private:
  static constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

  bool started_ = false;
  std::size_t blank_lines_due_ = 0;  // not fed yet: they may be the text's last
};

}  // namespace paiscribe
