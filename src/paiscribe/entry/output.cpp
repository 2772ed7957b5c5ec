#include "paiscribe/entry/output.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

#include "paiscribe/entry/file_descriptor.hpp"
#include "paiscribe/entry/path_text.hpp"
#include "paiscribe/entry/replacing_file.hpp"

namespace paiscribe {
namespace {

iovec text_iovec(std::string_view text) {
  return {const_cast<char*>(text.data()), text.size()};
}

// Line by line, so each line reaches the descriptor as soon as it is written,
// as a line-buffered stream would. A closed descriptor swallows the lines.
std::expected<void, OutputError> write_to_standard_output(const MjaiLines& lines, ShouldStop should_stop) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    iovec vector = text_iovec({line.data(), line.size() + 1});  // the line feed follows it
    const auto written = write_all(STDOUT_FILENO, &vector, 1, should_stop);
    if (!written && written.error() != EBADF) return std::unexpected(OutputWriteFailed{written.error()});
  }
  return {};
}

std::expected<void, int> write_all_lines(int fd, const MjaiLines& lines, ShouldStop should_stop) {
  iovec vector = text_iovec(lines.text());
  return write_all(fd, &vector, 1, should_stop);
}

// The file a path's last symbolic links lead to: replacing it keeps the links.
std::string file_behind(std::string_view path) {
  const std::string terminated(path);
  struct stat link;
  if (::lstat(terminated.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return terminated;
  const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(terminated.c_str(), nullptr), &std::free);
  return resolved ? std::string(resolved.get()) : terminated;
}

// A regular file is replaced whole: the lines go to a temporary file beside
// it, renamed over it once every line is written, so a failure leaves the
// destination as it was (even when it is the log itself). Opening the
// destination first, without truncating it, keeps every reason it cannot be
// created what it always was. Other destinations (FIFOs, devices) are
// written in place, and so is a regular file whose folder takes no new file.
std::expected<void, OutputError> write_to_file(std::string_view path, const MjaiLines& lines,
                                               ShouldStop should_stop) {
  bool created = true;
  auto file = FileDescriptor::open(path, O_WRONLY | O_CREAT | O_EXCL, 0666, should_stop);
  if (!file && file.error() == EEXIST) {
    created = false;
    file = FileDescriptor::open(path, O_WRONLY | O_CREAT, 0666, should_stop);
  }
  if (!file) return std::unexpected(OutputCreateFailed{file.error()});

  struct stat existing;
  if (::fstat(file->get(), &existing) != 0) return std::unexpected(OutputCreateFailed{errno});
  if (S_ISREG(existing.st_mode)) {
    const std::string destination = file_behind(path);
    if (auto replacing = ReplacingFile::create_beside(destination, created ? nullptr : &existing)) {
      auto written = write_all_lines(replacing->fd(), lines, should_stop);
      if (written) written = replacing->commit();
      if (!written) {
        if (created) ::unlink(destination.c_str());
        return std::unexpected(OutputWriteFailed{written.error()});
      }
      return {};
    }
    if (::ftruncate(file->get(), 0) != 0) return std::unexpected(OutputWriteFailed{errno});
  }
  if (auto written = write_all_lines(file->get(), lines, should_stop); !written)
    return std::unexpected(OutputWriteFailed{written.error()});
  if (auto closed = file->close(); !closed) return std::unexpected(OutputWriteFailed{closed.error()});
  return {};
}

}  // namespace

std::expected<void, OutputError> write_lines(std::string_view mjai_out, const MjaiLines& lines,
                                             ShouldStop should_stop) {
  if (names_standard_output(mjai_out)) return write_to_standard_output(lines, should_stop);
  return write_to_file(mjai_out, lines, should_stop);
}

}  // namespace paiscribe
