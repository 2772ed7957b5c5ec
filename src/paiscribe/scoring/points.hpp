#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "paiscribe/base/seat.hpp"
#include "paiscribe/scoring/hand_value.hpp"

namespace paiscribe::scoring {

// fu x 2^(han+2) up to a mangan's 2,000, then the limits by han, with no
// rounding up to mangan below them; 8,000 per yakuman.
int base_points(const HandValue& value);

constexpr int round_up_100(int points) { return (points + 99) / 100 * 100; }

// What one player pays for a hand, honba aside: on ron the discarder pays
// it all; on tsumo the dealer pays twice what each other player does, and
// when the dealer wins each of the three pays alike.
constexpr int ron_payment(int base, bool dealer_wins) { return round_up_100(base * (dealer_wins ? 6 : 4)); }
constexpr int tsumo_payment(int base, bool dealer_wins, bool dealer_pays) {
  return round_up_100(base * (dealer_wins || dealer_pays ? 2 : 1));
}

// What the other players pay in all, honba and deposits aside.
int hand_points(int base, bool dealer, bool tsumo);

// The limit a hand reaches by its base points: none below mangan.
enum class Limit : std::uint8_t { None, Mangan, Haneman, Baiman, Sanbaiman, KazoeYakuman, Yakuman };
Limit limit_of(const HandValue& value);

inline constexpr std::array<std::string_view, 7> kLimitNames = {
    "", "mangan", "haneman", "baiman", "sanbaiman", "kazoe yakuman", "yakuman"};
constexpr std::string_view limit_name(Limit limit) { return kLimitNames[static_cast<std::size_t>(limit)]; }

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

}  // namespace paiscribe::scoring
