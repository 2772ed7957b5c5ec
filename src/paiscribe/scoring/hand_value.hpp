#pragma once

#include <cstdint>
#include <expected>

#include "paiscribe/scoring/winning_hand.hpp"
#include "paiscribe/scoring/yaku_list.hpp"

namespace paiscribe::scoring {

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

}  // namespace paiscribe::scoring
