#pragma once

#include <expected>

#include "paiscribe/base/padded_text.hpp"
#include "paiscribe/json/json_parse_error.hpp"
#include "paiscribe/record/raw_log.hpp"

namespace paiscribe {

// Reads a Tenhou JSON log straight from the text, which stays as it is. When
// this succeeds the whole text is well-formed UTF-8, so a caller that must
// know need only check the text of a log that failed. `spare` may hold the
// kyokus of a record no longer needed: the new record takes over their room,
// which spares a caller that reads log after log most allocations.
std::expected<RawLog, JsonParseError> parse_json_log(const PaddedText& text, RawLog::Kyokus spare = {});

}  // namespace paiscribe
