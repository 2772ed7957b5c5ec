#pragma once

#include <array>
#include <cstdint>
#include <expected>
#include <span>

#include "paiscribe/base/tile.hpp"
#include "paiscribe/rules/meld.hpp"
#include "paiscribe/rules/tile_kind.hpp"
#include "paiscribe/rules/yaku.hpp"

namespace paiscribe::rules {

struct WinningHand {
  KindCounts concealed{};  // the winning tile among them
  std::span<const Meld> melds;
  Kind winning = 0;
  int red_fives = 0;  // in the concealed tiles and the melds
};

// What the table knows of the win beyond the tiles.
struct Situation {
  Kind seat_wind = kEast;  // East: the dealer
  Kind round_wind = kEast;
  bool tsumo = false;
  bool riichi = false;
  bool double_riichi = false;
  bool ippatsu = false;
  bool haitei = false;
  bool houtei = false;
  bool rinshan = false;
  bool chankan = false;
  bool first_draw = false;  // a tsumo on the first draw, before any call
  std::span<const Tile> dora_markers{};
  std::span<const Tile> ura_markers{};  // counted only in riichi

  constexpr bool dealer() const { return seat_wind == kEast; }
};

// A yaku with its han, or with its count of yakuman.
struct YakuHan {
  Yaku yaku;
  std::uint8_t han;
};

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

 private:
  std::array<YakuHan, 24> items_{};
  std::size_t count_ = 0;
};

// The best reading of a winning hand, as Tenhou scores it.
struct HandValue {
  YakuList yaku;  // dora last, only when they count
  int han = 0;      // of yaku and dora; 0 for a yakuman
  int fu = 0;       // 0 for a yakuman
  int yakuman = 0;  // how many yakuman stack
};

enum class NoWin : std::uint8_t { Incomplete, NoYaku };

// Reads the hand every way it can be read (each split into sets and each
// place the winning tile can have taken) and keeps the one worth most.
std::expected<HandValue, NoWin> value_hand(const WinningHand& hand, const Situation& situation);

}  // namespace paiscribe::rules
