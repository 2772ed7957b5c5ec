#pragma once

#include <cstddef>
#include <expected>
#include <string>
#include <string_view>

#include "paiscribe/base/padded_text.hpp"
#include "paiscribe/io/gzip.hpp"

namespace paiscribe {

struct Bzip2Error {
  enum class Kind { Corrupt, TooLarge, OutOfMemory };
  Kind kind;
  std::string message;
};

// Whether the bytes open as a bzip2 stream does: "BZh" and a block size 1-9.
bool is_bzip2(std::string_view bytes);

// The data of every stream of a bzip2 file, one after the other, inflated
// straight into `out`, whose room is kept for the next. The same bound as
// gzip's holds: a stream that would grow past `limit` is refused.
std::expected<void, Bzip2Error> bunzip2(std::string_view bytes, PaddedText& out, std::size_t limit = kGunzipLimit);

}  // namespace paiscribe
