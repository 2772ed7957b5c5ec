#pragma once

#include <expected>
#include <string_view>

#include "paiscribe/io/file_descriptor.hpp"
#include "paiscribe/pipeline/converter.hpp"
#include "paiscribe/pipeline/failure_text.hpp"
#include "paiscribe/pipeline/pipeline_error.hpp"

namespace paiscribe {

// Writes `bytes` to `path` (raw path bytes; "-" is standard output),
// replacing a regular file whole: it ends up either whole or as it was.
std::expected<void, PipelineError> write_output(std::string_view path, std::string_view bytes,
                                                ShouldStop should_stop = nullptr, FileKinds kinds = FileKinds::Any,
                                                OutputLabel label = {});

// Writes every line of the record `converter` has started into the file at
// `output` (raw path bytes), gzip-compressed when asked. A record that fails
// leaves the output as it was.
std::expected<void, PipelineError> write_game(Converter& converter, std::string_view output, bool gzip,
                                              FileKinds kinds = FileKinds::Any);

}  // namespace paiscribe
