#include "paiscribe/pipeline/table_lines.hpp"

#include "paiscribe/rules/wording.hpp"
#include "paiscribe/scoring/points.hpp"

namespace paiscribe {

void TableLines::feed(std::string_view line) {
  if (checker_ && checker_->ended()) finish_game();
  if (!checker_) {
    checker_.emplace();
    game_.first_line = lines_ + 1;
  }
  ++lines_;
  std::array<std::int64_t, 4> scores_before{};
  for (Seat seat = 0; seat < 4; ++seat) scores_before[seat] = table().seats[seat].score;
  table_.feed(line);
  checker_->feed(line);
  note_kyoku(scores_before);
  // A win is scored on its own line, while the table still shows its dealer.
  while (game_.wins.size() < checker_->wins().size()) note_win();
}

void TableLines::note_kyoku(const std::array<std::int64_t, 4>& scores_before) {
  const table::TableState& state = table();
  if (state.event == "start_kyoku") {
    close_kyoku(lines_ - 1);
    if (const auto index = state.kyoku_index()) kyoku_ = ViewedKyoku{*index, state.honba, lines_, lines_};
  } else if (state.event == "end_kyoku") {
    close_kyoku(lines_);
  } else if (state.event == "end_game") {
    close_kyoku(lines_ - 1);
  } else if (state.event == "hora" || state.event == "ryukyoku") {
    ShownResult& result = game_.results.emplace_back(ShownResult{lines_, state.event, state.actor});
    for (Seat seat = 0; seat < 4; ++seat) result.deltas[seat] = state.seats[seat].score - scores_before[seat];
  }
}

void TableLines::close_kyoku(std::size_t last_line) {
  if (!kyoku_) return;
  kyoku_->last_line = last_line;
  game_.kyokus.push_back(*kyoku_);
  kyoku_.reset();
}

void TableLines::note_win() {
  ShownWin& shown = game_.wins.emplace_back();
  shown.record = checker_->wins()[game_.wins.size() - 1];
  shown.record.line += game_.first_line - 1;
  shown.dealer = shown.record.actor == table().oya;
  const bool tsumo = shown.record.actor == shown.record.target;
  shown.points = scoring::hand_points(scoring::base_points(shown.record.value), shown.dealer, tsumo);
  shown.summary = rules::describe_value(shown.record.value, shown.dealer, tsumo);
}

void TableLines::finish_game() {
  close_kyoku(lines_);
  checker_->finish();
  for (rules::Finding finding : checker_->findings()) {
    finding.line += game_.first_line - 1;
    game_.findings.push_back(std::move(finding));
  }
  game_.line_count = lines_ + 1 - game_.first_line;
  game_.names = table_.names();
  games_.push_back(std::move(game_));
  game_ = ViewedGame{};
  checker_.reset();
}

std::vector<ViewedGame> TableLines::finish() && {
  if (checker_) finish_game();
  return std::move(games_);
}

}  // namespace paiscribe
