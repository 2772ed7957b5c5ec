#include "paiscribe/pipeline/tenhou_json_export.hpp"

#include <algorithm>

#include "paiscribe/conv/game_conversion.hpp"
#include "paiscribe/json/tenhou_json_writer.hpp"
#include "paiscribe/pipeline/failure_text.hpp"
#include "paiscribe/xml/parse_mjlog.hpp"

namespace paiscribe {
namespace {

constexpr std::string_view kMjlogRecord = "mjlog record";

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_hex(char c) { return is_digit(c) || (c >= 'a' && c <= 'f'); }
bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The length of the run of `kind` that `text` starts with; 0 when it is not
// `count` long (any length when `count` is 0).
template <typename Kind>
std::size_t run_of(std::string_view text, Kind&& kind, std::size_t count = 0) {
  const auto length = static_cast<std::size_t>(std::ranges::find_if_not(text, kind) - text.begin());
  return count == 0 || length == count ? length : 0;
}

}  // namespace

std::string_view game_id_of_path(std::string_view path) {
  const std::string_view name = path.substr(path.find_last_of('/') + 1);
  // YYYYMMDDHH "gm-", the room's hex digits, "-", the lobby's, "-", eight hex digits.
  std::size_t at = run_of(name, is_digit, 10);
  if (at == 0 || name.substr(at, 3) != "gm-") return {};
  at += 3;
  for (int group = 0; group < 2; ++group) {
    const std::size_t length = run_of(name.substr(at), is_hex);
    if (length == 0 || name.substr(at + length, 1) != "-") return {};
    at += length + 1;
  }
  const std::size_t length = run_of(name.substr(at), is_hex, 8);
  at += length;
  // What follows is no part of the id: an ending, or Tenhou's "&tw=3".
  if (length == 0 || (at < name.size() && (is_letter(name[at]) || is_digit(name[at])))) return {};
  return name.substr(0, at);
}

namespace {

// A record whose game does not convert is not exported: run to its end, its
// lines dropped batch by batch, the conversion fails as mjlog_to_mjai would.
std::expected<void, PipelineError> check_conversion(const RawLog& log) {
  ConversionStorage storage;
  auto game = GameConversion::start(log, storage);
  if (!game) return std::unexpected(game_failure(std::move(game.error()), kMjlogRecord));
  MjaiLines lines;
  while (!game->done()) {
    lines.clear();
    if (auto made = game->next(lines); !made) return std::unexpected(game_failure(made.error(), kMjlogRecord));
  }
  return {};
}

std::expected<std::string, PipelineError> export_record(RecordReader::Text text, std::string_view path) {
  if (!text) return std::unexpected(record_read_failure(text.error(), path, kMjlogRecord));
  GameDetails details;
  auto log = parse_mjlog(**text, {}, &details);
  if (!log) return std::unexpected(mjlog_failure(std::move(log.error())));
  if (auto converts = check_conversion(*log); !converts) return std::unexpected(std::move(converts.error()));
  auto json = write_tenhou_json(*log, details, game_id_of_path(path));
  if (!json) return std::unexpected(mjlog_failure(MjlogError{MjlogErrorKind::NotAGame, std::move(json.error())}));
  return std::move(*json);
}

}  // namespace

std::expected<std::string, PipelineError> mjlog_to_tenhou_json(std::string_view path, RecordReader& reader,
                                                               ShouldStop should_stop) {
  return export_record(reader.read_file(path, Decompress::Yes, should_stop), path);
}

std::expected<std::string, PipelineError> mjlog_bytes_to_tenhou_json(std::string_view bytes, RecordReader& reader) {
  return export_record(reader.copy(bytes, Decompress::Yes), {});
}

}  // namespace paiscribe
