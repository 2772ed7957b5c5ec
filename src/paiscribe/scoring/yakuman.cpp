#include "paiscribe/scoring/yakuman.hpp"

#include <algorithm>

namespace paiscribe::scoring {
namespace {

constexpr KindMask kGreens = bit(19) | bit(20) | bit(21) | bit(23) | bit(25) | bit(32);  // 2 3 4 6 8s and F
constexpr KindMask kTerminals = kOrphans & ~kHonors;
constexpr KindMask kDragons = KindMask{7} << kWhite;
constexpr KindMask kWinds = KindMask{15} << kEast;

// 1112345678999 of one suit and one more of the same suit, all concealed.
bool is_nine_gates(const KindCounts& concealed, std::span<const Meld> melds) {
  if (!melds.empty()) return false;
  for (int suit = 0; suit < 3; ++suit) {
    const int base = 9 * suit;
    int total = 0;
    bool shape = true;
    for (int number = 0; number < 9; ++number) {
      const int need = number == 0 || number == 8 ? 3 : 1;
      shape = shape && concealed[base + number] >= need;
      total += concealed[base + number];
    }
    if (shape && total == 14) return true;
  }
  return false;
}

}  // namespace

void add_tile_yakuman(const KindsHeld& all, const WinningHand& hand, YakuList& out) {
  const KindMask kinds = all.at_least[1];
  const KindMask triplets = all.at_least[3];
  if ((kinds & ~kHonors) == 0) out.add(Yaku::Tsuuiisou, 1);
  if ((kinds & ~kGreens) == 0) out.add(Yaku::Ryuuiisou, 1);
  if ((kinds & ~kTerminals) == 0) out.add(Yaku::Chinroutou, 1);
  if (is_nine_gates(hand.concealed, hand.melds)) out.add(Yaku::Chuuren, 1);
  if ((triplets & kDragons) == kDragons) out.add(Yaku::Daisangen, 1);
  const int wind_triplets = count_of(triplets & kWinds);
  if (wind_triplets == 4) out.add(Yaku::Daisuushii, 1);
  if (wind_triplets == 3 && (all.at_least[2] & ~triplets & kWinds) != 0) out.add(Yaku::Shousuushii, 1);
  const auto kans = std::ranges::count_if(hand.melds, [](const Meld& meld) { return meld.is_kan(); });
  if (kans == 4) out.add(Yaku::Suukantsu, 1);
}

bool is_suuankou(const Reading& reading) {
  return std::ranges::all_of(reading.groups, [](const Group& group) {
    return group.shape == SetShape::Triplet && group.concealed;
  });
}

}  // namespace paiscribe::scoring
