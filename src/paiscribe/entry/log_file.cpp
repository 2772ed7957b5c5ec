#include "paiscribe/entry/log_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>

#include <utility>

#include "paiscribe/base/utf8_valid.hpp"

namespace paiscribe {

std::expected<LogFile, LogFile::OpenFailed> LogFile::open(std::string_view path, ShouldStop should_stop) {
  auto file = FileDescriptor::open(path, O_RDONLY, 0, should_stop);
  if (!file) return std::unexpected(OpenFailed{file.error()});
  return LogFile(std::move(*file));
}

std::expected<std::string, LogReadFailed> LogFile::read_bytes(ShouldStop should_stop) {
  // The size is only a first guess: the file may grow, shrink or be a pipe.
  // One spare byte lets the common case see end of file without regrowing.
  std::size_t estimate = 0;
  struct stat info;
  if (::fstat(file_.get(), &info) == 0 && info.st_size > 0) estimate = static_cast<std::size_t>(info.st_size);

  std::string text;
  text.resize(estimate + 1 > 4096 ? estimate + 1 : 4096);
  std::size_t used = 0;
  for (;;) {
    if (used == text.size()) text.resize(text.size() * 2);
    const auto got = file_.read(text.data() + used, text.size() - used, should_stop);
    if (!got) return std::unexpected(LogReadFailed{got.error()});
    if (*got == 0) break;
    used += *got;
  }
  text.resize(used);
  return text;
}

std::expected<std::string, LogReadError> LogFile::read_text(ShouldStop should_stop) {
  auto text = read_bytes(should_stop);
  if (!text) return std::unexpected(text.error());
  if (!is_valid_utf8(*text)) return std::unexpected(LogNotUtf8{});
  return std::move(*text);
}

}  // namespace paiscribe
