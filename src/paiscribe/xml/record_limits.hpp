#pragma once

#include <cstddef>
#include <expected>
#include <string_view>

#include "paiscribe/xml/parse_mjlog.hpp"

namespace paiscribe {

// A real record is under 200 kB and some thousand tags. The tree of a text
// of tiny tags takes some twenty times the text, so texts far beyond any
// real game are refused before a tree is built: with both bounds, reading
// one record takes at most a few tens of MB besides its text.
inline constexpr std::size_t kMjlogMostBytes = std::size_t{2} << 20;
inline constexpr std::size_t kMjlogMostTags = 65536;

// Whether the text is one a game record can be, as far as can be seen
// before it is parsed: within the bounds above, and without a character
// reference to U+0000, which no XML holds and which would cut the attribute
// value it stands in short.
std::expected<void, MjlogError> check_mjlog_text(std::string_view text);

}  // namespace paiscribe
