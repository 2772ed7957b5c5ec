#include "paiscribe/io/read_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>

namespace paiscribe {

std::expected<void, ReadFailure> read_file(std::string_view path, PaddedText& text, ShouldStop should_stop,
                                           FileKinds kinds) {
  const bool regular_only = kinds == FileKinds::RegularOnly;
  auto file = FileDescriptor::open(path, O_RDONLY | (regular_only ? O_NONBLOCK : 0), 0, should_stop);
  if (!file) return std::unexpected(ReadFailure{ReadFailure::Step::Open, file.error()});

  // The size is only a first guess: the file may grow, shrink or be a pipe.
  // One spare byte lets the common case see end of file without regrowing.
  std::size_t estimate = 0;
  struct stat info;
  const bool known = ::fstat(file->get(), &info) == 0;
  if (regular_only && (!known || !S_ISREG(info.st_mode)))
    return std::unexpected(ReadFailure{ReadFailure::Step::NotRegular, 0, known ? info.st_mode : mode_t{0}});
  if (known && info.st_size > 0) estimate = static_cast<std::size_t>(info.st_size);

  text.clear();
  std::size_t size = estimate + 1 > 4096 ? estimate + 1 : 4096;
  char* buffer = text.grow_to(size);
  std::size_t used = 0;
  for (;;) {
    if (used == size) buffer = text.grow_to(size *= 2);
    const auto got = file->read(buffer + used, size - used, should_stop);
    if (!got) {
      text.clear();
      return std::unexpected(ReadFailure{ReadFailure::Step::Read, got.error()});
    }
    if (*got == 0) break;
    used += *got;
  }
  text.set_size(used);
  return {};
}

}  // namespace paiscribe
