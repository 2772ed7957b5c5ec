#include "paiscribe/io/record_reader.hpp"

#include <utility>

namespace paiscribe {
namespace {

// Past this a kept buffer goes back: a typical game's text is a few hundred kB.
constexpr std::size_t kKeptBytes = std::size_t{1} << 20;

}  // namespace

// A new compression plugs in here, by its first bytes, and in inflate().
Compression compression_of(std::string_view bytes) {
  if (is_gzip(bytes)) return Compression::Gzip;
  if (is_bzip2(bytes)) return Compression::Bzip2;
  return Compression::None;
}

RecordReader::Text RecordReader::read_file(std::string_view path, Decompress decompress, ShouldStop should_stop,
                                           FileKinds kinds) {
  if (auto read = paiscribe::read_file(path, bytes_, should_stop, kinds); !read) return std::unexpected(read.error());
  return undo(bytes_, decompress);
}

RecordReader::Text RecordReader::copy(std::string_view bytes, Decompress decompress) {
  // A compressed record is inflated from where it lies, without a copy of its own.
  const Compression compression = decompress == Decompress::Yes ? compression_of(bytes) : Compression::None;
  if (compression != Compression::None) return inflate(bytes, compression);
  bytes_.assign(bytes);
  return &bytes_;
}

RecordReader::Text RecordReader::take(PaddedText bytes, Decompress decompress) {
  bytes_ = std::move(bytes);
  return undo(bytes_, decompress);
}

void RecordReader::keep_typical() {
  if (bytes_.reserved_bytes() > kKeptBytes) bytes_ = PaddedText();
  if (undone_.reserved_bytes() > kKeptBytes) undone_ = PaddedText();
}

RecordReader::Text RecordReader::undo(PaddedText& bytes, Decompress decompress) {
  const Compression compression = decompress == Decompress::Yes ? compression_of(bytes.view()) : Compression::None;
  if (compression == Compression::None) return &bytes;
  return inflate(bytes.view(), compression);
}

RecordReader::Text RecordReader::inflate(std::string_view packed, Compression compression) {
  switch (compression) {
    case Compression::Gzip:
      if (auto inflated = gunzip(packed, undone_); !inflated) return std::unexpected(std::move(inflated.error()));
      return &undone_;
    case Compression::Bzip2:
      if (auto inflated = bunzip2(packed, undone_); !inflated) return std::unexpected(std::move(inflated.error()));
      return &undone_;
    case Compression::None: break;
  }
  undone_.assign(packed);
  return &undone_;
}

}  // namespace paiscribe
