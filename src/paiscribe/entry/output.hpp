#pragma once

#include <expected>
#include <string_view>
#include <variant>

#include "paiscribe/entry/file_descriptor.hpp"
#include "paiscribe/mjai/mjai_lines.hpp"

namespace paiscribe {

// Each keeps the errno of the call that failed; EINTR means a ShouldStop
// check ended the write.
struct OutputCreateFailed {
  int error_number;
};
struct OutputWriteFailed {
  int error_number;
};
using OutputError = std::variant<OutputCreateFailed, OutputWriteFailed>;

// Writes each line and a line feed to `mjai_out` (raw path bytes), or to file
// descriptor 1 when the path means standard output. A file is created or
// replaced only here, so callers call this once every line exists; a regular
// file ends up either whole or as it was.
std::expected<void, OutputError> write_lines(std::string_view mjai_out, const MjaiLines& lines,
                                             ShouldStop should_stop = nullptr);

}  // namespace paiscribe
