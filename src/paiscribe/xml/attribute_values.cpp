#include "paiscribe/xml/attribute_values.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <optional>
#include <utility>

#include "paiscribe/base/quoted.hpp"
#include "paiscribe/base/utf8_valid.hpp"
#include "paiscribe/record/notation.hpp"

namespace paiscribe::xml {
namespace {

// Calls `item` with each piece between commas; stops at its first failure.
template <typename Item>
ValueRead<void> for_each_item(std::string_view text, Item&& item) {
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(',', start);
    if (auto read = item(text.substr(start, comma - start)); !read) return read;
    if (comma == std::string_view::npos) return {};
    start = comma + 1;
  }
}

std::optional<std::uint8_t> hex_digit(char c) {
  if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<std::uint8_t>(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return static_cast<std::uint8_t>(c - 'a' + 10);
  return std::nullopt;
}

// The code point of "#38" or "#x26", when it is one.
std::optional<char32_t> character_number(std::string_view name) {
  if (name.size() < 2 || name[0] != '#') return std::nullopt;
  const bool hex = name[1] == 'x';
  const std::string_view digits = name.substr(hex ? 2 : 1);
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, hex ? 16 : 10);
  if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size()) return std::nullopt;
  if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return std::nullopt;
  return static_cast<char32_t>(value);
}

void append_utf8(std::string& out, char32_t code_point) {
  const auto byte = [](std::uint32_t value) { return static_cast<char>(value); };
  if (code_point < 0x80) {
    out.push_back(byte(code_point));
  } else if (code_point < 0x800) {
    out.push_back(byte(0xC0 | (code_point >> 6)));
    out.push_back(byte(0x80 | (code_point & 0x3F)));
  } else if (code_point < 0x10000) {
    out.push_back(byte(0xE0 | (code_point >> 12)));
    out.push_back(byte(0x80 | ((code_point >> 6) & 0x3F)));
    out.push_back(byte(0x80 | (code_point & 0x3F)));
  } else {
    out.push_back(byte(0xF0 | (code_point >> 18)));
    out.push_back(byte(0x80 | ((code_point >> 12) & 0x3F)));
    out.push_back(byte(0x80 | ((code_point >> 6) & 0x3F)));
    out.push_back(byte(0x80 | (code_point & 0x3F)));
  }
}

}  // namespace

ValueRead<std::int64_t> read_any_integer(std::string_view text, std::int64_t min, std::int64_t max) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error == std::errc::invalid_argument || end != text.data() + text.size())
    return std::unexpected(quoted(text) + " is no integer");
  if (error == std::errc::result_out_of_range || value < min || value > max)
    return std::unexpected(quoted(text) + " is out of range " + std::to_string(min) + ".." + std::to_string(max));
  return value;
}

namespace {

// read_integers for a list that is all well: true when it is. Hands and
// results are most of a record's numbers, read here in one pass each.
bool read_well_formed_integers(std::string_view text, std::span<std::int64_t> out, std::int64_t min,
                               std::int64_t max, std::size_t most) {
  const char* at = text.data();
  const char* const end = at + text.size();
  std::size_t count = 0;
  for (;;) {
    const bool negative = at != end && *at == '-';
    at += negative ? 1 : 0;
    const char* const digits = at;
    std::uint64_t magnitude = 0;
    for (; at != end; ++at) {
      const auto digit = static_cast<unsigned>(*at - '0');
      if (digit > 9) break;
      magnitude = magnitude * 10 + digit;
    }
    // Up to 18 digits cannot overflow; a longer number takes the slow road.
    if (at == digits || at - digits > 18 || (at != end && *at != ',')) return false;
    const auto value = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    if (value < min || value > max || count == most) return false;
    if (count < out.size()) out[count] = value;
    ++count;
    if (at == end) return count == out.size() || count == most;
    ++at;
  }
}

}  // namespace

ValueRead<void> read_integers(std::string_view text, std::span<std::int64_t> out, std::int64_t min,
                              std::int64_t max, bool chips) {
  const std::size_t most = chips ? 2 * out.size() : out.size();
  if (read_well_formed_integers(text, out, min, max, most)) return {};
  // The slow road, which says what is wrong.
  std::size_t count = 0;
  auto read = for_each_item(text, [&](std::string_view item) -> ValueRead<void> {
    if (count == most) return std::unexpected("more than " + std::to_string(most) + " numbers");
    auto value = read_integer(item, min, max);
    if (!value) return std::unexpected(std::move(value.error()));
    if (count < out.size()) out[count] = *value;
    ++count;
    return {};
  });
  if (!read) return read;
  if (count != out.size() && count != most) {
    std::string belong = std::to_string(out.size()) + (chips ? " or " + std::to_string(most) : "");
    return std::unexpected(std::to_string(count) + " numbers where " + belong + " belong");
  }
  return {};
}

ValueRead<void> read_small_integers(std::string_view text, std::span<std::uint8_t> out, std::uint8_t max) {
  const char* at = text.data();
  const char* const end = at + text.size();
  std::size_t count = 0;
  while (count < out.size()) {
    unsigned value = 0;
    const char* const digits = at;
    for (; at != end && at - digits < 3; ++at) {
      const auto digit = static_cast<unsigned>(*at - '0');
      if (digit > 9) break;
      value = value * 10 + digit;
    }
    if (at == digits || value > max) break;
    out[count++] = static_cast<std::uint8_t>(value);
    if (at == end || *at != ',') break;
    ++at;
  }
  if (count == out.size() && at == end) return {};
  // The slow road, which says what is wrong (or reads a number with leading zeros).
  std::vector<std::int64_t> values(out.size());
  if (auto read = read_integers(text, values, 0, max); !read) return read;
  std::ranges::transform(values, out.begin(), [](std::int64_t value) { return static_cast<std::uint8_t>(value); });
  return {};
}

ValueRead<std::vector<std::int64_t>> read_integer_list(std::string_view text, std::int64_t min, std::int64_t max) {
  std::vector<std::int64_t> values;
  if (text.empty()) return values;
  auto read = for_each_item(text, [&](std::string_view item) -> ValueRead<void> {
    auto value = read_integer(item, min, max);
    if (!value) return std::unexpected(std::move(value.error()));
    values.push_back(*value);
    return {};
  });
  if (!read) return std::unexpected(std::move(read.error()));
  return values;
}

ValueRead<std::vector<double>> read_decimal_list(std::string_view text) {
  std::vector<double> values;
  if (text.empty()) return values;
  auto read = for_each_item(text, [&](std::string_view item) -> ValueRead<void> {
    double value = 0;
    const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), value);
    if (item.empty() || error != std::errc{} || end != item.data() + item.size() || !std::isfinite(value))
      return std::unexpected(quoted(item) + " is no decimal number");
    values.push_back(value);
    return {};
  });
  if (!read) return std::unexpected(std::move(read.error()));
  return values;
}

std::string without_references(std::string_view text) {
  static constexpr std::array<std::pair<std::string_view, char>, 5> kNamed = {
      {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}}};
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size(); ++at) {
    const std::size_t end = text[at] == '&' ? text.find(';', at) : std::string_view::npos;
    if (end == std::string_view::npos) {
      out.push_back(text[at]);
      continue;
    }
    const std::string_view name = text.substr(at + 1, end - at - 1);
    const auto named = std::ranges::find(kNamed, name, &std::pair<std::string_view, char>::first);
    if (named != kNamed.end()) {
      out.push_back(named->second);
      at = end;
      continue;
    }
    if (const auto code_point = character_number(name)) {
      append_utf8(out, *code_point);
      at = end;
      continue;
    }
    out.push_back('&');
  }
  return out;
}

ValueRead<std::string> decode_name(std::string_view escaped) {
  const std::string text = without_references(escaped);
  std::string name;
  name.reserve(text.size());
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] != '%') {
      name.push_back(text[at]);
      continue;
    }
    const auto high = at + 1 < text.size() ? hex_digit(text[at + 1]) : std::nullopt;
    const auto low = at + 2 < text.size() ? hex_digit(text[at + 2]) : std::nullopt;
    if (!high || !low)
      return std::unexpected(quoted(escaped) + " has a % without two hex digits at byte " + std::to_string(at));
    name.push_back(static_cast<char>(*high * 16 + *low));
    at += 2;
  }
  if (!is_valid_utf8(name)) return std::unexpected(quoted(escaped) + " decodes to no UTF-8 text");
  return name;
}

Rule rule_of_game_type(std::uint32_t type) {
  // The room is two bits apart: 0x80 the upper room, 0x20 the special room, both the phoenix room.
  const bool red_fives = (type & 0x02) == 0;
  Rule rule;
  rule.disp = notation::kRooms[((type & 0x20) >> 4) | ((type & 0x80) >> 7)];
  rule.disp += (type & 0x08) ? notation::kEastSouth : notation::kEastOnly;
  if ((type & 0x04) == 0) rule.disp += notation::kOpenTanyao;
  if (red_fives) rule.disp += "\xE8\xB5\xA4";                     // 赤
  if (type & 0x40) rule.disp += "\xE9\x80\x9F";                   // 速: fast
  const std::uint8_t count = red_fives ? 1 : 0;
  rule.aka51 = rule.aka52 = rule.aka53 = count;
  return rule;
}

}  // namespace paiscribe::xml
