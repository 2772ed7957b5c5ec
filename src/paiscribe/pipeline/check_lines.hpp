#pragma once

#include <expected>
#include <optional>
#include <string_view>
#include <vector>

#include "paiscribe/io/record_reader.hpp"
#include "paiscribe/pipeline/pipeline_error.hpp"
#include "paiscribe/rules/finding.hpp"
#include "paiscribe/rules/game_checker.hpp"

namespace paiscribe {

// Checks mjai lines fed one at a time: one game, or several one after
// another, as the command line's -o writes them. A game begins after the
// one before has ended; every finding names its line among all the lines.
class LinesCheck {
 public:
  LinesCheck() = default;
  LinesCheck(const LinesCheck&) = delete;
  LinesCheck& operator=(const LinesCheck&) = delete;

  // The next line, without its line feed.
  void feed(std::string_view line);
  // After the last line: every finding.
  std::vector<rules::Finding> finish() &&;

 private:
  void finish_game();

  std::optional<rules::GameChecker> game_;
  std::size_t game_start_ = 0;  // the lines before the game's first
  std::size_t lines_ = 0;
  std::vector<rules::Finding> findings_;
};

// The findings of a text of mjai lines, one a line (a last line feed, and a
// carriage return before each line feed, are allowed).
std::vector<rules::Finding> check_lines(std::string_view text);

// The findings of a file of mjai lines at `path` (raw path bytes), plain or
// compressed, read by `reader`; only a regular file is read. Fails as a
// record file fails when it cannot be read.
std::expected<std::vector<rules::Finding>, PipelineError> check_file(std::string_view path, RecordReader& reader);

// How a game with findings fails a conversion that checks it: the first
// finding in the detail, all of them kept.
PipelineError illegal_game(std::vector<rules::Finding> findings);

}  // namespace paiscribe
