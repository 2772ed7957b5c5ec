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

template <typename Feed>
std::expected<std::string, PipelineError> TenhouJsonRebuilder::rebuilt(Feed&& feed) {
  rebuild::GameRebuild rebuild(game_);
  feed(rebuild);
  if (auto whole = std::move(rebuild).finish(); !whole) return std::unexpected(illegal_game(std::move(whole.error())));
  auto json = write_tenhou_json(game_.log, game_.details, {});
  // The rebuilt record is the writer's to take whole: a refusal is a fault here.
  if (!json) return std::unexpected(PipelineError{ErrorClass::RuntimeError, "failed to write the JSON log", json.error()});
  return std::move(*json);
}

std::expected<std::string, PipelineError> TenhouJsonRebuilder::from_lines(std::span<const std::string_view> lines) {
  return rebuilt([&](rebuild::GameRebuild& rebuild) {
    for (const std::string_view line : lines) rebuild.feed(line);
  });
}

std::expected<std::string, PipelineError> TenhouJsonRebuilder::from_text(std::string_view text) {
  return rebuilt([&](rebuild::GameRebuild& rebuild) {
    for_each_line(text, [&](std::string_view line) { rebuild.feed(line); });
  });
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
