#pragma once

#include <array>
#include <cassert>
#include <charconv>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <span>
#include <string_view>
#include <type_traits>

#include "paiscribe/base/utf8.hpp"
#include "paiscribe/mjai/tile_names.hpp"

namespace paiscribe {

namespace line_detail {

// A tile's name in quotes with a comma after it: a list element is one copy,
// and a lone tile copies all six bytes and keeps five (or fewer).
struct QuotedTile {
  std::array<char, 6> text;
  std::uint8_t quoted_size;  // without the comma
};
inline constexpr std::size_t kQuotedTileSlot = 6;

inline constexpr std::array<QuotedTile, Tile::kCount> kQuotedTiles = [] {
  std::array<QuotedTile, Tile::kCount> table{};
  for (std::size_t index = 0; index < Tile::kCount; ++index) {
    const std::string_view name = kMjaiNames[index];
    auto& entry = table[index];
    entry.text.fill(',');
    entry.text[0] = '"';
    for (std::size_t at = 0; at < name.size(); ++at) entry.text[at + 1] = name[at];
    entry.text[name.size() + 1] = '"';
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

template <std::integral T>
inline constexpr std::size_t kMaxDigits = std::numeric_limits<T>::digits10 + 1 + std::is_signed_v<T>;

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

// A line is put twice through the same code: once into a LineSize, which adds
// up the most each value can take and checks that every value has a text
// form, then into a LineCursor over a buffer of that size. The bound cannot
// drift from what is written, and the writing needs no checks.

class LineSize {
 public:
  constexpr LineSize& raw(std::string_view text) { return add(text.size()); }
  template <std::integral T>
  constexpr LineSize& number(T) { return add(line_detail::kMaxDigits<T>); }
  constexpr LineSize& boolean(bool) { return add(5); }
  constexpr LineSize& tile(Tile tile) {
    check(tile);
    return add(line_detail::kQuotedTileSlot);
  }
  constexpr LineSize& tiles(std::span<const Tile> tiles) {
    for (const Tile tile : tiles) check(tile);
    return add(2 + tiles.size() * line_detail::kQuotedTileSlot);
  }
  constexpr LineSize& numbers(std::span<const std::int32_t> values) {
    return add(2 + values.size() * (line_detail::kMaxDigits<std::int32_t> + 1));
  }
  constexpr LineSize& string(std::string_view text) {
    const auto content = escaped_size(text);
    if (!content) valid_ = false;
    return add(2 + content.value_or(0));
  }

  constexpr std::size_t total() const { return total_; }
  constexpr bool valid() const { return valid_; }

 private:
  constexpr LineSize& add(std::size_t size) {
    total_ += size;
    return *this;
  }
  constexpr void check(Tile tile) {
    if (tile.index() >= Tile::kCount) [[unlikely]]
      valid_ = false;
  }

  std::size_t total_ = 0;
  bool valid_ = true;
};

class LineCursor {
 public:
  LineCursor(char* begin, std::size_t capacity) : at_(begin), end_(begin + capacity) {}

  LineCursor& raw(std::string_view text) { return copy(text.data(), text.size()); }

  template <std::integral T>
  LineCursor& number(T value) {
    // Seats and counters are mostly one digit (a negative value turns huge here).
    if (static_cast<std::make_unsigned_t<T>>(value) <= 9) return put(static_cast<char>('0' + value));
    assert(end_ - at_ >= static_cast<std::ptrdiff_t>(line_detail::kMaxDigits<T>));
    at_ = std::to_chars(at_, at_ + line_detail::kMaxDigits<T>, value).ptr;
    return *this;
  }

  LineCursor& boolean(bool value) { return value ? raw("true") : raw("false"); }

  LineCursor& tile(Tile tile) {
    if (!has_name(tile)) [[unlikely]]
      return *this;
    const auto& entry = line_detail::kQuotedTiles[tile.index()];
    copy(entry.text.data(), line_detail::kQuotedTileSlot);
    at_ -= line_detail::kQuotedTileSlot - entry.quoted_size;
    return *this;
  }

  LineCursor& tiles(std::span<const Tile> tiles) {
    if (tiles.empty()) return raw("[]");
    put('[');
    for (const Tile tile : tiles) {
      if (!has_name(tile)) [[unlikely]]
        return *this;
      const auto& entry = line_detail::kQuotedTiles[tile.index()];
      copy(entry.text.data(), line_detail::kQuotedTileSlot);
      at_ -= line_detail::kQuotedTileSlot - entry.quoted_size - 1;
    }
    at_[-1] = ']';  // over the last element's comma
    return *this;
  }

  LineCursor& numbers(std::span<const std::int32_t> values) {
    put('[');
    for (std::size_t index = 0; index < values.size(); ++index) {
      if (index != 0) put(',');
      number(values[index]);
    }
    return put(']');
  }

  // Plain runs are copied whole; only the bytes JSON wants escaped are rewritten.
  LineCursor& string(std::string_view text) {
    put('"');
    std::size_t run_start = 0;
    for (std::size_t index = 0; index < text.size(); ++index) {
      const auto byte = static_cast<std::uint8_t>(text[index]);
      const char letter = line_detail::kEscapeLetter[byte];
      if (letter == 0) continue;
      copy(text.data() + run_start, index - run_start);
      if (letter == 'u') {
        constexpr std::string_view kHex = "0123456789abcdef";
        const char escape[] = {'\\', 'u', '0', '0', kHex[byte >> 4], kHex[byte & 0xF]};
        copy(escape, sizeof escape);
      } else {
        const char escape[] = {'\\', letter};
        copy(escape, sizeof escape);
      }
      run_start = index + 1;
    }
    copy(text.data() + run_start, text.size() - run_start);
    return put('"');
  }

  char* position() const { return at_; }
  // Whether every tile had a name; the line is left unfinished at the first that did not.
  bool valid() const { return valid_; }

 private:
  LineCursor& put(char byte) { return copy(&byte, 1); }

  bool has_name(Tile tile) {
    if (tile.index() < Tile::kCount) [[likely]]
      return true;
    valid_ = false;
    return false;
  }

  LineCursor& copy(const char* bytes, std::size_t size) {
    assert(static_cast<std::size_t>(end_ - at_) >= size);
    std::memcpy(at_, bytes, size);
    at_ += size;
    return *this;
  }

  char* at_;
  [[maybe_unused]] char* end_;
  bool valid_ = true;
};

// A whole line made at compile time with the calls a LineCursor takes, for
// tables of the commonest lines. Only the members those lines hold are here.
template <std::size_t kSlot>
struct PrintedLine {
  std::array<char, kSlot> text{};
  std::uint8_t size = 0;

  constexpr PrintedLine& raw(std::string_view part) {
    for (const char c : part) text[size++] = c;
    return *this;
  }
  constexpr PrintedLine& number(std::uint8_t value) {
    if (value >= 100) text[size++] = static_cast<char>('0' + value / 100);
    if (value >= 10) text[size++] = static_cast<char>('0' + value / 10 % 10);
    text[size++] = static_cast<char>('0' + value % 10);
    return *this;
  }
  constexpr PrintedLine& boolean(bool value) { return raw(value ? "true" : "false"); }
  constexpr PrintedLine& tile(Tile tile) { return raw("\"").raw(mjai_name(tile)).raw("\""); }
};

}  // namespace paiscribe
