#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "paiscribe/base/tile.hpp"
#include "paiscribe/scoring/meld.hpp"
#include "paiscribe/scoring/tile_kind.hpp"

namespace paiscribe::rules {

// One player's tiles: the concealed ones, told apart down to the red fives,
// and the melds laid down.
class SeatHand {
 public:
  void add(Tile tile) {
    ++tiles_[tile.index()];
    ++kinds_[scoring::kind_of(tile)];
  }
  // False, and nothing taken, when the hand holds no such tile.
  bool remove(Tile tile) {
    if (tiles_[tile.index()] == 0) return false;
    --tiles_[tile.index()];
    --kinds_[scoring::kind_of(tile)];
    return true;
  }
  int count(Tile tile) const { return tiles_[tile.index()]; }
  // Whether the hand holds every tile of `tiles`, copies counted.
  bool holds_all(std::span<const Tile> tiles) const;

  const scoring::KindCounts& kinds() const { return kinds_; }
  // Concealed and melded tiles by kind.
  scoring::KindCounts held() const;
  int red_fives() const;

  std::span<const scoring::Meld> melds() const { return {melds_.data(), meld_count_}; }
  void add_meld(const scoring::Meld& meld) { melds_[meld_count_++] = meld; }
  bool has_room_for_meld() const { return meld_count_ < melds_.size(); }
  scoring::Meld* pon_of(scoring::Kind kind);
  bool closed() const { return scoring::all_closed(melds()); }

 private:
  std::array<std::uint8_t, Tile::kCount> tiles_{};
  scoring::KindCounts kinds_{};
  std::array<scoring::Meld, 4> melds_{};
  std::size_t meld_count_ = 0;
};

}  // namespace paiscribe::rules
