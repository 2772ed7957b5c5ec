#include "paiscribe/io/bzip2.hpp"

#include <bzlib.h>

#include <algorithm>
#include <climits>

namespace paiscribe {
namespace {

using Failure = std::unexpected<Bzip2Error>;

// bzip2 shrinks a game record to about a fifth; the first guess of its
// room is ten times the packed size, doubled as it fills.
constexpr std::size_t kFirstGrowth = 10;
constexpr std::size_t kLeastRoom = std::size_t{64} << 10;

std::string at_byte(std::size_t offset) { return " at byte " + std::to_string(offset); }

// One decompressor's state, ended however the stream ends.
class Decompressor {
 public:
  Decompressor() = default;
  Decompressor(const Decompressor&) = delete;
  Decompressor& operator=(const Decompressor&) = delete;
  ~Decompressor() {
    if (started_) BZ2_bzDecompressEnd(&stream_);
  }
  int start() {
    const int status = BZ2_bzDecompressInit(&stream_, 0, 0);
    started_ = status == BZ_OK;
    return status;
  }
  bz_stream& stream() { return stream_; }

 private:
  bz_stream stream_{};
  bool started_ = false;
};

// One stream from the start of `rest` appended to `out`; the bytes it took.
std::expected<std::size_t, Bzip2Error> inflate_stream(std::string_view rest, std::size_t offset, PaddedText& out,
                                                      std::size_t limit) {
  Decompressor decompressor;
  if (const int status = decompressor.start(); status != BZ_OK)
    return Failure(Bzip2Error{status == BZ_MEM_ERROR ? Bzip2Error::Kind::OutOfMemory : Bzip2Error::Kind::Corrupt,
                              "no memory for a decompressor"});
  bz_stream& stream = decompressor.stream();
  // The library counts in unsigned ints; a record is far below that.
  if (rest.size() > UINT_MAX) return Failure(Bzip2Error{Bzip2Error::Kind::TooLarge, "the stream is too long"});
  stream.next_in = const_cast<char*>(rest.data());
  stream.avail_in = static_cast<unsigned>(rest.size());
  std::size_t written = out.size();
  std::size_t room = std::min(std::max(rest.size() * kFirstGrowth, kLeastRoom), limit - std::min(limit, written));
  for (;;) {
    if (room == 0)
      return Failure(Bzip2Error{Bzip2Error::Kind::TooLarge,
                                "the data grows past " + std::to_string(limit) + " bytes in the stream" + at_byte(offset)});
    const std::size_t chunk = std::min<std::size_t>(room, UINT_MAX);
    char* const text = out.grow_to(written + chunk);
    stream.next_out = text + written;
    stream.avail_out = static_cast<unsigned>(chunk);
    const int status = BZ2_bzDecompress(&stream);
    written += chunk - stream.avail_out;
    out.set_size(written);
    if (status == BZ_STREAM_END) return rest.size() - stream.avail_in;
    if (status == BZ_MEM_ERROR) return Failure(Bzip2Error{Bzip2Error::Kind::OutOfMemory, "out of memory"});
    if (status != BZ_OK || (stream.avail_in == 0 && stream.avail_out != 0))
      return Failure(Bzip2Error{Bzip2Error::Kind::Corrupt, "a corrupt or cut-short stream" + at_byte(offset)});
    room = std::min(written, limit - std::min(limit, written));
  }
}

}  // namespace

bool is_bzip2(std::string_view bytes) {
  return bytes.size() >= 4 && bytes.starts_with("BZh") && bytes[3] >= '1' && bytes[3] <= '9';
}

std::expected<void, Bzip2Error> bunzip2(std::string_view bytes, PaddedText& out, std::size_t limit) {
  out.clear();
  if (!is_bzip2(bytes)) return Failure(Bzip2Error{Bzip2Error::Kind::Corrupt, "no bzip2 header at byte 0"});
  std::size_t offset = 0;
  while (offset < bytes.size()) {
    const std::string_view rest = bytes.substr(offset);
    if (!is_bzip2(rest))
      return Failure(Bzip2Error{Bzip2Error::Kind::Corrupt, "bytes after the last stream" + at_byte(offset)});
    auto used = inflate_stream(rest, offset, out, limit);
    if (!used) return Failure(std::move(used.error()));
    offset += *used;
  }
  return {};
}

}  // namespace paiscribe
