#include "paiscribe/pipeline/game_lines.hpp"

#include <utility>

#include "paiscribe/pipeline/failure_text.hpp"

namespace paiscribe {
namespace {

constexpr std::string_view kBlanks = " \t\r\n";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

bool is_mjai_lines(std::string_view text) {
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  const std::size_t brace = text.find_first_not_of(kBlanks);
  if (brace == std::string_view::npos || text[brace] != '{') return false;
  const std::size_t key = text.find_first_not_of(kBlanks, brace + 1);
  return key != std::string_view::npos && text.substr(key).starts_with(R"("type")");
}

std::expected<std::string_view, PipelineError> GameLinesReader::read(std::string_view path, ShouldStop should_stop) {
  auto text = converter_.reader().read_file(path, Decompress::Yes, should_stop);
  if (!text) return std::unexpected(record_read_failure(text.error(), path, "game"));
  if (is_mjai_lines((*text)->view())) return (*text)->view();
  // A record: converted from the text just read, taken over without a copy.
  constexpr InputPolicy kReadRecord{kAnyRecord.format, Decompress::No};
  if (auto started = converter_.start(std::exchange(**text, PaddedText()), kReadRecord); !started)
    return std::unexpected(std::move(started.error()));
  auto lines = converter_.all_lines();
  if (!lines) return std::unexpected(std::move(lines.error()));
  return (*lines)->text();
}

}  // namespace paiscribe
