#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "paiscribe/base/seat.hpp"
#include "paiscribe/base/tile.hpp"
#include "paiscribe/mjai/event.hpp"

namespace paiscribe::rules {

// What a kyoku index holds before the first start_kyoku.
inline constexpr std::uint8_t kBeforeFirstKyoku = 0xFF;

// One thing wrong with a game: where, and what, as a full sentence.
struct Finding {
  std::size_t line = 0;  // 1-based
  std::uint8_t kyoku_index = kBeforeFirstKyoku;  // 0 = East 1, 4 = South 1, ...
  std::optional<Seat> seat;
  std::string message;
  friend bool operator==(const Finding&, const Finding&) = default;
};

// "line 412, East 3, seat 2: <message>"
std::string format_finding(const Finding& finding);

// "East 3"; "West 1" after North 4 wraps round to East.
std::string kyoku_name(std::uint8_t kyoku_index);

// Collects findings, each stamped with the line and kyoku being checked.
class Findings {
 public:
  void at(std::size_t line, std::uint8_t kyoku_index) {
    line_ = line;
    kyoku_index_ = kyoku_index;
  }
  void add(std::optional<Seat> seat, std::string message) {
    list_.push_back({line_, kyoku_index_, seat, std::move(message)});
  }
  const std::vector<Finding>& list() const { return list_; }
  std::size_t line() const { return line_; }

 private:
  std::vector<Finding> list_;
  std::size_t line_ = 0;
  std::uint8_t kyoku_index_ = kBeforeFirstKyoku;
};

// Pieces of messages.
std::string tile_name(Tile tile);

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

}  // namespace paiscribe::rules
