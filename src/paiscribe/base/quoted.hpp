#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace paiscribe {

// The bytes of a value a message quotes; a longer one is cut.
inline constexpr std::size_t kQuotedLength = 24;

// A value between double quotes for a message a person reads. A long one is
// cut after kQuotedLength bytes, never inside a character, and ends in "...":
// a hostile value of any size is never echoed whole.
std::string quoted(std::string_view text);
// A std::string would otherwise find std::quoted of <iomanip> a better match.
inline std::string quoted(const std::string& text) { return quoted(std::string_view(text)); }

}  // namespace paiscribe
