#pragma once

// How findings are worded: the sentence that places a finding, and the
// pieces its messages are made of.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "paiscribe/base/kyoku_name.hpp"
#include "paiscribe/base/tile.hpp"
#include "paiscribe/rules/finding.hpp"
#include "paiscribe/scoring/hand_value.hpp"
#include "paiscribe/scoring/points.hpp"

namespace paiscribe::rules {

// "line 412, East 3, seat 2: <message>"
std::string format_finding(const Finding& finding);
// The same from its parts: the kyoku by name, none before the first.
std::string finding_text(std::uint64_t line, std::optional<std::string_view> kyoku, std::optional<std::int64_t> seat,
                         std::string_view message);

std::string tile_name(Tile tile);
// "3m 4m 5mr"
std::string tile_names(std::span<const Tile> tiles);

// 12,300 with thousands grouped.
std::string grouped(std::int64_t points);

// "[-1000, 3000, -1000, -1000]": deltas, or scores.
template <typename Number>
std::string seats_numbers(const std::array<Number, 4>& numbers) {
  std::string text = "[";
  for (std::size_t seat = 0; seat < numbers.size(); ++seat) {
    if (seat != 0) text += ", ";
    text += std::to_string(numbers[seat]);
  }
  return text + "]";
}

// "0, 2": the seats marked, or "none".
std::string seats_listed(std::span<const bool, 4> seats);

// "30 fu 3 han = 3,900", "mangan = 2,000/4,000", "2 yakuman = 16,000 all".
std::string describe_value(const scoring::HandValue& value, bool dealer, bool tsumo);

// "the hand scores 30 fu 3 han = 3,900 + 300 honba + 1,000 deposits"
std::string explain_win(const scoring::WinTerms& terms, const scoring::HandValue& value);

}  // namespace paiscribe::rules
