#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "paiscribe/base/seat.hpp"

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

// Collects findings, each stamped with the line and kyoku being checked.
// Past kMostKept, a finding is only counted: a file of a million bad lines
// would otherwise take gigabytes.
class Findings {
 public:
  static constexpr std::size_t kMostKept = 100;

  void at(std::size_t line, std::uint8_t kyoku_index) {
    line_ = line;
    kyoku_index_ = kyoku_index;
  }
  void add(std::optional<Seat> seat, std::string message) {
    if (list_.size() < kMostKept) {
      list_.push_back({line_, kyoku_index_, seat, std::move(message)});
    } else if (left_out_++ == 0) {
      first_left_out_ = {line_, kyoku_index_, seat, {}};
    }
  }
  const std::vector<Finding>& list() const { return list_; }
  std::size_t line() const { return line_; }
  // The findings counted but not kept, and where the first of them was.
  std::size_t left_out() const { return left_out_; }
  const Finding& first_left_out() const { return first_left_out_; }

 private:
  std::vector<Finding> list_;
  std::size_t line_ = 0;
  std::uint8_t kyoku_index_ = kBeforeFirstKyoku;
  std::size_t left_out_ = 0;
  Finding first_left_out_;
};

}  // namespace paiscribe::rules
