#pragma once

#include <expected>
#include <span>
#include <string_view>
#include <variant>

#include "paiscribe/mjai/serialize.hpp"

namespace paiscribe {

struct OutputCreateFailed {};
struct OutputWriteFailed {};
using OutputError = std::variant<OutputCreateFailed, OutputWriteFailed>;

// Writes each line and a line feed to `mjai_out` (raw path bytes), or to file
// descriptor 1 when the path means standard output. A file is created or
// truncated only here, so callers call this once every line exists.
std::expected<void, OutputError> write_lines(std::string_view mjai_out, std::span<const MjaiLine> lines);

}  // namespace paiscribe
