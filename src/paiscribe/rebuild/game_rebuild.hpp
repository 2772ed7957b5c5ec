#pragma once

#include <string_view>
#include <vector>

#include "paiscribe/rebuild/log_builder.hpp"
#include "paiscribe/record/game_details.hpp"
#include "paiscribe/record/raw_log.hpp"
#include "paiscribe/rules/finding.hpp"
#include "paiscribe/rules/game_checker.hpp"

namespace paiscribe::rebuild {

// One game's mjai lines, fed in order, replayed under the rules and
// rebuilt into Tenhou's record: whatever the record holds that the lines do
// not say (the draws' names, each win's fu, han, yaku and points) is what
// the replay rules. The record is written into `into`, in the room of the
// game it held. It stays where it was made, as its checker does.
class GameRebuild {
 public:
  explicit GameRebuild(RebuiltGame& into) : builder_(checker_, into) {}
  GameRebuild(const GameRebuild&) = delete;
  GameRebuild& operator=(const GameRebuild&) = delete;

  // The next line, without its line feed.
  void feed(std::string_view line) {
    checker_.feed(line, [this](const auto& e) {
      if (checker_.findings().empty()) builder_.on(e);
    });
  }

  // After the last line: whether the record is whole; if not, the
  // checker's findings say why the lines are not one legal game (a game cut
  // short among them).
  bool finish();
  const rules::GameChecker& checker() const { return checker_; }

 private:
  rules::GameChecker checker_;
  LogBuilder builder_;
};

}  // namespace paiscribe::rebuild
