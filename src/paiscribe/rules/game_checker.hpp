#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "paiscribe/mjai/read_event.hpp"
#include "paiscribe/rules/finding.hpp"
#include "paiscribe/rules/kyoku_checker.hpp"
#include "paiscribe/rules/record_rules.hpp"

namespace paiscribe::rules {

// Checks one four-player game's mjai lines, fed in order, under the rules
// Tenhou plays: the stream's shape, the tiles, the turns, the hands and
// every score. Any input gives findings, never an exception. The checker
// stays where it was made: its kyoku replay points into it.
//
// What the lines cannot show is taken from what they do show, or from the
// record they were converted from: the starting points are the first
// kyoku's, and a game that starts elsewhere than Tenhou's 25,000 (or whose
// record names a lobby of its own rules) may keep or pass the deal after
// the dealer wins or is tenpai, as its lobby's rules say. Where the room's
// rule on open tanyao is not known, a win may be scored either way.
class GameChecker {
 public:
  explicit GameChecker(RecordRules record = {}) : record_(record) {}
  GameChecker(const GameChecker&) = delete;
  GameChecker& operator=(const GameChecker&) = delete;

  // The next line, without its line feed.
  void feed(std::string_view line) {
    feed(line, [](const auto&) {});
  }
  // The same, then hands the line's event, once checked, to `also`: one
  // reading of the line for the checker and whoever follows the game with it.
  template <class Also>
  void feed(std::string_view line, Also&& also) {
    findings_.at(++line_, kyoku_index_);
    const auto read = reader_.read_with(line, [&](const auto& e) {
      if (stage_ == Stage::Ended) return findings_.add(std::nullopt, "a line after end_game");
      on(e);
      also(e);
    });
    if (!read) not_an_event(read.error());
  }
  // After the last line: reports a game cut short.
  void finish();
  // Whether end_game has come.
  bool ended() const { return stage_ == Stage::Ended; }

  // At most Findings::kMostKept; the rest are counted.
  const std::vector<Finding>& findings() const { return findings_.list(); }
  std::size_t left_out() const { return findings_.left_out(); }
  const Finding& first_left_out() const { return findings_.first_left_out(); }
  // Each hora line's hand as the rules score it, in order (those that are
  // complete and have a yaku).
  std::span<const ScoredWin> wins() const { return wins_; }
  // Each ryukyoku line's draw as the rules rule it, in order (those that apply).
  std::span<const RuledDraw> draws() const { return draws_; }

 private:
  // Skipping: the lines of a kyoku that could not be opened, passed over to
  // its end rather than each reported again.
  enum class Stage : std::uint8_t { BeforeStart, BetweenKyokus, InKyoku, Skipping, Ended };

  void on(const ev::None& e);
  void on(const ev::StartGame& e);
  void on(const ev::StartKyoku& e);
  void on(const ev::EndKyoku& e);
  void on(const ev::EndGame& e);
  template <typename Play>
  void on(const Play& e) {
    if (stage_ == Stage::InKyoku) return kyoku_->on(e);
    if (stage_ == Stage::Skipping) return;
    play_outside_kyoku();
  }
  void play_outside_kyoku();
  void not_an_event(const ReadError& error);
  void skip_kyoku();
  bool check_start_fields(const ev::StartKyoku& e);
  void check_first_kyoku(const ev::StartKyoku& e);
  void check_continuity(const ev::StartKyoku& e);

  RecordRules record_;
  bool dealer_repeats_judged_ = true;  // Tenhou's own rules hold: the first kyoku shows 25,000 each
  EventReader reader_;
  Findings findings_;
  std::vector<ScoredWin> wins_;
  std::vector<RuledDraw> draws_;
  std::optional<KyokuChecker> kyoku_;
  std::optional<ev::StartKyoku> last_start_;
  KyokuTally last_tally_;
  Stage stage_ = Stage::BeforeStart;
  bool aka_ = true;
  std::size_t line_ = 0;
  std::uint8_t kyoku_index_ = kBeforeFirstKyoku;
};

// The findings of one game's lines (each without its line feed).
std::vector<Finding> check_game(std::span<const std::string_view> lines);

}  // namespace paiscribe::rules
