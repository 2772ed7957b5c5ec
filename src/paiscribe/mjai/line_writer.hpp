#pragma once

#include <algorithm>
#include <array>
#include <charconv>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "paiscribe/mjai/utf8.hpp"
#include "paiscribe/tenhou/tile.hpp"

namespace paiscribe {

// Every line starts with this much room; most events never need more.
inline constexpr std::size_t kLineReserve = 128;

// The longest text of one value of each kind, for sizing a line up front.
inline constexpr std::size_t kMaxQuotedTileSize = 5;  // "5mr"
inline constexpr std::size_t kMaxU8Size = 3;          // 255
inline constexpr std::size_t kMaxI32Size = 11;        // -2147483648
inline constexpr std::size_t kMaxBoolSize = 5;        // false

namespace line_detail {

// A tile's name in quotes with a comma after it: a list element is one copy.
struct QuotedTile {
  std::array<char, 6> text;
  std::uint8_t quoted_size;  // without the comma
};

inline constexpr std::array<QuotedTile, Tile::kCount> kQuotedTiles = [] {
  std::array<QuotedTile, Tile::kCount> table{};
  for (std::size_t index = 0; index < Tile::kCount; ++index) {
    const std::string_view name = kMjaiNames[index];
    auto& entry = table[index];
    entry.text[0] = '"';
    std::ranges::copy(name, entry.text.begin() + 1);
    entry.text[name.size() + 1] = '"';
    entry.text[name.size() + 2] = ',';
    entry.quoted_size = static_cast<std::uint8_t>(name.size() + 2);
  }
  return table;
}();

// The letter after the backslash for bytes JSON wants escaped; 'u' for the
// \u00XX form; 0 for bytes written as they are (U+007F and non-ASCII included).
inline constexpr std::array<char, 256> kEscapeLetter = [] {
  std::array<char, 256> table{};
  for (std::size_t byte = 0; byte < 0x20; ++byte) table[byte] = 'u';
  table['\b'] = 'b';
  table['\t'] = 't';
  table['\n'] = 'n';
  table['\f'] = 'f';
  table['\r'] = 'r';
  table['"'] = '"';
  table['\\'] = '\\';
  return table;
}();

constexpr std::size_t escaped_byte_size(std::uint8_t byte) {
  const char letter = kEscapeLetter[byte];
  return letter == 0 ? 1 : letter == 'u' ? 6 : 2;
}

}  // namespace line_detail

// The size of `text` as JSON string content (quotes not counted), or nothing
// when it is not valid UTF-8: a line must never carry broken text.
constexpr std::optional<std::size_t> escaped_size(std::string_view text) {
  std::size_t size = 0;
  for (std::size_t at = 0; at < text.size();) {
    const auto byte = static_cast<std::uint8_t>(text[at]);
    if (byte < 0x80) {
      size += line_detail::escaped_byte_size(byte);
      ++at;
      continue;
    }
    const std::size_t length = utf8::lead_of(byte).length;
    if (length == 0 || utf8::sequence_prefix(text, at) != length) return std::nullopt;
    size += length;
    at += length;
  }
  return size;
}

// Appends the pieces of one JSON line to a buffer reserved once. A value that
// has no text form (a tile index out of range) marks the line as failed
// instead of reading outside a table.
class LineWriter {
 public:
  explicit LineWriter(std::size_t expected_size) { line_.reserve(std::max(expected_size, kLineReserve)); }

  // Keys, tags and punctuation, written as given.
  LineWriter& raw(std::string_view text) {
    line_.append(text);
    return *this;
  }

  LineWriter& number(std::integral auto value) {
    std::array<char, kMaxI32Size> digits;
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    line_.append(digits.data(), result.ptr);
    return *this;
  }

  LineWriter& boolean(bool value) { return raw(value ? "true" : "false"); }

  LineWriter& tile(Tile tile) {
    if (!known(tile)) return *this;
    const auto& entry = line_detail::kQuotedTiles[tile.index()];
    line_.append(entry.text.data(), entry.quoted_size);
    return *this;
  }

  LineWriter& tiles(std::span<const Tile> tiles) {
    if (tiles.empty()) return raw("[]");
    line_.push_back('[');
    for (const Tile tile : tiles) {
      if (!known(tile)) return *this;
      const auto& entry = line_detail::kQuotedTiles[tile.index()];
      line_.append(entry.text.data(), entry.quoted_size + 1u);
    }
    line_.back() = ']';  // the last element's comma
    return *this;
  }

  LineWriter& numbers(std::span<const std::int32_t> values) {
    line_.push_back('[');
    for (std::size_t at = 0; at < values.size(); ++at) {
      if (at != 0) line_.push_back(',');
      number(values[at]);
    }
    line_.push_back(']');
    return *this;
  }

  // A quoted JSON string; the caller has checked the text with escaped_size.
  LineWriter& string(std::string_view text) {
    line_.push_back('"');
    std::size_t run_start = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
      const auto byte = static_cast<std::uint8_t>(text[at]);
      const char letter = line_detail::kEscapeLetter[byte];
      if (letter == 0) continue;
      line_.append(text.data() + run_start, at - run_start);
      if (letter == 'u') {
        constexpr std::string_view kHex = "0123456789abcdef";
        const char escape[] = {'\\', 'u', '0', '0', kHex[byte >> 4], kHex[byte & 0xF]};
        line_.append(escape, sizeof escape);
      } else {
        const char escape[] = {'\\', letter};
        line_.append(escape, sizeof escape);
      }
      run_start = at + 1;
    }
    line_.append(text.data() + run_start, text.size() - run_start);
    line_.push_back('"');
    return *this;
  }

  void fail() { failed_ = true; }
  bool failed() const { return failed_; }
  std::string take() && { return std::move(line_); }

 private:
  bool known(Tile tile) {
    if (tile.index() < Tile::kCount) [[likely]]
      return true;
    failed_ = true;
    return false;
  }

  std::string line_;
  bool failed_ = false;
};

}  // namespace paiscribe
