#pragma once

#include <expected>
#include <string>
#include <string_view>

#include "paiscribe/entry/pipeline.hpp"

namespace paiscribe {

// The bytes of the log at `path` (raw path bytes), restored first when they
// are gzip-compressed, whatever the file's name. Every input is read here, so
// any form a log may be stored in is recognised in one place.
std::expected<PaddedText, PipelineError> read_log_input(std::string_view path);

// The bytes as they are, or restored when they are gzip-compressed.
std::expected<PaddedText, PipelineError> restore_gzip(PaddedText bytes);

}  // namespace paiscribe
