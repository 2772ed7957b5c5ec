#pragma once

#include <string_view>

namespace paiscribe {

// Hands `each` every line of a text of mjai lines, without its line feed: a
// last line feed, and a carriage return before each line feed, are allowed.
template <class Each>
void for_each_line(std::string_view text, Each&& each) {
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (line.ends_with('\r')) line.remove_suffix(1);
    each(line);
    start = end + 1;
  }
}

}  // namespace paiscribe
