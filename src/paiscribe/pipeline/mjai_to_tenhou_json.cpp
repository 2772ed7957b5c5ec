#include "paiscribe/pipeline/mjai_to_tenhou_json.hpp"

#include "paiscribe/json/tenhou_json_writer.hpp"
#include "paiscribe/pipeline/check_lines.hpp"
#include "paiscribe/pipeline/failure_text.hpp"
#include "paiscribe/pipeline/text_lines.hpp"
#include "paiscribe/rebuild/game_rebuild.hpp"

namespace paiscribe {
namespace {

constexpr std::string_view kMjaiLines = "mjai lines";

}  // namespace

// The lines are taken as check takes them, and refused with its findings.
template <typename Feed>
std::expected<std::string, PipelineError> TenhouJsonRebuilder::rebuilt(Feed&& feed) {
  rebuild::GameRebuild rebuild(game_);
  CountedLines counted;
  feed([&](std::string_view line) { counted.take(line, [&](std::string_view taken) { rebuild.feed(taken); }); });
  if (!rebuild.finish()) {
    const rules::GameChecker& checker = rebuild.checker();
    return std::unexpected(illegal_game(lines_findings(checker.findings(), checker.left_out(),
                                                       checker.first_left_out())));
  }
  auto json = write_tenhou_json(game_.log, game_.details, {});
  // The rebuilt record is the writer's to take whole: a refusal is a fault here.
  if (!json) return std::unexpected(PipelineError{ErrorClass::RuntimeError, "failed to write the JSON log", json.error()});
  return std::move(*json);
}

std::expected<std::string, PipelineError> TenhouJsonRebuilder::from_lines(std::span<const std::string_view> lines) {
  return rebuilt([&](auto&& take) {
    for (const std::string_view line : lines) take(line);
  });
}

std::expected<std::string, PipelineError> TenhouJsonRebuilder::from_text(std::string_view text) {
  return rebuilt([&](auto&& take) { for_each_text_line(text, take); });
}

std::expected<std::string, PipelineError> TenhouJsonRebuilder::from_bytes(std::string_view bytes,
                                                                          RecordReader& reader) {
  auto text = reader.copy(bytes, Decompress::Yes);
  if (!text) return std::unexpected(record_read_failure(text.error(), {}, kMjaiLines));
  return from_text((*text)->view());
}

std::expected<std::string, PipelineError> TenhouJsonRebuilder::from_file(std::string_view path, RecordReader& reader,
                                                                         ShouldStop should_stop) {
  auto text = reader.read_file(path, Decompress::Yes, should_stop);
  if (!text) return std::unexpected(record_read_failure(text.error(), path, kMjaiLines));
  return from_text((*text)->view());
}

}  // namespace paiscribe
