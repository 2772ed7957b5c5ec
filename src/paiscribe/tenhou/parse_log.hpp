#pragma once

#include <expected>
#include <string_view>

#include "paiscribe/base/padded_text.hpp"
#include "paiscribe/tenhou/parse_error.hpp"
#include "paiscribe/tenhou/raw_log.hpp"

namespace paiscribe {

// Reads the log straight from the text, which stays as it is. When this
// succeeds the whole text is well-formed UTF-8, so a caller that must know
// need only check the text of a log that failed. `spare` may hold the
// kyokus of a record no longer needed: the new record takes over their room,
// which spares a caller that reads log after log most allocations.
std::expected<RawLog, ParseError> parse_log(const PaddedText& text, RawLog::Kyokus spare = {});

// The same for text held elsewhere, at the cost of one copy.
std::expected<RawLog, ParseError> parse_log(std::string_view text);

}  // namespace paiscribe
