#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "paiscribe/base/seat.hpp"
#include "paiscribe/mjai/event.hpp"
#include "paiscribe/rules/hand_value.hpp"

namespace paiscribe::rules {

// fu x 2^(han+2) up to a mangan's 2,000, then the limits by han, with no
// rounding up to mangan below them; 8,000 per yakuman.
int base_points(const HandValue& value);

constexpr int round_up_100(int points) { return (points + 99) / 100 * 100; }

// What the other players pay in all, honba and deposits aside.
int hand_points(int base, bool dealer, bool tsumo);

// Who is paid what for one win.
struct WinTerms {
  Seat winner = 0;
  Seat target = 0;  // the winner for a tsumo
  Seat dealer = 0;
  int base = 0;
  int honba = 0;     // counters this winner is paid for (300 each)
  int deposits = 0;  // riichi sticks this winner takes
  std::optional<Seat> liable{};  // pao: who pays for a daisangen or daisuushii
};

// The liable player pays a whole tsumo, and half a ron with its honba.
Deltas win_deltas(const WinTerms& terms);

// "30 fu 3 han = 3,900", "mangan = 2,000/4,000", "2 yakuman = 16,000 all".
std::string describe_value(const HandValue& value, bool dealer, bool tsumo);

// "the hand scores 30 fu 3 han = 3,900 + 300 honba + 1,000 deposits"
std::string explain_win(const WinTerms& terms, const HandValue& value);

// 12,300 with thousands grouped.
std::string grouped(std::int64_t points);

}  // namespace paiscribe::rules
