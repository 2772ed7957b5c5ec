#pragma once

#include <cstddef>
#include <expected>
#include <string>
#include <string_view>

#include "paiscribe/base/padded_text.hpp"

namespace paiscribe {

struct GzipError {
  enum class Kind { Corrupt, TooLarge, OutOfMemory };
  Kind kind;
  std::string message;
};

// Whether the bytes open with the gzip magic number (1f 8b).
bool is_gzip(std::string_view bytes);

// A game record is a few hundred kB at most; a stream that would grow past
// this is refused rather than allowed to take the memory.
inline constexpr std::size_t kGunzipLimit = std::size_t{256} << 20;

// The data of every member of a gzip stream, one after the other, inflated
// straight into `out`, whose room is kept for the next stream.
std::expected<void, GzipError> gunzip(std::string_view bytes, PaddedText& out, std::size_t limit = kGunzipLimit);

// One gzip member holding `data`. mjai text compresses to about an eighth
// at the fastest level and a tenth at the usual one, which takes about four
// times as long: the fastest keeps a compressed output close to the cost of
// a plain one.
std::expected<std::string, GzipError> gzip_compress(std::string_view data);

}  // namespace paiscribe
