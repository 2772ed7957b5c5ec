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
  friend class ActionItems;
  enum class Kind : std::uint8_t { kTile, kNumber, kText };
  // Sorted once here, so that each question after is one comparison.
  explicit ActionItem(std::uint8_t byte) : kind_(Kind::kNumber), value_(byte) {
    if (const auto tile = tile_from_code(byte)) {
      kind_ = Kind::kTile;
      value_ = tile->index();
    }
  }
  explicit ActionItem(std::string_view text) : text_(text), kind_(Kind::kText), value_(0) {}

  std::string_view text_;
  Kind kind_;
  std::uint8_t value_;  // the tile's index, or the number
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
