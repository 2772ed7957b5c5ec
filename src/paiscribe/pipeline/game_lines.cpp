#include "paiscribe/pipeline/game_lines.hpp"

#include <utility>

#include "paiscribe/io/gzip.hpp"
#include "paiscribe/io/read_file.hpp"
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

std::expected<std::string_view, PipelineError> read_uncompressed(std::string_view path, PaddedText& text,
                                                                 PaddedText& inflated, ShouldStop should_stop) {
  if (auto read = read_file(path, text, should_stop); !read)
    return std::unexpected(read_failure(read.error(), path, "game"));
  if (!is_gzip(text.view())) return text.view();
  if (auto unpacked = gunzip(text.view(), inflated); !unpacked) return std::unexpected(gzip_failure(unpacked.error()));
  return inflated.view();
}

std::expected<std::string_view, PipelineError> GameLinesReader::read(std::string_view path, ShouldStop should_stop) {
  auto bytes = read_uncompressed(path, text_, inflated_, should_stop);
  if (!bytes) return std::unexpected(std::move(bytes.error()));
  if (is_mjai_lines(*bytes)) return *bytes;
  PaddedText& record = bytes->data() == text_.data() ? text_ : inflated_;
  if (auto started = converter_.start(std::exchange(record, PaddedText()), kAnyRecord); !started)
    return std::unexpected(std::move(started.error()));
  auto lines = converter_.all_lines();
  if (!lines) return std::unexpected(std::move(lines.error()));
  return (*lines)->text();
}

}  // namespace paiscribe
