#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "paiscribe/scoring/yaku.hpp"

namespace paiscribe::scoring {

// A yaku with its han, or with its count of yakuman.
struct YakuHan {
  Yaku yaku;
  std::uint8_t han;
};

// The yaku of one hand, in the order they were found.
class YakuList {
 public:
  void add(Yaku yaku, int han) {
    if (count_ < items_.size()) items_[count_++] = {yaku, static_cast<std::uint8_t>(han)};
  }
  std::span<const YakuHan> items() const { return {items_.data(), count_}; }
  int total() const {
    int han = 0;
    for (const auto& item : items()) han += item.han;
    return han;
  }
  bool has(Yaku yaku) const {
    for (const auto& item : items()) {
      if (item.yaku == yaku) return true;
    }
    return false;
  }

 private:
  std::array<YakuHan, 24> items_{};
  std::size_t count_ = 0;
};

}  // namespace paiscribe::scoring
