#pragma once

#include <expected>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "paiscribe/base/padded_text.hpp"
#include "paiscribe/entry/file_descriptor.hpp"

namespace paiscribe {

// Why the text of an open log could not be had.
struct LogReadFailed {
  int error_number;
};
struct LogNotUtf8 {};
using LogReadError = std::variant<LogReadFailed, LogNotUtf8>;

// A log file open for reading; closed when the value goes away.
class LogFile {
 public:
  struct OpenFailed {
    int error_number;  // EINTR: a ShouldStop check ended the open
  };

  // `path` is raw bytes; one containing NUL cannot name a file.
  static std::expected<LogFile, OpenFailed> open(std::string_view path, ShouldStop should_stop = nullptr);

  // The whole file from the current position to its end, read once straight
  // into a buffer a parser can read in place.
  std::expected<PaddedText, LogReadFailed> read_padded(ShouldStop should_stop = nullptr);

 private:
  explicit LogFile(FileDescriptor file) : file_(std::move(file)) {}
  FileDescriptor file_;
};

}  // namespace paiscribe
