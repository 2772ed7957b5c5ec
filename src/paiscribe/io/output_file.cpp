#include "paiscribe/io/output_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <utility>

namespace paiscribe {
namespace {

std::expected<void, int> write_bytes(int fd, std::string_view bytes, ShouldStop should_stop) {
  iovec vector = {const_cast<char*>(bytes.data()), bytes.size()};
  return write_all(fd, &vector, 1, should_stop);
}

// Line by line, so each line reaches the descriptor as soon as it is written.
// A closed descriptor swallows the lines.
std::expected<void, int> write_lines_to_standard_output(std::string_view bytes, ShouldStop should_stop) {
  while (!bytes.empty()) {
    const std::size_t line_end = std::min(bytes.find('\n'), bytes.size() - 1);
    const auto written = write_bytes(STDOUT_FILENO, bytes.substr(0, line_end + 1), should_stop);
    if (!written && written.error() != EBADF) return written;
    bytes.remove_prefix(line_end + 1);
  }
  return {};
}

// The file a path's last symbolic links lead to: replacing it keeps the links.
std::string file_behind(std::string_view path) {
  const std::string terminated(path);
  struct stat link;
  if (::lstat(terminated.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return terminated;
  const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(terminated.c_str(), nullptr), &std::free);
  return resolved ? std::string(resolved.get()) : terminated;
}

}  // namespace

bool names_standard_output(std::string_view path) {
  if (path.empty() || path.front() == '/') return false;
  bool leading = true;
  bool seen_dash = false;
  while (!path.empty()) {
    const std::size_t end = std::min(path.find('/'), path.size());
    const std::string_view component = path.substr(0, end);
    path.remove_prefix(end);
    if (!path.empty()) path.remove_prefix(1);
    const bool first = std::exchange(leading, false);
    if (component.empty()) continue;
    // Only a leading "." is a component of its own; elsewhere it means nothing.
    if (component == "." && !first) continue;
    if (component != "-" || seen_dash) return false;
    seen_dash = true;
  }
  return seen_dash;
}

std::expected<OutputFile, OutputError> OutputFile::open(std::string_view path, ShouldStop should_stop,
                                                     FileKinds kinds) {
  const bool regular_only = kinds == FileKinds::RegularOnly;
  if (!regular_only && names_standard_output(path)) return OutputFile(std::nullopt, should_stop);
  const int flags = O_WRONLY | O_CREAT | (regular_only ? O_NONBLOCK : 0);
  bool created = true;
  auto file = FileDescriptor::open(path, flags | O_EXCL, 0666, should_stop);
  if (!file && file.error() == EEXIST) {
    created = false;
    file = FileDescriptor::open(path, flags, 0666, should_stop);
  }
  if (!file) {
    // Opened without a wait, a FIFO without a reader says ENXIO.
    struct stat there;
    const std::string terminated(path);
    if (regular_only && file.error() == ENXIO && ::stat(terminated.c_str(), &there) == 0 && !S_ISREG(there.st_mode))
      return std::unexpected(OutputNotRegular{there.st_mode});
    return std::unexpected(OutputCreateFailed{file.error()});
  }
  struct stat existing;
  if (::fstat(file->get(), &existing) != 0) return std::unexpected(OutputCreateFailed{errno});
  if (regular_only && !S_ISREG(existing.st_mode)) return std::unexpected(OutputNotRegular{existing.st_mode});

  OutputFile output(std::move(*file), should_stop);
  if (!S_ISREG(existing.st_mode)) return output;
  const std::string destination = file_behind(path);
  if (created) output.created_ = destination;
  auto replacing = ReplacingFile::create_beside(destination, created ? nullptr : &existing);
  if (replacing) {
    output.replacing_.emplace(std::move(*replacing));
    return output;
  }
  // Only a folder that takes no new file while the file itself may be
  // written is a reason to write in place; any other failure (no descriptor
  // or space left) would fail a write in place too, after the old content
  // was gone.
  if (replacing.error() != EACCES && replacing.error() != EPERM)
    return std::unexpected(OutputCreateFailed{replacing.error()});
  if (::ftruncate(output.file_->get(), 0) != 0) return std::unexpected(OutputWriteFailed{errno});
  return output;
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : file_(std::move(other.file_)),
      replacing_(std::move(other.replacing_)),
      created_(std::exchange(other.created_, {})),
      should_stop_(other.should_stop_) {}

OutputFile::~OutputFile() {
  if (!created_.empty()) ::unlink(created_.c_str());
}

std::expected<void, OutputError> OutputFile::write(std::string_view bytes) {
  std::expected<void, int> written;
  if (!file_) written = write_lines_to_standard_output(bytes, should_stop_);
  else written = write_bytes(replacing_ ? replacing_->fd() : file_->get(), bytes, should_stop_);
  if (!written) return std::unexpected(OutputWriteFailed{written.error()});
  return {};
}

std::expected<void, OutputError> OutputFile::commit() {
  std::expected<void, int> done;
  if (replacing_) done = replacing_->commit();
  else if (file_) done = file_->close();
  if (!done) return std::unexpected(OutputWriteFailed{done.error()});
  created_.clear();
  return {};
}

}  // namespace paiscribe
