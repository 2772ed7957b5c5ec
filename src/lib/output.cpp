#include "output.hpp"

#include <fcntl.h>
#include <limits.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <utility>

#include "path_text.hpp"

namespace paiscribe {
namespace {

#ifdef IOV_MAX
constexpr std::size_t kMaxIovecs = IOV_MAX;
#else
constexpr std::size_t kMaxIovecs = 1024;
#endif
// A line and its line feed take two vectors, so batches hold whole lines.
constexpr std::size_t kBatchIovecs = std::min<std::size_t>(kMaxIovecs, 1024) & ~std::size_t{1};

constexpr char kLineFeed[] = "\n";

iovec text_iovec(std::string_view text) {
  return {const_cast<char*>(text.data()), text.size()};
}

// Writes every byte the vectors describe, resuming after partial writes and
// signals. Returns 0, or the errno of the write that failed.
int write_fully(int fd, iovec* vectors, std::size_t count) {
  while (count > 0) {
    const ssize_t written = ::writev(fd, vectors, static_cast<int>(count));
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
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
  return 0;
}

// Line by line, so each line reaches the descriptor as soon as it is written,
// as a line-buffered stream would. A closed descriptor swallows the lines.
std::expected<void, OutputError> write_to_standard_output(std::span<const MjaiLine> lines) {
  for (const MjaiLine& line : lines) {
    iovec vectors[2] = {text_iovec(line), text_iovec({kLineFeed, 1})};
    const int error = write_fully(STDOUT_FILENO, vectors, 2);
    if (error != 0 && error != EBADF) return std::unexpected(OutputWriteFailed{});
  }
  return {};
}

// Closes the descriptor when the write ends, however it ends.
class OutputFile {
 public:
  explicit OutputFile(int fd) : fd_(fd) {}
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  int fd() const { return fd_; }
  // A failed close can mean the data never arrived; EINTR leaves the
  // descriptor closed on Linux, so it is not an error.
  bool close() {
    const int status = ::close(std::exchange(fd_, -1));
    return status == 0 || errno == EINTR;
  }

 private:
  int fd_;
};

std::expected<void, OutputError> write_to_file(std::string_view path, std::span<const MjaiLine> lines) {
  if (path.find('\0') != std::string_view::npos) return std::unexpected(OutputCreateFailed{});
  const std::string terminated(path);
  int fd;
  do {
    fd = ::open(terminated.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return std::unexpected(OutputCreateFailed{});
  OutputFile file(fd);

  std::array<iovec, kBatchIovecs> batch;
  std::size_t filled = 0;
  for (const MjaiLine& line : lines) {
    batch[filled++] = text_iovec(line);
    batch[filled++] = text_iovec({kLineFeed, 1});
    if (filled == batch.size()) {
      if (write_fully(file.fd(), batch.data(), filled) != 0) return std::unexpected(OutputWriteFailed{});
      filled = 0;
    }
  }
  if (filled > 0 && write_fully(file.fd(), batch.data(), filled) != 0) {
    return std::unexpected(OutputWriteFailed{});
  }
  if (!file.close()) return std::unexpected(OutputWriteFailed{});
  return {};
}

}  // namespace

std::expected<void, OutputError> write_lines(std::string_view mjai_out, std::span<const MjaiLine> lines) {
  if (names_standard_output(mjai_out)) return write_to_standard_output(lines);
  return write_to_file(mjai_out, lines);
}

}  // namespace paiscribe
