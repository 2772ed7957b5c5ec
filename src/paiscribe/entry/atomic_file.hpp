#pragma once

#include <expected>
#include <string_view>

#include "paiscribe/entry/output.hpp"

namespace paiscribe {

// Writes `bytes` to a new file next to `path` (raw path bytes) and renames it
// to `path`: a reader, or a run that stops, sees the old file or the whole new
// one, never a part. Nothing is left behind when it fails.
std::expected<void, OutputError> replace_file(std::string_view path, std::string_view bytes);

}  // namespace paiscribe
