#include "log_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "paiscribe/tenhou/json_utf8.hpp"

namespace paiscribe {

std::expected<LogFile, LogFile::OpenFailed> LogFile::open(std::string_view path) {
  if (path.find('\0') != std::string_view::npos) return std::unexpected(OpenFailed{});
  const std::string terminated(path);
  int fd;
  do {
    fd = ::open(terminated.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return std::unexpected(OpenFailed{});
  return LogFile(fd);
}

LogFile::LogFile(LogFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

LogFile::~LogFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::expected<std::string, LogReadError> LogFile::read_text() {
  // The size is only a first guess: the file may grow, shrink or be a pipe.
  // One spare byte lets the common case see end of file without regrowing.
  std::size_t estimate = 0;
  struct stat info;
  if (::fstat(fd_, &info) == 0 && info.st_size > 0) estimate = static_cast<std::size_t>(info.st_size);

  std::string text;
  text.resize(estimate + 1 > 4096 ? estimate + 1 : 4096);
  std::size_t used = 0;
  for (;;) {
    if (used == text.size()) text.resize(text.size() * 2);
    const ssize_t got = ::read(fd_, text.data() + used, text.size() - used);
    if (got < 0) {
      if (errno == EINTR) continue;
      return std::unexpected(LogReadFailed{errno});
    }
    if (got == 0) break;
    used += static_cast<std::size_t>(got);
  }
  text.resize(used);
  if (!is_valid_utf8(text)) return std::unexpected(LogNotUtf8{});
  return text;
}

}  // namespace paiscribe
