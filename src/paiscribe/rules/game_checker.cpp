#include "paiscribe/rules/game_checker.hpp"

#include <algorithm>

#include "paiscribe/rules/wording.hpp"

namespace paiscribe::rules {
namespace {

using scoring::kind_of;

std::uint8_t index_of(const ev::StartKyoku& e) {
  return static_cast<std::uint8_t>((kind_of(e.bakaze) - scoring::kEast) * 4 + e.kyoku - 1);
}

}  // namespace

void GameChecker::not_an_event(const ReadError& error) {
  findings_.add(std::nullopt, "not an mjai event: " + error.description);
  if (kyoku_) kyoku_->lose_track();
}

void GameChecker::finish() {
  if (stage_ == Stage::Ended) return;
  findings_.at(std::max<std::size_t>(line_, 1), kyoku_index_);
  findings_.add(std::nullopt, line_ == 0 ? "the game has no lines" : "the lines end before end_game");
}

void GameChecker::on(const ev::None&) { findings_.add(std::nullopt, "a none line, which a game record never holds"); }

void GameChecker::on(const ev::StartGame& e) {
  if (stage_ != Stage::BeforeStart) return findings_.add(std::nullopt, "start_game after the game started");
  if (e.kyoku_first != 0 && e.kyoku_first != 4) {
    findings_.add(std::nullopt, "start_game's kyoku_first " + std::to_string(e.kyoku_first) +
                                    " is neither 0 (an East-South game) nor 4 (East only)");
  }
  aka_ = e.aka_flag;
  stage_ = Stage::BetweenKyokus;
}

void GameChecker::play_outside_kyoku() {
  findings_.add(std::nullopt, "a play line outside a kyoku");
  skip_kyoku();
}

void GameChecker::skip_kyoku() {
  if (kyoku_) last_tally_ = kyoku_->tally();
  last_tally_.reliable = false;
  kyoku_.reset();
  stage_ = Stage::Skipping;
}

void GameChecker::on(const ev::StartKyoku& e) {
  if (stage_ == Stage::BeforeStart) findings_.add(std::nullopt, "start_kyoku before start_game");
  if (stage_ == Stage::InKyoku) {
    findings_.add(std::nullopt, "start_kyoku inside a kyoku: its end_kyoku is missing");
    skip_kyoku();
  }
  stage_ = Stage::BetweenKyokus;
  if (!check_start_fields(e)) {
    last_start_ = e;  // no longer the first, though nothing follows from it
    return skip_kyoku();
  }
  kyoku_index_ = index_of(e);
  findings_.at(line_, kyoku_index_);
  check_continuity(e);
  kyoku_.emplace(e, aka_, record_.open_tanyao, findings_, wins_, draws_);
  last_start_ = e;
  stage_ = Stage::InKyoku;
}

bool GameChecker::check_start_fields(const ev::StartKyoku& e) {
  std::string wrong;
  if (!scoring::is_wind(kind_of(e.bakaze))) wrong = "bakaze " + tile_name(e.bakaze) + " is no wind";
  else if (e.kyoku < 1 || e.kyoku > 4) wrong = "kyoku " + std::to_string(e.kyoku) + " is not 1 to 4";
  else if (e.oya != e.kyoku - 1) wrong = "oya " + std::to_string(e.oya) + " does not deal kyoku " + std::to_string(e.kyoku);
  if (wrong.empty()) return true;
  findings_.add(std::nullopt, "start_kyoku's " + wrong);
  return false;
}

// The game's start: East 1, an empty table, and the same points for every
// seat, which are the game's starting points; Tenhou's own games start at
// 25,000.
void GameChecker::check_first_kyoku(const ev::StartKyoku& e) {
  const auto report = [&](std::string what) { findings_.add(std::nullopt, "the first kyoku " + what); };
  if (index_of(e) != 0) report("is " + kyoku_name(index_of(e)) + ", not East 1");
  if (e.honba != 0) report("has " + std::to_string(e.honba) + " honba, not 0");
  if (e.kyotaku != 0)
    report("has " + std::to_string(e.kyotaku) + " riichi deposit" + (e.kyotaku == 1 ? "" : "s") + ", not 0");
  const bool even = std::ranges::all_of(e.scores, [&](std::int32_t score) { return score == e.scores[0]; });
  if (!even) report("starts the seats at different points: " + seats_numbers(e.scores));
  dealer_repeats_judged_ = record_.lobby_of_its_own ? !*record_.lobby_of_its_own : even && e.scores[0] == 25000;
}

// The table as the last kyoku left it: scores, sticks, counters and dealer.
// Where the deal may pass after the dealer kept it by Tenhou's rules, the
// next kyoku may be the same or the next, with the honba the one would have.
void GameChecker::check_continuity(const ev::StartKyoku& e) {
  const auto report = [&](std::string what, auto given, auto expected) {
    findings_.add(std::nullopt, "start_kyoku " + what + " " + given + ", but the last kyoku leaves " + expected);
  };
  if (!last_start_) return check_first_kyoku(e);
  if (!last_tally_.reliable) return;
  const ev::StartKyoku& last = *last_start_;
  const KyokuTally& tally = last_tally_;
  const int paid = static_cast<int>(std::ranges::count(tally.paid_riichi, true));
  std::array<std::int64_t, 4> scores{};
  bool same = true;
  for (Seat seat = 0; seat < 4; ++seat) {
    scores[seat] = last.scores[seat] + tally.deltas[seat] - (tally.paid_riichi[seat] ? 1000 : 0);
    same = same && scores[seat] == e.scores[seat];
  }
  if (!same) report("scores", seats_numbers(e.scores), seats_numbers(scores));
  const int kyotaku = tally.won ? 0 : last.kyotaku + paid;
  if (e.kyotaku != kyotaku) report("kyotaku", std::to_string(e.kyotaku), std::to_string(kyotaku));
  const bool either = !dealer_repeats_judged_ && tally.dealer_keeps;
  const int honba = tally.won && !tally.dealer_won ? 0 : last.honba + 1;
  const bool honba_either = either && tally.dealer_won && e.honba == 0;
  if (e.honba != honba && !honba_either) report("honba", std::to_string(e.honba), std::to_string(honba));
  const int index = index_of(last) + (tally.dealer_keeps ? 0 : 1);
  if (index_of(e) != index && !(either && index_of(e) == index + 1))
    report("kyoku", kyoku_name(index_of(e)), kyoku_name(static_cast<std::uint8_t>(index)));
}

void GameChecker::on(const ev::EndKyoku& e) {
  if (stage_ == Stage::Skipping) {
    stage_ = Stage::BetweenKyokus;
    return;
  }
  if (stage_ != Stage::InKyoku) return findings_.add(std::nullopt, "end_kyoku outside a kyoku");
  kyoku_->on(e);
  last_tally_ = kyoku_->tally();
  kyoku_.reset();
  stage_ = Stage::BetweenKyokus;
}

void GameChecker::on(const ev::EndGame&) {
  if (stage_ == Stage::InKyoku) findings_.add(std::nullopt, "end_game inside a kyoku: its end_kyoku is missing");
  if (stage_ == Stage::BeforeStart) findings_.add(std::nullopt, "end_game before start_game");
  kyoku_.reset();
  stage_ = Stage::Ended;
}

std::vector<Finding> check_game(std::span<const std::string_view> lines) {
  GameChecker checker;
  for (const std::string_view line : lines) checker.feed(line);
  checker.finish();
  return checker.findings();
}

}  // namespace paiscribe::rules
