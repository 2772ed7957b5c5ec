#pragma once

#include <expected>
#include <optional>
#include <string_view>
#include <vector>

#include "paiscribe/io/record_reader.hpp"
#include "paiscribe/pipeline/pipeline_error.hpp"
#include "paiscribe/pipeline/text_lines.hpp"
#include "paiscribe/record/raw_log.hpp"
#include "paiscribe/rules/finding.hpp"
#include "paiscribe/rules/game_checker.hpp"
#include "paiscribe/rules/record_rules.hpp"

namespace paiscribe {

// The findings of mjai lines: those kept, and how many there were in all.
// When some were left out, the last one kept says how many, and where the
// first of them was.
struct LinesFindings {
  std::vector<rules::Finding> kept;
  std::size_t count = 0;

  bool empty() const { return count == 0; }
};

// Checks mjai lines fed one at a time: one game, or several one after
// another, as the command line's -o writes them. A game begins after the
// one before has ended; every finding names its line among all the lines.
// A byte-order mark before the first line, and blank lines after the last,
// are no lines. Each game keeps at most rules::Findings::kMostKept findings
// and all the games at most kMostKept, so that memory stays bounded however
// many lines are bad.
class LinesCheck {
 public:
  static constexpr std::size_t kMostKept = 1000;

  explicit LinesCheck(rules::RecordRules record = {}) : record_(record) {}
  LinesCheck(const LinesCheck&) = delete;
  LinesCheck& operator=(const LinesCheck&) = delete;

  // The next line, without its line feed.
  void feed(std::string_view line);
  // After the last line: the findings.
  LinesFindings finish() &&;

 private:
  void feed_game(std::string_view line);
  void finish_game();
  void keep(rules::Finding finding);

  rules::RecordRules record_;
  std::optional<rules::GameChecker> game_;
  std::size_t game_start_ = 0;  // the lines before the game's first
  std::size_t lines_ = 0;
  CountedLines counted_;
  std::vector<rules::Finding> kept_;
  std::size_t left_out_ = 0;
  rules::Finding first_left_out_;
};

// The findings kept and those counted beyond them, as a check gives them:
// when some were left out, a last finding says how many, and where the
// first of them was.
LinesFindings lines_findings(std::vector<rules::Finding> kept, std::size_t left_out,
                             const rules::Finding& first_left_out);

// The findings of a text of mjai lines, one a line (a last line feed, and a
// carriage return before each line feed, are allowed).
LinesFindings check_lines(std::string_view text, rules::RecordRules record = {});

// The findings of a file of mjai lines at `path` (raw path bytes), plain or
// compressed, read by `reader`; only a regular file is read. Fails as a
// record file fails when it cannot be read.
std::expected<LinesFindings, PipelineError> check_file(std::string_view path, RecordReader& reader);

// What a record shows of its game's rules beyond the lines converted from
// it: its lobby, and its room's rule on open tanyao.
rules::RecordRules rules_of_record(const RawLog& record);

// How a game with findings fails a conversion that checks it: the first
// finding in the detail, all those kept with it.
PipelineError illegal_game(LinesFindings findings);

}  // namespace paiscribe
