#include "paiscribe/tenhou/json_document.hpp"

#include <rapidjson/error/en.h>
#include <rapidjson/memorystream.h>

#include <algorithm>
#include <cstddef>
#include <string>

namespace paiscribe {
namespace {

// Iterative parsing keeps the native stack flat however deep the text nests;
// the reader stops after the value so the tail is checked here, where an
// embedded NUL cannot pass for the end of the text.
constexpr unsigned kParseFlags = rapidjson::kParseIterativeFlag | rapidjson::kParseValidateEncodingFlag |
                                 rapidjson::kParseFullPrecisionFlag | rapidjson::kParseStopWhenDoneFlag;

bool is_json_whitespace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string position_of(std::string_view text, std::size_t offset) {
  offset = std::min(offset, text.size());
  const std::string_view before = text.substr(0, offset);
  const std::size_t line = 1 + static_cast<std::size_t>(std::ranges::count(before, '\n'));
  const std::size_t line_start = before.rfind('\n');
  const std::size_t column = line_start == std::string_view::npos ? offset + 1 : offset - line_start;
  return "at line " + std::to_string(line) + " column " + std::to_string(column);
}

}  // namespace

std::expected<void, ParseError> parse_json_document(std::string_view text, rapidjson::Document& document) {
  // A plain byte stream: unlike the library's encoded streams it does not
  // skip a byte-order mark, which is no whitespace.
  rapidjson::MemoryStream stream(text.data(), text.size());
  document.ParseStream<kParseFlags, rapidjson::UTF8<>>(stream);
  if (document.HasParseError()) {
    return std::unexpected(ParseError{std::string(rapidjson::GetParseError_En(document.GetParseError())) + " " +
                                      position_of(text, document.GetErrorOffset())});
  }
  std::size_t end = stream.Tell();
  while (end < text.size() && is_json_whitespace(text[end])) ++end;
  if (end != text.size()) return std::unexpected(ParseError{"trailing characters " + position_of(text, end)});
  return {};
}

}  // namespace paiscribe
