#pragma once

#include <expected>
#include <span>
#include <string_view>

#include "paiscribe/entry/output.hpp"

namespace paiscribe {

// gzip level for outputs: against level 6, a few percent larger files for
// about half the compression time.
inline constexpr int kOutputGzipLevel = 4;

// Each line and a line feed into the file at `path` (raw path bytes),
// gzip-compressed when asked. The file appears complete or not at all. Every
// output of a batch is written here, so its form is decided in one place.
std::expected<void, OutputError> write_log_output(std::string_view path, std::span<const MjaiLine> lines, bool gzip);

}  // namespace paiscribe
