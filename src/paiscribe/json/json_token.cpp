#include "paiscribe/json/json_token.hpp"

#include <array>
#include <charconv>

namespace paiscribe {
namespace {

// What a token is, in the words of a diagnostic; strings are not echoed since
// they may be long or not printable.
std::string describe(const JsonToken& token) {
  static constexpr std::array<std::string_view, 9> kNames = {
      "null", "boolean `false`", "boolean `true`", "", "", "", "string", "sequence", "map"};
  switch (token.kind) {
    case JsonToken::Kind::kNonNegative:
      return "integer `" + std::to_string(token.non_negative) + "`";
    case JsonToken::Kind::kNegative:
      return "integer `" + std::to_string(token.negative) + "`";
    case JsonToken::Kind::kFloat: {
      char text[32];
      const auto written = std::to_chars(text, text + sizeof text, token.floating);
      return "floating point `" + std::string(text, written.ptr) + "`";
    }
    default:
      return std::string(kNames[static_cast<std::size_t>(token.kind)]);
  }
}

}  // namespace

std::string invalid_type(const JsonToken& found, std::string_view expected) {
  return "invalid type: " + describe(found) + ", expected " + std::string(expected);
}

std::string invalid_length(std::size_t found, std::string_view expected) {
  return "invalid length " + std::to_string(found) + ", expected " + std::string(expected);
}

std::string not_integer(const JsonToken& found, std::string_view expected) {
  if (found.kind != JsonToken::Kind::kNonNegative && found.kind != JsonToken::Kind::kNegative)
    return invalid_type(found, expected);
  return "invalid value: " + describe(found) + ", expected " + std::string(expected);
}

}  // namespace paiscribe
