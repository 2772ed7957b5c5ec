#pragma once

#include <cstdint>
#include <expected>
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

// The value between quotes for a message, cut short when long.
std::string quoted(std::string_view text);

// A whole value as one decimal integer within [min, max].
ValueRead<std::int64_t> read_integer(std::string_view text, std::int64_t min, std::int64_t max);

// A comma-separated list of exactly out.size() integers within [min, max].
ValueRead<void> read_integers(std::string_view text, std::span<std::int64_t> out, std::int64_t min,
                              std::int64_t max);

// A comma-separated list of any length (empty text: none).
ValueRead<std::vector<std::int64_t>> read_integer_list(std::string_view text, std::int64_t min, std::int64_t max);
ValueRead<std::vector<double>> read_decimal_list(std::string_view text);

// A player's name: %XX escapes decoded, then checked to be UTF-8.
ValueRead<std::string> decode_name(std::string_view text);

// The rule a game type's bits describe, named as the JSON log names it.
Rule rule_of_game_type(std::uint32_t type);

}  // namespace paiscribe::xml
