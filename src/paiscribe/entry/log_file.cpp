#include "paiscribe/entry/log_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>

#include <utility>


namespace paiscribe {

std::expected<LogFile, LogFile::OpenFailed> LogFile::open(std::string_view path, ShouldStop should_stop) {
  auto file = FileDescriptor::open(path, O_RDONLY, 0, should_stop);
  if (!file) return std::unexpected(OpenFailed{file.error()});
  return LogFile(std::move(*file));
}

template <typename Grow>
std::expected<std::size_t, LogReadFailed> LogFile::read_to_end(Grow grow, ShouldStop should_stop) {
  // The size is only a first guess: the file may grow, shrink or be a pipe.
  // One spare byte lets the common case see end of file without regrowing.
  std::size_t estimate = 0;
  struct stat info;
  if (::fstat(file_.get(), &info) == 0 && info.st_size > 0) estimate = static_cast<std::size_t>(info.st_size);

  std::size_t size = estimate + 1 > 4096 ? estimate + 1 : 4096;
  char* buffer = grow(size);
  std::size_t used = 0;
  for (;;) {
    if (used == size) buffer = grow(size *= 2);
    const auto got = file_.read(buffer + used, size - used, should_stop);
    if (!got) return std::unexpected(LogReadFailed{got.error()});
    if (*got == 0) return used;
    used += *got;
  }
}

std::expected<PaddedText, LogReadFailed> LogFile::read_padded(ShouldStop should_stop) {
  PaddedText text;
  const auto used = read_to_end([&text](std::size_t size) { return text.grow_to(size); }, should_stop);
  if (!used) return std::unexpected(used.error());
  text.set_size(*used);
  return text;
}

std::expected<std::string, LogReadFailed> LogFile::read_bytes(ShouldStop should_stop) {
  std::string bytes;
  const auto used = read_to_end(
      [&bytes](std::size_t size) {
        bytes.resize(size);
        return bytes.data();
      },
      should_stop);
  if (!used) return std::unexpected(used.error());
  bytes.resize(*used);
  return bytes;
}

}  // namespace paiscribe
