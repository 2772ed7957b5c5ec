#pragma once

#include <expected>
#include <string>
#include <string_view>

#include "paiscribe/io/file_descriptor.hpp"
#include "paiscribe/pipeline/converter.hpp"
#include "paiscribe/pipeline/failure_text.hpp"
#include "paiscribe/pipeline/pipeline_error.hpp"

namespace paiscribe {

// Whether the package's paths gzip-compress what they write to `path`: its
// name ends in ".gz", in any case. (tenhou_to_mjai writes plain text whatever
// the name.)
bool names_gzip(std::string_view path);

// `bytes`, or with `gzip` their compression, which `held` then keeps.
// Fails only when memory runs out, as a write to `path` would.
std::expected<std::string_view, PipelineError> output_bytes(std::string_view bytes, bool gzip, std::string& held,
                                                            std::string_view path, OutputLabel label = {});

// Writes `bytes` to `path` (raw path bytes; "-" is standard output),
// gzip-compressed when asked, replacing a regular file whole: it ends up
// either whole or as it was.
std::expected<void, PipelineError> write_output(std::string_view path, std::string_view bytes,
                                                ShouldStop should_stop = nullptr, OutputLabel label = {},
                                                bool gzip = false);

// The same for the output of a run of many logs: the regular file `name` in
// the open folder `folder`, never through a link; `shown` names it in a
// failure.
std::expected<void, PipelineError> write_output_in(int folder, std::string_view name, std::string_view shown,
                                                   std::string_view bytes, bool gzip);

}  // namespace paiscribe
