#pragma once

#include <sys/types.h>

#include <expected>
#include <string_view>

#include "paiscribe/base/padded_text.hpp"
#include "paiscribe/io/file_descriptor.hpp"

namespace paiscribe {

// Why a file's bytes could not be had, with the errno of the call that failed.
struct ReadFailure {
  enum class Step { Open, Read, NotRegular };
  Step step;
  int error_number;  // EINTR: a ShouldStop check ended the call; 0 for NotRegular
  mode_t mode = 0;   // NotRegular: the file's type
};

// The whole file at `path` (raw path bytes), read once straight into `text`,
// whose room is kept for the next file. A path containing NUL names no file.
// With FileKinds::RegularOnly, any other kind of file fails as NotRegular
// without a wait.
std::expected<void, ReadFailure> read_file(std::string_view path, PaddedText& text, ShouldStop should_stop = nullptr,
                                           FileKinds kinds = FileKinds::Any);

}  // namespace paiscribe
