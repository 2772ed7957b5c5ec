#pragma once

#include <rapidjson/document.h>

#include <expected>
#include <string_view>

#include "paiscribe/tenhou/parse_log.hpp"

namespace paiscribe {

// Reads `text` as exactly one JSON value, with nothing around it but space,
// tab, line feed and carriage return. Values may nest without limit here;
// readers that copy a value out must bound the depth themselves.
std::expected<void, ParseError> parse_json_document(std::string_view text, rapidjson::Document& document);

}  // namespace paiscribe
