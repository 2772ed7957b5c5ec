#pragma once

#include <expected>
#include <optional>
#include <string>
#include <string_view>

#include "paiscribe/entry/error_class.hpp"
#include "paiscribe/entry/file_descriptor.hpp"
#include "paiscribe/mjai/mjai_lines.hpp"

namespace paiscribe {

// The message is fixed per kind of failure, for callers to match on; the
// detail says where and why, for a person to read.
struct PipelineError {
  ErrorClass error_class;
  std::string message;  // UTF-8
  std::string detail{};  // UTF-8; empty when there is none
};

// Reads the log at `filename` (raw path bytes), converts it and returns its
// mjai lines; when `mjai_out` is given, also writes them there ("-" is
// standard output). Either every line exists or nothing is written.
// `should_stop` is asked whenever a signal interrupts a blocking open, read
// or write.
std::expected<MjaiLines, PipelineError> run_pipeline(std::string_view filename,
                                                     std::optional<std::string_view> mjai_out,
                                                     ShouldStop should_stop = nullptr);

}  // namespace paiscribe
