#include "paiscribe/pipeline/check_lines.hpp"

#include <algorithm>

#include "paiscribe/pipeline/failure_text.hpp"
#include "paiscribe/pipeline/text_lines.hpp"
#include "paiscribe/record/notation.hpp"
#include "paiscribe/rules/wording.hpp"

namespace paiscribe {
namespace {

rules::Finding moved_down(rules::Finding finding, std::size_t lines) {
  finding.line += lines;
  return finding;
}

}  // namespace

void LinesCheck::feed(std::string_view line) {
  counted_.take(line, [this](std::string_view counted) { feed_game(counted); });
}

void LinesCheck::feed_game(std::string_view line) {
  if (game_ && game_->ended()) finish_game();
  if (!game_) {
    game_.emplace(record_);
    game_start_ = lines_;
  }
  game_->feed(line);
  ++lines_;
}

void LinesCheck::keep(rules::Finding finding) {
  if (kept_.size() < kMostKept) kept_.push_back(std::move(finding));
  else if (left_out_++ == 0) first_left_out_ = std::move(finding);
}

void LinesCheck::finish_game() {
  game_->finish();
  for (const rules::Finding& finding : game_->findings()) keep(moved_down(finding, game_start_));
  if (const std::size_t left_out = game_->left_out(); left_out > 0) {
    if (left_out_ == 0) first_left_out_ = moved_down(game_->first_left_out(), game_start_);
    left_out_ += left_out;
  }
  game_.reset();
}

LinesFindings LinesCheck::finish() && {
  if (!game_) {
    game_.emplace(record_);
    game_start_ = lines_;
  }
  finish_game();
  return lines_findings(std::move(kept_), left_out_, first_left_out_);
}

LinesFindings lines_findings(std::vector<rules::Finding> kept, std::size_t left_out,
                             const rules::Finding& first_left_out) {
  LinesFindings findings{std::move(kept), 0};
  findings.count = findings.kept.size() + left_out;
  if (left_out > 0) {
    findings.kept.push_back({first_left_out.line, first_left_out.kyoku_index, std::nullopt,
                             rules::grouped(static_cast<std::int64_t>(left_out)) + " more finding" +
                                 (left_out == 1 ? "" : "s") + " from here on, not listed"});
  }
  return findings;
}

LinesFindings check_lines(std::string_view text, rules::RecordRules record) {
  LinesCheck check(record);
  for_each_text_line(text, [&](std::string_view line) { check.feed(line); });
  return std::move(check).finish();
}

std::expected<LinesFindings, PipelineError> check_file(std::string_view path, RecordReader& reader) {
  constexpr std::string_view kLines = "mjai lines";
  auto text = reader.read_file(path, Decompress::Yes, nullptr, FileKinds::RegularOnly);
  if (!text) return std::unexpected(record_read_failure(text.error(), path, kLines, FileKinds::RegularOnly));
  return check_lines((*text)->view());
}

rules::RecordRules rules_of_record(const RawLog& record) {
  rules::RecordRules rules;
  if (record.lobby) rules.lobby_of_its_own = *record.lobby != 0;
  // A rule names its room, then what it plays: 喰 when open tanyao counts.
  const std::string_view rule = record.rule.disp;
  if (std::ranges::any_of(notation::kRooms, [&](std::string_view room) { return rule.find(room) != rule.npos; }))
    rules.open_tanyao = rule.find(notation::kOpenTanyao) != rule.npos;
  return rules;
}

PipelineError illegal_game(LinesFindings findings) {
  std::string detail = rules::format_finding(findings.kept.front());
  if (findings.count > 1) {
    detail += " (and " + rules::grouped(static_cast<std::int64_t>(findings.count - 1)) + " more finding" +
              (findings.count > 2 ? "s)" : ")");
  }
  return {ErrorClass::IllegalGameError, "the game breaks the rules", std::move(detail), std::move(findings.kept)};
}

}  // namespace paiscribe
