#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "paiscribe/base/tile.hpp"
#include "paiscribe/tenhou/tile_code.hpp"

namespace paiscribe {

// One entry of a take or discard list: a tile, a number that is no tile
// code (60 marks a discard of the drawn tile), or call/riichi notation.
// A view into its list, which keeps the text.
class ActionItem {
 public:
  std::optional<Tile> tile() const {
    if (is_text_) return std::nullopt;
    const auto tile = tile_from_code(byte_);
    return tile ? std::optional(*tile) : std::nullopt;
  }
  std::optional<std::uint8_t> number() const {
    if (is_text_ || tile_from_code(byte_)) return std::nullopt;
    return byte_;
  }
  std::optional<std::string_view> text() const {
    if (!is_text_) return std::nullopt;
    return text_;
  }

 private:
  friend class ActionItems;
  explicit ActionItem(std::uint8_t byte) : byte_(byte), is_text_(false) {}
  explicit ActionItem(std::string_view text) : text_(text), byte_(0), is_text_(true) {}

  std::string_view text_;
  std::uint8_t byte_;
  bool is_text_;
};

// A take or discard list, four bytes an item: a number is its own byte, so
// it is a tile exactly when the byte is a tile code; a text is 256 plus its
// index among the list's texts, which are few.
class ActionItems {
 public:
  void add(std::uint8_t number) { codes_.push_back(number); }
  void add(std::string_view text) {
    codes_.push_back(static_cast<std::uint32_t>(kFirstText + texts_.size()));
    texts_.emplace_back(text);
  }
  void reserve(std::size_t count) { codes_.reserve(count); }
  void clear() {
    codes_.clear();
    texts_.clear();
  }

  std::size_t size() const { return codes_.size(); }
  ActionItem operator[](std::size_t index) const {
    const std::uint32_t code = codes_[index];
    if (code >= kFirstText) return ActionItem(std::string_view(texts_[code - kFirstText]));
    return ActionItem(static_cast<std::uint8_t>(code));
  }

 private:
  static constexpr std::uint32_t kFirstText = 0x100;

  std::vector<std::uint32_t> codes_;
  std::vector<std::string> texts_;
};

}  // namespace paiscribe
