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

}  // namespace paiscribe
