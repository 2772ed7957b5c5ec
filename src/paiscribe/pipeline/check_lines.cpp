#include "paiscribe/pipeline/check_lines.hpp"

#include <optional>

#include "paiscribe/rules/game_checker.hpp"

namespace paiscribe {
namespace {

// A game being checked, and the number of lines before its first.
class GameInText {
 public:
  explicit GameInText(std::size_t lines_before) : lines_before_(lines_before) {}
  GameInText(const GameInText&) = delete;
  GameInText& operator=(const GameInText&) = delete;

  void feed(std::string_view line) { checker_.feed(line); }
  bool ended() const { return checker_.ended(); }

  // Finishes the game; its findings join `all`, numbered in the whole text.
  void finish_into(std::vector<rules::Finding>& all) {
    checker_.finish();
    for (rules::Finding finding : checker_.findings()) {
      finding.line += lines_before_;
      all.push_back(std::move(finding));
    }
  }

 private:
  rules::GameChecker checker_;
  std::size_t lines_before_;
};

}  // namespace

std::vector<rules::Finding> check_lines(std::string_view text) {
  std::vector<rules::Finding> findings;
  std::optional<GameInText> game;
  std::size_t line_number = 0;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (line.ends_with('\r')) line.remove_suffix(1);
    start = end + 1;
    if (game && game->ended()) {
      game->finish_into(findings);
      game.reset();
    }
    if (!game) game.emplace(line_number);
    game->feed(line);
    ++line_number;
  }
  if (!game) game.emplace(0);
  game->finish_into(findings);
  return findings;
}

}  // namespace paiscribe
