#pragma once

#include <cstddef>
#include <expected>
#include <variant>
#include <vector>

#include "paiscribe/conv/conversion_error.hpp"
#include "paiscribe/conv/convert_kyoku.hpp"
#include "paiscribe/conv/invalid_log.hpp"
#include "paiscribe/conv/kyoku_result.hpp"
#include "paiscribe/conv/seat_actions.hpp"
#include "paiscribe/mjai/mjai_lines.hpp"
#include "paiscribe/record/raw_log.hpp"

namespace paiscribe {

// A game's failure: the log is not one the system accepts, its lists make no
// game, or a line cannot be written.
using GameError = std::variant<InvalidLog, ConversionError, SerializeError>;

// What a conversion keeps from game to game, so that log after log needs
// no new room.
struct ConversionStorage {
  std::vector<KyokuResult> results;
  std::vector<Win> wins;
  EverySeatActions seats;

  // Gives back what grew past the needs of a typical game.
  void keep_typical();
};

// One game's lines, a batch at a time. The game is checked as a whole first
// (a three-player rule, each kyoku's result), so a log that is refused gives
// no line at all; then each next() appends the lines of whole kyokus, the
// first batch opening with start_game and the last closing with end_game.
// The record and the storage must outlive it.
class GameConversion {
 public:
  // A real game (some thousand lines) comes in one batch; a longer one in
  // batches of about this many lines, so it is never held whole.
  static constexpr std::size_t kBatchLines = std::size_t{1} << 12;

  static std::expected<GameConversion, InvalidLog> start(const RawLog& log, ConversionStorage& storage);

  bool done() const { return done_; }

  // Appends the next batch to `lines`. The first failure ends the game; a
  // line that cannot be written is reported at the game's end, so that a
  // later failure of the conversion itself wins over it.
  std::expected<void, GameError> next(MjaiLines& lines);

 private:
  GameConversion(const RawLog& log, ConversionStorage& storage) : log_(&log), storage_(&storage) {}

  const RawLog* log_;
  ConversionStorage* storage_;
  std::size_t next_kyoku_ = 0;
  bool started_ = false;
  bool done_ = false;
  bool unwritten_ = false;
};

}  // namespace paiscribe
