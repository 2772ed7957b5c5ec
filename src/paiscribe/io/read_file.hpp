#pragma once

#include <expected>
#include <string_view>

#include "paiscribe/base/padded_text.hpp"
#include "paiscribe/io/file_descriptor.hpp"

namespace paiscribe {

// Why a file's bytes could not be had, with the errno of the call that failed.
struct ReadFailure {
  enum class Step { Open, Read };
  Step step;
  int error_number;  // EINTR: a ShouldStop check ended the call
};

// The whole file at `path` (raw path bytes), read once straight into `text`,
// whose room is kept for the next file. A path containing NUL names no file.
std::expected<void, ReadFailure> read_file(std::string_view path, PaddedText& text, ShouldStop should_stop = nullptr);

}  // namespace paiscribe
