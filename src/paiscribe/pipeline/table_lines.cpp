#include "paiscribe/pipeline/table_lines.hpp"

#include "paiscribe/rules/points.hpp"

namespace paiscribe {

void TableLines::feed(std::string_view line) {
  if (checker_ && checker_->ended()) finish_game();
  if (!checker_) {
    checker_.emplace();
    game_.first_line = lines_ + 1;
  }
  ++lines_;
  table_.feed(line);
  checker_->feed(line);
  // A win is scored on its own line, while the table still shows its dealer.
  const auto wins = checker_->wins();
  if (wins.size() == game_.wins.size()) return;
  ShownWin& shown = game_.wins.emplace_back();
  shown.record = wins.back();
  shown.record.line += game_.first_line - 1;
  shown.dealer = shown.record.actor == table().oya;
  const bool tsumo = shown.record.actor == shown.record.target;
  shown.points = rules::hand_points(rules::base_points(shown.record.value), shown.dealer, tsumo);
  shown.summary = rules::describe_value(shown.record.value, shown.dealer, tsumo);
}

void TableLines::finish_game() {
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
