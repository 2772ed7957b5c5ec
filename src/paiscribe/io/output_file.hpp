#pragma once

#include <sys/types.h>

#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "paiscribe/io/file_descriptor.hpp"
#include "paiscribe/io/replacing_file.hpp"

namespace paiscribe {

// Each keeps the errno of the call that failed; EINTR means a ShouldStop
// check ended the call.
struct OutputCreateFailed {
  int error_number;
};
struct OutputWriteFailed {
  int error_number;
};
// A run of many logs found another kind of file there.
struct OutputNotRegular {
  mode_t mode;
};
// A run of many logs found a symbolic link at the output, or at `where`, a
// folder on its way below the output folder, and followed it not.
struct OutputIsLink {
  std::string where;  // empty for the output itself
};
using OutputError = std::variant<OutputCreateFailed, OutputWriteFailed, OutputNotRegular, OutputIsLink>;

// Whether an output path means standard output: "-" alone once repeated
// separators, a trailing separator and non-leading "." components are ignored.
bool names_standard_output(std::string_view path);

// Where lines are written, whatever writes them. A regular file is replaced
// whole: the bytes go to a temporary file beside it, renamed over it by
// commit(), so a failure or a drop without commit leaves the destination as
// it was (even when it is the log itself), keeping its permission bits and
// any symbolic link to it. Other destinations (FIFOs, devices, and a regular
// file whose folder takes no new file) are written in place, and so is
// standard output: in one write for each call, or line by line when it is
// a terminal, as a line-buffered stream would show them.
class OutputFile {
 public:
  // Opens `path` (raw path bytes) without truncating it, so that every reason
  // it cannot be created fails here as it would for a plain open.
  static std::expected<OutputFile, OutputError> open(std::string_view path, ShouldStop should_stop = nullptr);
  // The output of a run of many logs: the file `name` in the open folder
  // `folder`, which must stay open until the file is committed or dropped.
  // A regular file only: another kind there is refused without a wait, and
  // a symbolic link is never followed. The destination itself is never
  // opened, so a run killed at any moment leaves no empty file in its
  // place, which a resumed run would take for a finished output.
  static std::expected<OutputFile, OutputError> open_in(int folder, std::string_view name);

  OutputFile(OutputFile&& other) noexcept;
  OutputFile& operator=(OutputFile&&) = delete;
  ~OutputFile();

  std::expected<void, OutputError> write(std::string_view bytes);
  std::expected<void, OutputError> commit();

 private:
  OutputFile(std::optional<FileDescriptor> file, ShouldStop should_stop)
      : file_(std::move(file)), should_stop_(should_stop) {}

  std::optional<FileDescriptor> file_;  // written in place; with neither this nor replacing_, standard output
  std::optional<ReplacingFile> replacing_;
  std::string created_;  // a destination made by open(), removed unless committed
  ShouldStop should_stop_;
  bool line_by_line_ = false;  // standard output is a terminal
};

}  // namespace paiscribe
