#include "paiscribe/pipeline/check_lines.hpp"

#include "paiscribe/pipeline/failure_text.hpp"
#include "paiscribe/rules/wording.hpp"
#include "paiscribe/pipeline/text_lines.hpp"

namespace paiscribe {

void LinesCheck::feed(std::string_view line) {
  if (game_ && game_->ended()) finish_game();
  if (!game_) {
    game_.emplace();
    game_start_ = lines_;
  }
  game_->feed(line);
  ++lines_;
}

void LinesCheck::finish_game() {
  game_->finish();
  for (rules::Finding finding : game_->findings()) {
    finding.line += game_start_;
    findings_.push_back(std::move(finding));
  }
  game_.reset();
}

std::vector<rules::Finding> LinesCheck::finish() && {
  if (!game_) {
    game_.emplace();
    game_start_ = lines_;
  }
  finish_game();
  return std::move(findings_);
}

std::vector<rules::Finding> check_lines(std::string_view text) {
  LinesCheck check;
  for_each_text_line(text, [&](std::string_view line) { check.feed(line); });
  return std::move(check).finish();
}

std::expected<std::vector<rules::Finding>, PipelineError> check_file(std::string_view path, RecordReader& reader) {
  constexpr std::string_view kLines = "mjai lines";
  auto text = reader.read_file(path, Decompress::Yes, nullptr, FileKinds::RegularOnly);
  if (!text) return std::unexpected(record_read_failure(text.error(), path, kLines));
  return check_lines((*text)->view());
}

PipelineError illegal_game(std::vector<rules::Finding> findings) {
  std::string detail = rules::format_finding(findings.front());
  if (findings.size() > 1)
    detail += " (and " + std::to_string(findings.size() - 1) + " more finding" + (findings.size() > 2 ? "s)" : ")");
  return {ErrorClass::IllegalGameError, "the game breaks the rules", std::move(detail), std::move(findings)};
}

}  // namespace paiscribe
