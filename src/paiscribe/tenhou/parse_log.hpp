#pragma once

#include <expected>
#include <string_view>

#include "paiscribe/tenhou/parse_error.hpp"
#include "paiscribe/tenhou/raw_log.hpp"

namespace paiscribe {

std::expected<RawLog, ParseError> parse_log(std::string_view text);

}  // namespace paiscribe
