#include "paiscribe/xml/attribute_values.hpp"

#include <array>
#include <charconv>
#include <optional>

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

}  // namespace

std::string quoted(std::string_view text) {
  constexpr std::size_t kShown = 24;
  std::string out(1, '"');
  out.append(text.substr(0, kShown)).append(text.size() > kShown ? "...\"" : "\"");
  return out;
}

ValueRead<std::int64_t> read_integer(std::string_view text, std::int64_t min, std::int64_t max) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error == std::errc::invalid_argument || end != text.data() + text.size())
    return std::unexpected(quoted(text) + " is no integer");
  if (error == std::errc::result_out_of_range || value < min || value > max)
    return std::unexpected(quoted(text) + " is out of range " + std::to_string(min) + ".." + std::to_string(max));
  return value;
}

ValueRead<void> read_integers(std::string_view text, std::span<std::int64_t> out, std::int64_t min,
                              std::int64_t max) {
  std::size_t count = 0;
  auto read = for_each_item(text, [&](std::string_view item) -> ValueRead<void> {
    if (count == out.size()) return std::unexpected("more than " + std::to_string(out.size()) + " numbers");
    auto value = read_integer(item, min, max);
    if (!value) return std::unexpected(std::move(value.error()));
    out[count++] = *value;
    return {};
  });
  if (!read) return read;
  if (count != out.size())
    return std::unexpected(std::to_string(count) + " numbers where " + std::to_string(out.size()) + " belong");
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
    if (item.empty() || error != std::errc{} || end != item.data() + item.size())
      return std::unexpected(quoted(item) + " is no decimal number");
    values.push_back(value);
    return {};
  });
  if (!read) return std::unexpected(std::move(read.error()));
  return values;
}

ValueRead<std::string> decode_name(std::string_view text) {
  std::string name;
  name.reserve(text.size());
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] != '%') {
      name.push_back(text[at]);
      continue;
    }
    const auto high = at + 1 < text.size() ? hex_digit(text[at + 1]) : std::nullopt;
    const auto low = at + 2 < text.size() ? hex_digit(text[at + 2]) : std::nullopt;
    if (!high || !low) return std::unexpected(quoted(text) + " has a % without two hex digits at byte " + std::to_string(at));
    name.push_back(static_cast<char>(*high * 16 + *low));
    at += 2;
  }
  if (!is_valid_utf8(name)) return std::unexpected(quoted(text) + " decodes to no UTF-8 text");
  return name;
}

Rule rule_of_game_type(std::uint32_t type) {
  // The room is two bits apart: 0x80 the upper room, 0x20 the special room, both the phoenix room.
  static constexpr std::array<std::string_view, 4> kRooms = {"\xE8\x88\xAC", "\xE4\xB8\x8A", "\xE7\x89\xB9",
                                                             "\xE9\xB3\xB3"};  // 般 上 特 鳳
  const bool red_fives = (type & 0x02) == 0;
  Rule rule;
  rule.disp = kRooms[((type & 0x20) >> 4) | ((type & 0x80) >> 7)];
  rule.disp += (type & 0x08) ? notation::kEastSouth : notation::kEastOnly;
  if ((type & 0x04) == 0) rule.disp += "\xE5\x96\xB0";          // 喰: open tanyao counts
  if (red_fives) rule.disp += "\xE8\xB5\xA4";                     // 赤
  if (type & 0x40) rule.disp += "\xE9\x80\x9F";                   // 速: fast
  const std::uint8_t count = red_fives ? 1 : 0;
  rule.aka51 = rule.aka52 = rule.aka53 = count;
  return rule;
}

}  // namespace paiscribe::xml
