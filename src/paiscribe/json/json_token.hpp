#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace paiscribe {

// One value as the reader reports it, before it is held against the log's
// shape: a whole scalar, or the start of an array or object. Numbers keep
// whether the text wrote a non-negative integer, a negative integer or a
// number with a fraction or exponent: only the first two are integers.
struct JsonToken {
  enum class Kind : std::uint8_t { kNull, kFalse, kTrue, kNonNegative, kNegative, kFloat, kString, kArray, kObject };

  Kind kind = Kind::kNull;
  std::uint64_t non_negative = 0;
  std::int64_t negative = 0;
  double floating = 0;
  std::string_view text;  // of a string: its decoded bytes, NULs included

  static JsonToken of(Kind kind) { return {kind, 0, 0, 0, {}}; }
  static JsonToken integer(std::uint64_t value) { return {Kind::kNonNegative, value, 0, 0, {}}; }
  static JsonToken integer(std::int64_t value) {
    if (value >= 0) return integer(static_cast<std::uint64_t>(value));
    return {Kind::kNegative, 0, value, 0, {}};
  }
  static JsonToken real(double value) { return {Kind::kFloat, 0, 0, value, {}}; }
  static JsonToken string(std::string_view text) { return {Kind::kString, 0, 0, 0, text}; }

  bool is_container() const { return kind == Kind::kArray || kind == Kind::kObject; }
  bool is_number() const { return kind == Kind::kNonNegative || kind == Kind::kNegative || kind == Kind::kFloat; }
};

inline std::optional<std::uint8_t> as_u8(const JsonToken& token) {
  if (token.kind == JsonToken::Kind::kNonNegative && token.non_negative <= 0xFF)
    return static_cast<std::uint8_t>(token.non_negative);
  return std::nullopt;
}

inline std::optional<std::int32_t> as_i32(const JsonToken& token) {
  if (token.kind == JsonToken::Kind::kNonNegative && token.non_negative <= std::numeric_limits<std::int32_t>::max())
    return static_cast<std::int32_t>(token.non_negative);
  if (token.kind == JsonToken::Kind::kNegative && token.negative >= std::numeric_limits<std::int32_t>::min())
    return static_cast<std::int32_t>(token.negative);
  return std::nullopt;
}

inline double as_f64(const JsonToken& token) {
  if (token.kind == JsonToken::Kind::kNonNegative) return static_cast<double>(token.non_negative);
  if (token.kind == JsonToken::Kind::kNegative) return static_cast<double>(token.negative);
  return token.floating;
}

// Descriptions of a token that does not fit, in the reader's usual words:
// "invalid type: floating point `1`, expected u8".
std::string invalid_type(const JsonToken& found, std::string_view expected);
std::string invalid_length(std::size_t found, std::string_view expected);
// An integer out of range is of the right type but the wrong value.
std::string not_integer(const JsonToken& found, std::string_view expected);

}  // namespace paiscribe
