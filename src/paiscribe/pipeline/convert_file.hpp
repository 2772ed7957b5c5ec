#pragma once

#include <expected>
#include <string_view>

#include "paiscribe/io/file_descriptor.hpp"
#include "paiscribe/pipeline/converter.hpp"
#include "paiscribe/pipeline/pipeline_error.hpp"

namespace paiscribe {

// Writes `bytes` to `mjai_out` (raw path bytes; "-" is standard output),
// replacing a regular file whole: it ends up either whole or as it was.
std::expected<void, PipelineError> write_output(std::string_view mjai_out, std::string_view bytes,
                                                ShouldStop should_stop = nullptr, FileKinds kinds = FileKinds::Any);

// Writes every line of the record `converter` has started into the file at
// `output` (raw path bytes), gzip-compressed when asked. A record that fails
// leaves the output as it was.
std::expected<void, PipelineError> write_game(Converter& converter, std::string_view output, bool gzip,
                                              FileKinds kinds = FileKinds::Any);

// Converts the record at `input` into the file at `output` (raw path bytes),
// gzip-compressed when asked. A record fails with the class and message
// tenhou_to_mjai gives for it, and the output then stays as it was. Both
// files are of the kinds `policy` takes.
std::expected<void, PipelineError> convert_file(Converter& converter, std::string_view input, InputPolicy policy,
                                                std::string_view output, bool gzip);

}  // namespace paiscribe
