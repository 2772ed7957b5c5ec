#include "paiscribe/scoring/points.hpp"

#include <algorithm>

namespace paiscribe::scoring {
namespace {

constexpr int kMangan = 2000;

}  // namespace

int base_points(const HandValue& value) {
  if (value.yakuman > 0) return 8000 * value.yakuman;
  if (value.han >= 13) return 8000;
  if (value.han >= 11) return 6000;
  if (value.han >= 8) return 4000;
  if (value.han >= 6) return 3000;
  if (value.han >= 5) return kMangan;
  return std::min(kMangan, value.fu << (value.han + 2));
}

int hand_points(int base, bool dealer, bool tsumo) {
  if (!tsumo) return ron_payment(base, dealer);
  if (dealer) return 3 * tsumo_payment(base, true, false);
  return tsumo_payment(base, false, true) + 2 * tsumo_payment(base, false, false);
}

Limit limit_of(const HandValue& value) {
  if (value.yakuman > 0) return Limit::Yakuman;
  switch (base_points(value)) {
    case 8000: return Limit::KazoeYakuman;
    case 6000: return Limit::Sanbaiman;
    case 4000: return Limit::Baiman;
    case 3000: return Limit::Haneman;
    case kMangan: return Limit::Mangan;
    default: return Limit::None;
  }
}

Deltas win_deltas(const WinTerms& terms) {
  Deltas deltas{};
  const bool dealer = terms.winner == terms.dealer;
  const bool liable_elsewhere = terms.liable && *terms.liable != terms.target;
  if (terms.winner != terms.target) {
    const int points = ron_payment(terms.base, dealer);
    const int honba = 300 * terms.honba;
    if (liable_elsewhere) {
      deltas[*terms.liable] -= points / 2 + honba;
      deltas[terms.target] -= points / 2;
    } else {
      deltas[terms.target] -= points + honba;
    }
    deltas[terms.winner] += points + honba;
  } else {
    for (Seat seat = 0; seat < 4; ++seat) {
      if (seat == terms.winner) continue;
      const int pays = tsumo_payment(terms.base, dealer, seat == terms.dealer) + 100 * terms.honba;
      deltas[terms.liable ? *terms.liable : seat] -= pays;
      deltas[terms.winner] += pays;
    }
  }
  deltas[terms.winner] += 1000 * terms.deposits;
  return deltas;
}

}  // namespace paiscribe::scoring
