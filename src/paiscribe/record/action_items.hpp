#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "paiscribe/base/tile.hpp"
#include "paiscribe/record/tile_code.hpp"

namespace paiscribe {

// One entry of a take or discard list: a tile, a number that is no tile
// code (60 marks a discard of the drawn tile), or call/riichi notation.
// A view into its list, which keeps the text.
class ActionItem {
 public:
  // Sorted once here, so that each question after is one comparison.
  explicit ActionItem(std::uint8_t byte) : kind_(Kind::kNumber), value_(byte) {
    if (const auto tile = tile_from_code(byte)) {
      kind_ = Kind::kTile;
      value_ = tile->index();
    }
  }
  explicit ActionItem(std::string_view text) : text_(text), kind_(Kind::kText), value_(0) {}

  std::optional<Tile> tile() const {
    if (kind_ != Kind::kTile) return std::nullopt;
    return Tile(value_);
  }
  std::optional<std::uint8_t> number() const {
    if (kind_ != Kind::kNumber) return std::nullopt;
    return value_;
  }
  std::optional<std::string_view> text() const {
    if (kind_ != Kind::kText) return std::nullopt;
    return text_;
  }

 private:
  enum class Kind : std::uint8_t { kTile, kNumber, kText };

  std::string_view text_;
  Kind kind_;
  std::uint8_t value_;  // the tile's index, or the number
};

// A take or discard list as bytes, read front to back: a number is its own
// byte, so it is a tile exactly when the byte is a tile code. Byte 0xFF
// opens the two rarer items: 0xFF 0x00 is the number 255, and 0xFF, then the
// text's length plus one (7 bits a byte, low first), then its bytes, is a
// text. A list of a few numbers fits in the string itself.
class ActionItems {
 public:
  class Iterator;

  // The first byte of each of the rarer items; any other byte is a number.
  static constexpr std::uint8_t kEscape = 0xFF;

  void add(std::uint8_t number) {
    if (number == kEscape) {
      bytes_ += static_cast<char>(kEscape);
      number = 0;
    }
    bytes_ += static_cast<char>(number);
    ++count_;
  }
  void add(std::string_view text) {
    bytes_ += static_cast<char>(kEscape);
    for (std::size_t rest = text.size() + 1; rest != 0; rest >>= 7)
      bytes_ += static_cast<char>((rest & 0x7F) | (rest > 0x7F ? 0x80 : 0));
    bytes_ += text;
    ++count_;
  }
  void reserve(std::size_t count) { bytes_.reserve(count); }
  void clear() {
    bytes_.clear();
    count_ = 0;
  }

  std::size_t size() const { return count_; }
  // The bytes its items take: no text is longer.
  std::size_t byte_size() const { return bytes_.size(); }
  // The bytes its buffer holds, in use or not.
  std::size_t reserved_bytes() const { return bytes_.capacity(); }
  Iterator begin() const;
  Iterator end() const;
  // Walks the list up to the item: for failures and tests, not for loops.
  ActionItem operator[](std::size_t index) const;

 private:
  std::string bytes_;
  std::size_t count_ = 0;
};

class ActionItems::Iterator {
 public:
  using value_type = ActionItem;
  using difference_type = std::ptrdiff_t;

  Iterator() = default;
  // The item's first byte: its code when it is a number (not kEscape).
  std::uint8_t first_byte() const { return static_cast<std::uint8_t>(*at_); }
  ActionItem operator*() const {
    const auto byte = static_cast<std::uint8_t>(*at_);
    if (byte != kEscape) return ActionItem(byte);
    const char* after = at_ + 1;
    const std::size_t length = read_length(after);
    if (length == 0) return ActionItem(std::uint8_t{0xFF});
    return ActionItem(std::string_view(after, length - 1));
  }
  Iterator& operator++() {
    if (static_cast<std::uint8_t>(*at_++) != kEscape) return *this;
    const std::size_t length = read_length(at_);
    at_ += length == 0 ? 0 : length - 1;
    return *this;
  }
  Iterator operator++(int) {
    Iterator before = *this;
    ++*this;
    return before;
  }
  friend bool operator==(const Iterator&, const Iterator&) = default;

 private:
  friend class ActionItems;
  explicit Iterator(const char* at) : at_(at) {}

  // The text's length plus one (0 for the number 255); moves past it.
  static std::size_t read_length(const char*& at) {
    std::size_t length = 0;
    for (unsigned shift = 0;; shift += 7) {
      const auto byte = static_cast<std::uint8_t>(*at++);
      length |= std::size_t{byte & 0x7Fu} << shift;
      if ((byte & 0x80) == 0) return length;
    }
  }

  const char* at_ = nullptr;
};

inline ActionItems::Iterator ActionItems::begin() const { return Iterator(bytes_.data()); }
inline ActionItems::Iterator ActionItems::end() const { return Iterator(bytes_.data() + bytes_.size()); }
inline ActionItem ActionItems::operator[](std::size_t index) const {
  Iterator item = begin();
  for (; index != 0; --index) ++item;
  return *item;
}

}  // namespace paiscribe
