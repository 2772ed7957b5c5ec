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

// A terminal shows each line as soon as it is written, as a line-buffered
// stream would; anything else takes the bytes in one write, which costs far
// less than a call per line. A closed descriptor swallows them.
std::expected<void, int> write_to_standard_output(std::string_view bytes, bool line_by_line, ShouldStop should_stop) {
  while (!bytes.empty()) {
    const std::size_t end = line_by_line ? std::min(bytes.find('\n'), bytes.size() - 1) + 1 : bytes.size();
    const auto written = write_bytes(STDOUT_FILENO, bytes.substr(0, end), should_stop);
    if (!written && written.error() != EBADF) return written;
    bytes.remove_prefix(end);
  }
  return {};
}

// Only a folder that takes no new file while the file itself may be written
// is a reason to write in place; any other failure (no descriptor or space
// left) would fail a write in place too, after the old content was gone.
bool writes_in_place(int create_error) { return create_error == EACCES || create_error == EPERM; }

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

std::expected<OutputFile, OutputError> OutputFile::open(std::string_view path, ShouldStop should_stop) {
  if (names_standard_output(path)) {
    OutputFile output(std::nullopt, should_stop);
    output.line_by_line_ = ::isatty(STDOUT_FILENO) == 1;
    return output;
  }
  bool created = true;
  auto file = FileDescriptor::open(path, O_WRONLY | O_CREAT | O_EXCL, 0666, should_stop);
  if (!file && file.error() == EEXIST) {
    created = false;
    file = FileDescriptor::open(path, O_WRONLY | O_CREAT, 0666, should_stop);
  }
  if (!file) return std::unexpected(OutputCreateFailed{file.error()});
  struct stat existing;
  if (::fstat(file->get(), &existing) != 0) return std::unexpected(OutputCreateFailed{errno});

  OutputFile output(std::move(*file), should_stop);
  if (!S_ISREG(existing.st_mode)) return output;
  const std::string destination = file_behind(path);
  if (created) output.created_ = destination;
  auto replacing = ReplacingFile::create_beside(destination, created ? nullptr : &existing);
  if (replacing) {
    output.replacing_.emplace(std::move(*replacing));
    return output;
  }
  if (!writes_in_place(replacing.error())) return std::unexpected(OutputCreateFailed{replacing.error()});
  if (::ftruncate(output.file_->get(), 0) != 0) return std::unexpected(OutputWriteFailed{errno});
  return output;
}

std::expected<OutputFile, OutputError> OutputFile::open_in(int folder, std::string_view name) {
  const std::string terminated(name);
  struct stat there;
  const bool exists = ::fstatat(folder, terminated.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0;
  if (!exists && errno != ENOENT) return std::unexpected(OutputCreateFailed{errno});
  if (exists && S_ISLNK(there.st_mode)) return std::unexpected(OutputIsLink{});
  if (exists && !S_ISREG(there.st_mode)) return std::unexpected(OutputNotRegular{there.st_mode});
  auto replacing = ReplacingFile::create_in(folder, terminated, exists ? &there : nullptr);
  if (replacing) {
    OutputFile output(std::nullopt, nullptr);
    output.replacing_.emplace(std::move(*replacing));
    return output;
  }
  if (!exists || !writes_in_place(replacing.error())) return std::unexpected(OutputCreateFailed{replacing.error()});
  auto file = FileDescriptor::open_at(folder, terminated, O_WRONLY | O_NONBLOCK | O_NOFOLLOW);
  if (!file) return std::unexpected(OutputCreateFailed{file.error()});
  // Whatever took the file's place since it was looked at is not written.
  if (::fstat(file->get(), &there) != 0) return std::unexpected(OutputCreateFailed{errno});
  if (!S_ISREG(there.st_mode)) return std::unexpected(OutputNotRegular{there.st_mode});
  if (::ftruncate(file->get(), 0) != 0) return std::unexpected(OutputWriteFailed{errno});
  return OutputFile(std::move(*file), nullptr);
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : file_(std::move(other.file_)),
      replacing_(std::move(other.replacing_)),
      created_(std::exchange(other.created_, {})),
      should_stop_(other.should_stop_),
      line_by_line_(other.line_by_line_) {}

OutputFile::~OutputFile() {
  if (!created_.empty()) ::unlink(created_.c_str());
}

std::expected<void, OutputError> OutputFile::write(std::string_view bytes) {
  std::expected<void, int> written;
  if (replacing_) written = write_bytes(replacing_->fd(), bytes, should_stop_);
  else if (file_) written = write_bytes(file_->get(), bytes, should_stop_);
  else written = write_to_standard_output(bytes, line_by_line_, should_stop_);
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
