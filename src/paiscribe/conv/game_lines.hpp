#pragma once

#include <optional>
#include <string>

#include "paiscribe/mjai/mjai_lines.hpp"

namespace paiscribe {

// Where a game's lines go as it is replayed. A line that cannot be written
// (a value without a text form) is remembered, and what follows is dropped:
// the game then fails at its end, unless its conversion fails first.
class GameLines {
 public:
  // `failed`: a line of the game before could not be written.
  explicit GameLines(MjaiLines& lines, bool failed = false) : lines_(lines), failed_(failed) {}

  void add(const CommonLine& line) {
    if (!failed_) lines_.add(line);
  }
  void add(const Event& event) {
    if (!failed_ && !lines_.add(event)) failed_ = true;
  }
  void add_hora(const HoraParts& hora) {
    if (!failed_ && !lines_.add_hora(hora)) failed_ = true;
  }
  void add_start_game(std::span<const std::string, 4> names, std::uint8_t kyoku_first, bool aka_flag) {
    if (!failed_ && !lines_.add_start_game(names, kyoku_first, aka_flag)) failed_ = true;
  }

  bool failed() const { return failed_; }

 private:
  MjaiLines& lines_;
  bool failed_;
};

}  // namespace paiscribe
