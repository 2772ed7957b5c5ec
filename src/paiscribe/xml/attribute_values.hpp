#pragma once

#include <cstdint>
#include <expected>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "paiscribe/record/raw_log.hpp"

namespace paiscribe::xml {

// Readers of attribute values. A failure says what was wrong with the
// value; the caller adds the tag and attribute it came from.
template <typename T>
using ValueRead = std::expected<T, std::string>;

// Scores and their changes are written in hundreds and held as 32-bit points.
inline constexpr std::int64_t kHundredsLimit = std::numeric_limits<std::int32_t>::max() / 100;

// read_integer for any text: the slow road, which also says what is wrong.
ValueRead<std::int64_t> read_any_integer(std::string_view text, std::int64_t min, std::int64_t max);

// A whole value as one decimal integer within [min, max]. Inline: most of a
// record is small numbers, read here in a few instructions each.
inline ValueRead<std::int64_t> read_integer(std::string_view text, std::int64_t min, std::int64_t max) {
  const bool negative = !text.empty() && text[0] == '-';
  // Up to 18 digits cannot overflow; anything else takes the slow road.
  if (text.size() > static_cast<std::size_t>(negative) && text.size() <= 18) {
    std::int64_t value = 0;
    std::size_t at = negative ? 1 : 0;
    for (; at < text.size(); ++at) {
      const auto digit = static_cast<unsigned>(text[at] - '0');
      if (digit > 9) break;
      value = value * 10 + digit;
    }
    if (negative) value = -value;
    if (at == text.size() && value >= min && value <= max) return value;
  }
  return read_any_integer(text, min, max);
}

// A comma-separated list of exactly out.size() integers within [min, max].
// With `chips`, a game played for chips may follow them with as many more,
// its chip numbers: checked the same way, and left.
ValueRead<void> read_integers(std::string_view text, std::span<std::int64_t> out, std::int64_t min,
                              std::int64_t max, bool chips = false);

// A comma-separated list of exactly out.size() integers within [0, max],
// each below 1000, which fits a byte: tile ids of a hand, read in one pass.
ValueRead<void> read_small_integers(std::string_view text, std::span<std::uint8_t> out, std::uint8_t max);

// A comma-separated list of any length (empty text: none).
ValueRead<std::vector<std::int64_t>> read_integer_list(std::string_view text, std::int64_t min, std::int64_t max);
ValueRead<std::vector<double>> read_decimal_list(std::string_view text);

// The text of a value that may hold character references (&amp;, &#38;,
// &#x26;): the reader leaves them for the few values that are text. One it
// does not know stays as it is.
std::string without_references(std::string_view text);

// A player's name: character references, then %XX escapes decoded, then
// checked to be UTF-8.
ValueRead<std::string> decode_name(std::string_view text);

// The rule a game type's bits describe, named as the JSON log names it.
Rule rule_of_game_type(std::uint32_t type);

}  // namespace paiscribe::xml
