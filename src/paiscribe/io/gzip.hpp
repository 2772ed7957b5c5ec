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

// One gzip member holding `data`, at libdeflate's fastest level. mjai lines
// shrink to about a ninth at it and to about a thirteenth at the default
// level, which takes three times as long (bench/gzip_bench.cpp).
std::expected<std::string, GzipError> gzip_compress(std::string_view data);

}  // namespace paiscribe
