#pragma once

#include <expected>
#include <string_view>

#include "paiscribe/base/padded_text.hpp"
#include "paiscribe/tenhou/parse_error.hpp"
#include "paiscribe/tenhou/raw_log.hpp"

namespace paiscribe {

// Reads the log straight from the text, which stays as it is. When this
// succeeds the whole text is well-formed UTF-8, so a caller that must know
// need only check the text of a log that failed.
std::expected<RawLog, ParseError> parse_log(const PaddedText& text);

// The same for text held elsewhere, at the cost of one copy.
std::expected<RawLog, ParseError> parse_log(std::string_view text);

}  // namespace paiscribe
