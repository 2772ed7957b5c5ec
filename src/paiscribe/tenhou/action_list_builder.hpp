#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "paiscribe/tenhou/raw_log.hpp"
#include "paiscribe/tenhou/tile_code.hpp"

namespace paiscribe {

// One take or discard list as it is read: a number as itself, a string as
// 256 plus its index among the texts. The items are built once the list's
// length is known, so that each list is allocated once, at its exact size.
class ActionListBuilder {
 public:
  void add(std::uint8_t number) { codes_.push_back(number); }
  void add(std::string_view text) {
    codes_.push_back(static_cast<std::uint32_t>(kFirstText + texts_.size()));
    texts_.emplace_back(text);
  }

  // A number that is a tile code is the tile.
  void finish_into(std::vector<ActionItem>& items) {
    items.reserve(codes_.size());
    for (const std::uint32_t code : codes_) {
      if (code >= kFirstText) items.emplace_back(ActionItem::Text{std::move(texts_[code - kFirstText])});
      else if (const auto tile = tile_from_code(static_cast<std::uint8_t>(code))) items.emplace_back(*tile);
      else items.emplace_back(ActionItem::Number{static_cast<std::uint8_t>(code)});
    }
    codes_.clear();
    texts_.clear();
  }

 private:
  static constexpr std::uint32_t kFirstText = 0x100;

  std::vector<std::uint32_t> codes_;
  std::vector<std::string> texts_;
};

}  // namespace paiscribe
