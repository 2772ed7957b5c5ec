#include "paiscribe/json/json_number.hpp"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <system_error>

namespace paiscribe {
namespace {

// For a number whose value no double can hold: whether it is too small
// (rounds to zero) rather than too large. Decided by its decimal order of
// magnitude, read off the digits and the exponent.
bool is_below_double_range(std::string_view number) {
  const std::size_t exponent_at = number.find_first_of("eE");
  const std::string_view mantissa = number.substr(0, exponent_at);
  std::int64_t exponent = 0;
  if (exponent_at != std::string_view::npos) {
    std::string_view digits = number.substr(exponent_at + 1);
    const bool negative = digits.front() == '-';
    if (digits.front() == '-' || digits.front() == '+') digits.remove_prefix(1);
    if (std::from_chars(digits.data(), digits.data() + digits.size(), exponent).ec != std::errc{}) return negative;
    if (negative) exponent = -exponent;
  }
  const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
  const std::size_t first_digit = mantissa.find_first_of("123456789");
  if (first_digit == std::string_view::npos) return true;
  const auto order = first_digit < point ? static_cast<std::int64_t>(point - first_digit - 1)
                                         : -static_cast<std::int64_t>(first_digit - point);
  return order + exponent < 0;
}

const char* skip_digits(const char* at) {
  while (*at >= '0' && *at <= '9') ++at;
  return at;
}

}  // namespace

std::string_view number_text(const char* first) {
  const char* last = first;
  if (*last == '-') ++last;
  last = skip_digits(last);
  if (*last == '.') last = skip_digits(last + 1);
  if (*last == 'e' || *last == 'E') {
    ++last;
    if (*last == '+' || *last == '-') ++last;
    last = skip_digits(last);
  }
  return {first, static_cast<std::size_t>(last - first)};
}

std::optional<double> nearest_double(std::string_view number) {
  double value = 0;
  const auto parsed = std::from_chars(number.data(), number.data() + number.size(), value);
  if (parsed.ec == std::errc::result_out_of_range) {
    if (!is_below_double_range(number)) return std::nullopt;
    return number.front() == '-' ? -0.0 : 0.0;
  }
  if (parsed.ec != std::errc{}) return std::nullopt;
  return value;
}

}  // namespace paiscribe
