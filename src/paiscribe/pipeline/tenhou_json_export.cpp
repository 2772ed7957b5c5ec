#include "paiscribe/pipeline/tenhou_json_export.hpp"

#include <algorithm>

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

std::expected<std::string, PipelineError> mjlog_to_tenhou_json(std::string_view path, RecordReader& reader,
                                                               ShouldStop should_stop) {
  auto text = reader.read_file(path, Decompress::Yes, should_stop);
  if (!text) return std::unexpected(record_read_failure(text.error(), path, kMjlogRecord));
  GameDetails details;
  auto log = parse_mjlog(**text, {}, &details);
  if (!log) return std::unexpected(mjlog_failure(std::move(log.error())));
  auto json = write_tenhou_json(*log, details, game_id_of_path(path));
  if (!json) return std::unexpected(mjlog_failure(MjlogError{MjlogErrorKind::NotAGame, std::move(json.error())}));
  return std::move(*json);
}

}  // namespace paiscribe
