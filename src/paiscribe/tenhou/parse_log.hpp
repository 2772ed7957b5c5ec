#pragma once

#include <expected>
#include <string>
#include <string_view>

#include "paiscribe/tenhou/raw_log.hpp"

namespace paiscribe {

// Why a document is not a log; for diagnostics only, never shown to users.
struct ParseError {
  std::string description;
};

std::expected<RawLog, ParseError> parse_log(std::string_view text);

}  // namespace paiscribe
