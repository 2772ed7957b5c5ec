#include "paiscribe/rules/points.hpp"

#include <algorithm>
#include <cstdlib>

namespace paiscribe::rules {
namespace {

constexpr int kMangan = 2000;

int share(int base, int factor) { return round_up_100(base * factor); }

std::string limit_name(const HandValue& value, int base) {
  if (value.yakuman > 1) return std::to_string(value.yakuman) + " yakuman";
  if (value.yakuman == 1) return "yakuman";
  if (base == 8000) return "kazoe yakuman";
  if (base == 6000) return "sanbaiman";
  if (base == 4000) return "baiman";
  if (base == 3000) return "haneman";
  if (base == kMangan) return "mangan";
  return std::to_string(value.fu) + " fu " + std::to_string(value.han) + " han";
}

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
  if (!tsumo) return share(base, dealer ? 6 : 4);
  return dealer ? 3 * share(base, 2) : share(base, 2) + 2 * share(base, 1);
}

Deltas win_deltas(const WinTerms& terms) {
  Deltas deltas{};
  const bool dealer = terms.winner == terms.dealer;
  const bool liable_elsewhere = terms.liable && *terms.liable != terms.target;
  if (terms.winner != terms.target) {
    const int points = share(terms.base, dealer ? 6 : 4);
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
      const int pays = share(terms.base, dealer || seat == terms.dealer ? 2 : 1) + 100 * terms.honba;
      deltas[terms.liable ? *terms.liable : seat] -= pays;
      deltas[terms.winner] += pays;
    }
  }
  deltas[terms.winner] += 1000 * terms.deposits;
  return deltas;
}

std::string grouped(std::int64_t points) {
  const std::string digits = std::to_string(points < 0 ? 0 - static_cast<std::uint64_t>(points) : static_cast<std::uint64_t>(points));
  std::string text = points < 0 ? "-" : "";
  for (std::size_t at = 0; at < digits.size(); ++at) {
    if (at != 0 && (digits.size() - at) % 3 == 0) text += ',';
    text += digits[at];
  }
  return text;
}

std::string describe_value(const HandValue& value, bool dealer, bool tsumo) {
  const int base = base_points(value);
  std::string text = limit_name(value, base) + " = ";
  if (!tsumo) return text + grouped(share(base, dealer ? 6 : 4));
  if (dealer) return text + grouped(share(base, 2)) + " all";
  return text + grouped(share(base, 1)) + "/" + grouped(share(base, 2));
}

std::string explain_win(const WinTerms& terms, const HandValue& value) {
  const bool tsumo = terms.winner == terms.target;
  std::string text = "the hand scores " + describe_value(value, terms.winner == terms.dealer, tsumo);
  if (terms.honba > 0) text += " + " + grouped((tsumo ? 100 : 300) * terms.honba) + (tsumo ? " honba each" : " honba");
  if (terms.deposits > 0) text += " + " + grouped(1000 * terms.deposits) + " deposits";
  if (terms.liable) text += ", seat " + std::to_string(*terms.liable) + " liable (pao)";
  return text;
}

}  // namespace paiscribe::rules
