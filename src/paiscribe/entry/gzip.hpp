#pragma once

#include <cstddef>
#include <expected>
#include <string>
#include <string_view>

namespace paiscribe {

// Why a gzip stream gave no text; the reason is for people.
struct GzipError {
  std::string reason;
};

// The gzip magic bytes (1f 8b) at the start: a compressed log, whatever its name.
bool is_gzip(std::string_view bytes);

// Every member of a gzip stream, one after the other, as gzip -d gives them.
// A stream that would grow past `max_size` bytes fails instead of taking the
// memory.
inline constexpr std::size_t kMaxGunzipSize = std::size_t{1} << 30;
std::expected<std::string, GzipError> gunzip(std::string_view compressed, std::size_t max_size = kMaxGunzipSize);

// One gzip member that gzip -d restores to `bytes` exactly. Levels run from
// 1 (fastest) to 12 (smallest).
std::string gzip_compress(std::string_view bytes, int level);

}  // namespace paiscribe
