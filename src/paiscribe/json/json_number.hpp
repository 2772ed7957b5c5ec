#pragma once

#include <optional>
#include <string_view>

namespace paiscribe {

// The text of the JSON number starting at `first`, whose grammar the reader
// has checked: sign, digits, fraction, exponent, and not a byte more, even
// when the bytes after it are malformed.
std::string_view number_text(const char* first);

// The nearest double to a valid JSON number's text; nothing when its
// magnitude is beyond every double. Converted here because the JSON
// library's own conversion turns some zeros (0e60) into arbitrary values.
std::optional<double> nearest_double(std::string_view number);

}  // namespace paiscribe
