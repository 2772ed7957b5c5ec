#pragma once

#include <expected>
#include <string_view>

#include "paiscribe/entry/pipeline.hpp"

namespace paiscribe {

// Converts the log at `input` into the file at `output` (raw path bytes),
// gzip-compressed when asked. A log fails with the class and message that
// run_pipeline gives for it; the output then stays as it was. The work is
// done in `storage`, kept by a caller that converts file after file, who
// calls its keep_typical() after each.
std::expected<void, PipelineError> convert_file(std::string_view input, std::string_view output, bool gzip,
                                                PipelineStorage& storage);

}  // namespace paiscribe
