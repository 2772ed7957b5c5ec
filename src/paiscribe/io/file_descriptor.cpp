#include "paiscribe/io/file_descriptor.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <string>
#include <utility>

namespace paiscribe {
namespace {

// After EINTR: whether to try the call again.
bool retry_after_signal(ShouldStop should_stop) { return should_stop == nullptr || !should_stop(); }

}  // namespace

const char* kind_in_words(mode_t mode) {
  switch (mode & S_IFMT) {
    case S_IFREG: return "a regular file";
    case S_IFDIR: return "a folder";
    case S_IFIFO: return "a FIFO";
    case S_IFSOCK: return "a socket";
    case S_IFCHR: return "a character device";
    case S_IFBLK: return "a block device";
    case S_IFLNK: return "a symbolic link";
  }
  return "of an unknown kind";
}

std::expected<FileDescriptor, int> FileDescriptor::open(std::string_view path, int flags, mode_t mode,
                                                        ShouldStop should_stop) {
  return open_at(AT_FDCWD, path, flags, mode, should_stop);
}

std::expected<FileDescriptor, int> FileDescriptor::open_at(int folder, std::string_view path, int flags, mode_t mode,
                                                           ShouldStop should_stop) {
  if (path.find('\0') != std::string_view::npos) return std::unexpected(ENOENT);
  // A path of usual length is terminated on the stack: a corpus opens one a log.
  std::array<char, 512> on_stack;
  std::string on_heap;
  const char* terminated = on_stack.data();
  if (path.size() < on_stack.size()) {
    *std::copy(path.begin(), path.end(), on_stack.begin()) = '\0';
  } else {
    on_heap.assign(path);
    terminated = on_heap.c_str();
  }
  for (;;) {
    const int fd = ::openat(folder, terminated, flags | O_CLOEXEC, mode);
    if (fd >= 0) return FileDescriptor(fd);
    if (errno != EINTR || !retry_after_signal(should_stop)) return std::unexpected(errno);
  }
}

FileDescriptor::FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

FileDescriptor::~FileDescriptor() {
  if (fd_ >= 0) ::close(fd_);
}

std::expected<std::size_t, int> FileDescriptor::read(char* into, std::size_t size, ShouldStop should_stop) const {
  for (;;) {
    const ssize_t got = ::read(fd_, into, size);
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno != EINTR || !retry_after_signal(should_stop)) return std::unexpected(errno);
  }
}

std::expected<void, int> write_all(int fd, iovec* vectors, std::size_t count, ShouldStop should_stop) {
  while (count > 0) {
    const ssize_t written = ::writev(fd, vectors, static_cast<int>(count));
    if (written < 0) {
      if (errno == EINTR && retry_after_signal(should_stop)) continue;
      return std::unexpected(errno);
    }
    auto left = static_cast<std::size_t>(written);
    while (count > 0 && left >= vectors->iov_len) {
      left -= vectors->iov_len;
      ++vectors;
      --count;
    }
    if (count > 0) {
      vectors->iov_base = static_cast<char*>(vectors->iov_base) + left;
      vectors->iov_len -= left;
    }
  }
  return {};
}

// EINTR leaves the descriptor closed on Linux, so it is not an error.
std::expected<void, int> FileDescriptor::close() {
  if (::close(std::exchange(fd_, -1)) == 0 || errno == EINTR) return {};
  return std::unexpected(errno);
}

}  // namespace paiscribe
