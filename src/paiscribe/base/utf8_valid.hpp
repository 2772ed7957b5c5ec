#pragma once

#include <string_view>

namespace paiscribe {

// Whether `bytes` is well-formed UTF-8: shortest forms only, no surrogate
// code points, nothing above U+10FFFF.
bool is_valid_utf8(std::string_view bytes);

}  // namespace paiscribe
