#pragma once

#include <cstddef>
#include <expected>
#include <string>
#include <string_view>

namespace paiscribe {

struct GzipError {
  enum class Kind { NotGzip, Corrupt, TooLarge, BadLevel, OutOfMemory };
  Kind kind;
  std::string message;
};

// Whether the bytes open with the gzip magic number (1f 8b).
bool is_gzip(std::string_view bytes);

// A game record is a few hundred kB at most; a stream that would grow past
// this is refused rather than allowed to take the memory.
inline constexpr std::size_t kGunzipLimit = std::size_t{256} << 20;

// The data of every member of a gzip stream, one after the other.
std::expected<std::string, GzipError> gunzip(std::string_view bytes, std::size_t limit = kGunzipLimit);

// One gzip member holding `data`, at a level from 0 (fastest) to 3 (smallest).
std::expected<std::string, GzipError> gzip_compress(std::string_view data, int level);

}  // namespace paiscribe
