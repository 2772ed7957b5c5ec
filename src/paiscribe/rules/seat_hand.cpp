#include "paiscribe/rules/seat_hand.hpp"

namespace paiscribe::rules {

bool SeatHand::holds_all(std::span<const Tile> tiles) const {
  auto left = tiles_;
  for (const Tile tile : tiles) {
    if (left[tile.index()] == 0) return false;
    --left[tile.index()];
  }
  return true;
}

scoring::KindCounts SeatHand::held() const {
  scoring::KindCounts held = kinds_;
  scoring::add_meld_tiles(held, melds());
  return held;
}

int SeatHand::red_fives() const {
  int reds = tiles_[34] + tiles_[35] + tiles_[36];
  for (const scoring::Meld& meld : melds()) reds += meld.reds;
  return reds;
}

scoring::Meld* SeatHand::pon_of(scoring::Kind kind) {
  for (std::size_t at = 0; at < meld_count_; ++at) {
    if (melds_[at].kind == scoring::MeldKind::Pon && melds_[at].first == kind) return &melds_[at];
  }
  return nullptr;
}

}  // namespace paiscribe::rules
