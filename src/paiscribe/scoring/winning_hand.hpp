#pragma once

#include <span>

#include "paiscribe/base/tile.hpp"
#include "paiscribe/scoring/meld.hpp"
#include "paiscribe/scoring/tile_kind.hpp"

namespace paiscribe::scoring {

// The tiles a player wins with.
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
  bool open_tanyao = true;  // tanyao counts in an open hand, as in Tenhou's rooms but those without 喰

  constexpr bool dealer() const { return seat_wind == kEast; }
};

}  // namespace paiscribe::scoring
