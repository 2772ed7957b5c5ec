#pragma once

#include <expected>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

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
  struct OpenFailed {};

  // `path` is raw bytes; one containing NUL cannot name a file.
  static std::expected<LogFile, OpenFailed> open(std::string_view path);

  // The whole file from the current position to its end, checked to be UTF-8.
  std::expected<std::string, LogReadError> read_text();

  // The same bytes unchecked, for text that is still compressed.
  std::expected<std::string, LogReadFailed> read_bytes();

 private:
  explicit LogFile(FileDescriptor file) : file_(std::move(file)) {}
  FileDescriptor file_;
};

}  // namespace paiscribe
