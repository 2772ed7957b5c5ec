#include "paiscribe/io/gzip.hpp"

#include <libdeflate.h>

#include <algorithm>
#include <array>
#include <memory>

namespace paiscribe {
namespace {

using Failure = std::unexpected<GzipError>;

constexpr std::size_t kMemberOverhead = 18;  // a 10-byte header and an 8-byte trailer
// DEFLATE cannot grow data by more than this factor; a larger size claim is a lie.
constexpr std::size_t kMostGrowth = 1032;
constexpr std::size_t kFirstGuess = std::size_t{64} << 10;

struct FreeDecompressor {
  void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};
struct FreeCompressor {
  void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

std::string at_byte(std::size_t offset) { return " at byte " + std::to_string(offset); }

// The member's own size claim, when it is the last member: its trailer ends the input.
std::size_t size_hint(std::string_view rest) {
  if (rest.size() < kMemberOverhead) return kFirstGuess;
  const auto* tail = reinterpret_cast<const unsigned char*>(rest.data() + rest.size() - 4);
  const std::size_t claimed = tail[0] | tail[1] << 8 | tail[2] << 16 | std::size_t{tail[3]} << 24;
  return std::clamp<std::size_t>(claimed, 1, rest.size() * kMostGrowth);
}

}  // namespace

bool is_gzip(std::string_view bytes) { return bytes.size() >= 2 && bytes[0] == '\x1f' && bytes[1] == '\x8b'; }

std::expected<void, GzipError> gunzip(std::string_view bytes, PaddedText& out, std::size_t limit) {
  out.clear();
  if (!is_gzip(bytes)) return Failure(GzipError{GzipError::Kind::Corrupt, "no gzip magic number at byte 0"});
  const std::unique_ptr<libdeflate_decompressor, FreeDecompressor> decompressor(libdeflate_alloc_decompressor());
  if (!decompressor) return Failure(GzipError{GzipError::Kind::OutOfMemory, "no memory for a decompressor"});

  std::size_t offset = 0;
  while (offset < bytes.size()) {
    const std::string_view rest = bytes.substr(offset);
    // Zero bytes after the last member pad a stream written in blocks; gzip -d accepts them too.
    if (offset > 0 && rest.find_first_not_of('\0') == std::string_view::npos) break;
    if (!is_gzip(rest)) return Failure(GzipError{GzipError::Kind::Corrupt, "bytes after the last member" + at_byte(offset)});
    // Each try restarts the member with twice the room, up to the limit.
    const std::size_t written = out.size();
    std::size_t room = std::min(size_hint(rest), limit - written);
    while (true) {
      char* const text = out.grow_to(written + room);
      std::size_t used = 0;
      std::size_t produced = 0;
      const libdeflate_result result = libdeflate_gzip_decompress_ex(decompressor.get(), rest.data(), rest.size(),
                                                                     text + written, room, &used, &produced);
      if (result == LIBDEFLATE_SUCCESS) {
        out.set_size(written + produced);
        offset += used;
        break;
      }
      out.set_size(written);
      if (result != LIBDEFLATE_INSUFFICIENT_SPACE)
        return Failure(GzipError{GzipError::Kind::Corrupt, "a corrupt or cut-short member" + at_byte(offset)});
      if (written + room >= limit)
        return Failure(GzipError{GzipError::Kind::TooLarge,
                                 "the data grows past " + std::to_string(limit) + " bytes in the member" + at_byte(offset)});
      room = std::min(room * 2, limit - written);
    }
  }
  return {};
}

// Made for each output, as a compressor's state at the fastest level is
// small next to a game's lines.
std::expected<std::string, GzipError> gzip_compress(std::string_view data) {
  const std::unique_ptr<libdeflate_compressor, FreeCompressor> compressor(libdeflate_alloc_compressor(1));
  if (!compressor) return Failure(GzipError{GzipError::Kind::OutOfMemory, "no memory for a compressor"});
  std::string packed;
  packed.resize_and_overwrite(libdeflate_gzip_compress_bound(compressor.get(), data.size()),
                              [&](char* out, std::size_t size) {
                                return libdeflate_gzip_compress(compressor.get(), data.data(), data.size(), out, size);
                              });
  // The bound holds any data, so an empty member means the library broke its word.
  if (packed.empty()) return Failure(GzipError{GzipError::Kind::Corrupt, "the compressor wrote nothing"});
  return packed;
}

}  // namespace paiscribe
