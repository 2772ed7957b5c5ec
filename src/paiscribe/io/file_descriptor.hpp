#pragma once

#include <sys/types.h>
#include <sys/uio.h>

#include <cstddef>
#include <expected>
#include <string_view>

namespace paiscribe {

// Asked when a signal interrupts a call that can block for long (opening a
// FIFO, reading or writing one): true when the call should end there because
// the caller's own signal handling asks for it. Without one, the call is
// simply retried. A call that ends this way fails with EINTR. The caller
// hands it down with each call (the CPython boundary gives one that runs
// the interpreter's signal handlers): io/ asks it and knows nothing above.
using ShouldStop = bool (*)();

// Which files a caller opens. A run of many files takes regular files only:
// it opens them without waiting (a FIFO without a writer, or one without a
// reader, would hold a worker for good) and refuses any other kind.
enum class FileKinds : bool { Any, RegularOnly };

// What a file that is not regular is, in words: "a FIFO", "a folder".
const char* kind_in_words(mode_t mode);

// An open file descriptor, closed when the value goes away. Every call that
// a signal can interrupt is retried; failures are the call's errno.
class FileDescriptor {
 public:
  // `path` is raw bytes; one containing NUL names no file (ENOENT).
  static std::expected<FileDescriptor, int> open(std::string_view path, int flags, mode_t mode = 0,
                                                 ShouldStop should_stop = nullptr);
  // The same, with a relative `path` taken from the open folder `folder`
  // (openat), or from the working folder when it is AT_FDCWD.
  static std::expected<FileDescriptor, int> open_at(int folder, std::string_view path, int flags, mode_t mode = 0,
                                                    ShouldStop should_stop = nullptr);

  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(FileDescriptor&& other) noexcept;
  FileDescriptor& operator=(FileDescriptor&& other) noexcept;
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor();

  int get() const { return fd_; }

  // Up to `size` bytes; 0 at end of file.
  std::expected<std::size_t, int> read(char* into, std::size_t size, ShouldStop should_stop = nullptr) const;

  // A failed close can mean the data never arrived.
  std::expected<void, int> close();

 private:
  int fd_;
};

// Every byte the vectors describe, resuming after partial writes and
// signals; the vectors are consumed on the way. Takes a bare descriptor so
// that standard output, which is never closed here, is written the same way.
std::expected<void, int> write_all(int fd, iovec* vectors, std::size_t count, ShouldStop should_stop = nullptr);

}  // namespace paiscribe
