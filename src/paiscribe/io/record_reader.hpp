#pragma once

#include <cstdint>
#include <expected>
#include <string_view>
#include <variant>

#include "paiscribe/base/padded_text.hpp"
#include "paiscribe/io/bzip2.hpp"
#include "paiscribe/io/file_descriptor.hpp"
#include "paiscribe/io/gzip.hpp"
#include "paiscribe/io/read_file.hpp"

namespace paiscribe {

// How a record's bytes are packed, as their first bytes tell.
enum class Compression : std::uint8_t { None, Gzip, Bzip2 };
Compression compression_of(std::string_view bytes);

// Why a record's text could not be had: its file could not be read, or its
// compression could not be undone.
using RecordReadError = std::variant<ReadFailure, GzipError, Bzip2Error>;

// Whether a reader undoes a record's compression or takes its bytes as they are.
enum class Decompress : bool { No, Yes };

// The one way a record's text is had: read from its file, or taken from
// bytes given in memory, then, when asked, its compression undone. The text
// is read and inflated into buffers the reader keeps from record to record,
// so a typical record costs no allocation; keep_typical() gives back those
// that a large record grew. Each call's text stays valid until the next.
class RecordReader {
 public:
  using Text = std::expected<PaddedText*, RecordReadError>;

  // The file at `path` (raw path bytes), as read_file reads it.
  Text read_file(std::string_view path, Decompress decompress, ShouldStop should_stop = nullptr,
                 FileKinds kinds = FileKinds::Any);
  // Bytes held elsewhere, copied into the kept room (or inflated straight from where they are).
  Text copy(std::string_view bytes, Decompress decompress);
  // Bytes made for this record, taken over without a copy.
  Text take(PaddedText bytes, Decompress decompress);

  // Gives back a buffer grown past a typical record's.
  void keep_typical();

 private:
  Text undo(PaddedText& bytes, Decompress decompress);
  Text inflate(std::string_view packed, Compression compression);

  PaddedText bytes_;   // the record as it came
  PaddedText undone_;  // the same once its compression is undone
};

}  // namespace paiscribe
