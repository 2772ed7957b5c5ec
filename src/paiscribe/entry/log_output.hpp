#pragma once

#include <expected>
#include <string_view>

#include "paiscribe/entry/output.hpp"
#include "paiscribe/mjai/mjai_lines.hpp"

namespace paiscribe {

// gzip level for outputs. mjai text compresses to about an eighth at level 1
// and a tenth at level 6, which takes about four times as long: level 1 keeps
// a compressed output close to the cost of a plain one.
inline constexpr int kOutputGzipLevel = 1;

// Each line and a line feed into the file at `path` (raw path bytes),
// gzip-compressed when asked. The file appears complete or not at all. Every
// output of a batch is written here, so its form is decided in one place.
std::expected<void, OutputError> write_log_output(std::string_view path, const MjaiLines& lines, bool gzip);

}  // namespace paiscribe
