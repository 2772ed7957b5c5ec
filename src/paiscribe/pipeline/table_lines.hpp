#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "paiscribe/rules/finding.hpp"
#include "paiscribe/rules/game_checker.hpp"
#include "paiscribe/table/table_replay.hpp"

namespace paiscribe {

// A win as a viewer shows it: the hand as the scorer values it, and what it pays.
struct ShownWin {
  rules::ScoredWin record;  // its line counted among all the lines
  bool dealer = false;
  int points = 0;        // what the others pay in all, honba and deposits aside
  std::string summary;   // "30 fu 3 han = 3,900", "mangan = 2,000/4,000"
};

// A kyoku's lines: from its start_kyoku to its end_kyoku, or to its last
// line when the end is missing.
struct ViewedKyoku {
  std::uint8_t index = 0;  // 0 for East 1, as findings count kyokus
  std::uint8_t honba = 0;
  std::size_t first_line = 0;
  std::size_t last_line = 0;
};

// A hora or ryukyoku line and what it changed on the table.
struct ShownResult {
  std::size_t line = 0;
  std::string_view event;  // "hora" or "ryukyoku"
  std::optional<Seat> actor;
  std::array<std::int64_t, 4> deltas{};
};

// One game among the lines, everything in it at its line among all the lines.
struct ViewedGame {
  std::size_t first_line = 1;  // 1-based
  std::size_t line_count = 0;
  std::array<std::string, 4> names;
  std::vector<ViewedKyoku> kyokus;
  std::vector<ShownResult> results;
  std::vector<rules::Finding> findings;
  std::vector<ShownWin> wins;
};

// Follows mjai lines fed one at a time, one game or several one after
// another as LinesCheck splits them: the table as each line leaves it, and
// what the rules replay finds and scores in each game.
class TableLines {
 public:
  TableLines() = default;
  TableLines(const TableLines&) = delete;
  TableLines& operator=(const TableLines&) = delete;

  // The next line, without its line feed; table() is then as it leaves it.
  void feed(std::string_view line);
  const table::TableState& table() const { return table_.state(); }
  // Which game the last line belongs to, from 0.
  std::size_t game_index() const { return games_.size(); }
  // After the last line: every game.
  std::vector<ViewedGame> finish() &&;

 private:
  void finish_game();
  void note_kyoku(const std::array<std::int64_t, 4>& scores_before);
  void close_kyoku(std::size_t last_line);
  void note_win();

  table::TableReplay table_;
  std::optional<ViewedKyoku> kyoku_;  // the kyoku open at the last line
  std::optional<rules::GameChecker> checker_;
  ViewedGame game_;
  std::vector<ViewedGame> games_;
  std::size_t lines_ = 0;
};

}  // namespace paiscribe
