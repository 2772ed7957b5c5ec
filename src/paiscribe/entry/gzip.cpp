#include "paiscribe/entry/gzip.hpp"

#include <libdeflate.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>

namespace paiscribe {
namespace {

struct FreeDecompressor {
  void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};
struct FreeCompressor {
  void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

constexpr std::size_t kMaxDeflateRatio = 1032;

// The size the stream's last member says it restores to (modulo 2^32): for
// the usual single member, the exact size to allocate.
std::size_t stated_size(std::string_view compressed) {
  if (compressed.size() < 18) return 0;
  const auto* tail = reinterpret_cast<const unsigned char*>(compressed.data() + compressed.size() - 4);
  return std::uint32_t{tail[0]} | std::uint32_t{tail[1]} << 8 | std::uint32_t{tail[2]} << 16 |
         std::uint32_t{tail[3]} << 24;
}

}  // namespace

bool is_gzip(std::string_view bytes) { return bytes.starts_with("\x1f\x8b"); }

std::expected<std::string, GzipError> gunzip(std::string_view compressed, std::size_t max_size) {
  // No deflate stream restores to more than 1032 times its size; a stream cut
  // short may look as though it wanted more room.
  max_size = std::min(max_size, compressed.size() * kMaxDeflateRatio + 4096);
  const std::unique_ptr<libdeflate_decompressor, FreeDecompressor> decompressor(libdeflate_alloc_decompressor());
  if (!decompressor) throw std::bad_alloc();

  std::string out;
  out.resize(std::min(max_size, std::max<std::size_t>({stated_size(compressed), compressed.size() * 4, 4096})));
  std::size_t used = 0;
  while (!compressed.empty()) {
    std::size_t read = 0;
    std::size_t written = 0;
    const auto result = libdeflate_gzip_decompress_ex(decompressor.get(), compressed.data(), compressed.size(),
                                                      out.data() + used, out.size() - used, &read, &written);
    if (result == LIBDEFLATE_INSUFFICIENT_SPACE) {
      if (out.size() == max_size) {
        return std::unexpected(GzipError{"gzip stream is cut short or restores to more than " +
                                         std::to_string(max_size) + " bytes"});
      }
      out.resize(std::min(max_size, out.size() * 2));
      continue;
    }
    if (result != LIBDEFLATE_SUCCESS) {
      return std::unexpected(GzipError{used == 0 ? "not a valid gzip stream (corrupt or cut short)"
                                                 : "gzip member after the first is corrupt or cut short"});
    }
    used += written;
    compressed.remove_prefix(read);
  }
  out.resize(used);
  return out;
}

std::string gzip_compress(std::string_view bytes, int level) {
  const std::unique_ptr<libdeflate_compressor, FreeCompressor> compressor(libdeflate_alloc_compressor(level));
  if (!compressor) throw std::bad_alloc();
  std::string out;
  out.resize(libdeflate_gzip_compress_bound(compressor.get(), bytes.size()));
  out.resize(libdeflate_gzip_compress(compressor.get(), bytes.data(), bytes.size(), out.data(), out.size()));
  return out;
}

}  // namespace paiscribe
