#pragma once

#include <cstdint>
#include <expected>
#include <memory>
#include <string_view>

#include "paiscribe/base/padded_text.hpp"
#include "paiscribe/io/file_descriptor.hpp"
#include "paiscribe/io/record_reader.hpp"
#include "paiscribe/mjai/mjai_lines.hpp"
#include "paiscribe/pipeline/pipeline_error.hpp"
#include "paiscribe/record/game_details.hpp"
#include "paiscribe/record/raw_log.hpp"

namespace paiscribe {

// Which records a caller takes, whether it undoes their compression first,
// and which kinds of file it reads them from. Told apart, a record is XML
// when its first byte after a byte-order mark and blanks is '<', and a JSON
// log otherwise.
enum class RecordFormat : std::uint8_t { Json, Xml, Either };
struct InputPolicy {
  RecordFormat format;
  Decompress decompress;
  FileKinds files = FileKinds::Any;
};

// A JSON log's text as it is, for tenhou_to_mjai.
inline constexpr InputPolicy kJsonLogAsIs{RecordFormat::Json, Decompress::No};
// An XML record, plain or gzip-compressed.
inline constexpr InputPolicy kMjlog{RecordFormat::Xml, Decompress::Yes};
// Any record, plain or gzip-compressed.
inline constexpr InputPolicy kAnyRecord{RecordFormat::Either, Decompress::Yes};
// Any record, from a regular file only: a run of many logs never waits on one.
inline constexpr InputPolicy kBatchRecord{RecordFormat::Either, Decompress::Yes, FileKinds::RegularOnly};

// Turns one game record after another into mjai lines, keeping the room of
// its buffers from record to record (a fresh heap for each would be trimmed
// by glibc and faulted in again). start() reads a record; then next_batch()
// gives its lines a batch at a time, the caller pulling until it returns
// false. A real game is one batch; a very long one comes a few thousand
// lines at a time, so it is never held whole unless the caller keeps it.
class Converter {
 public:
  Converter();
  Converter(Converter&&) noexcept;
  Converter& operator=(Converter&&) noexcept;
  ~Converter();

  // The one way from a record to lines: reads the record at `path` (raw path
  // bytes), undoes its compression and tells its format apart as `policy`
  // says, then reads the record. A record that fails here gives no line at all.
  std::expected<void, PipelineError> start_file(std::string_view path, InputPolicy policy,
                                                ShouldStop should_stop = nullptr);
  // The same for a record's bytes held elsewhere, copied into the
  // converter's own buffer...
  std::expected<void, PipelineError> start_copy(std::string_view bytes, InputPolicy policy);
  // ...or made for it, taken over without a copy.
  std::expected<void, PipelineError> start(PaddedText bytes, InputPolicy policy);

  // Makes the next batch of lines: in place of the batch before, or after it
  // when `keep` is true, so that lines() ends up holding the whole game.
  // True when there was a batch to make; false once the game is done. A
  // failure ends the game, and the batches before it belong to no result.
  std::expected<bool, PipelineError> next_batch(bool keep = false);

  // Every line of the game, for a caller that writes them out whole.
  std::expected<const MjaiLines*, PipelineError> all_lines();

  const MjaiLines& lines() const;

  // Gives back what grew past the needs of a typical game; the next record
  // starts afresh either way.
  void keep_typical();

  // Whether an XML record's reader also keeps the game's details beyond
  // the record (details()); off, as the conversion needs none of them.
  void gather_details(bool gather);

  // The record started last, and its details when they were gathered from
  // an XML record (else null).
  const RawLog& record() const;
  const GameDetails* details() const;

  // The reader the converter reads its records with, for a caller that reads
  // other files between records in the same kept buffers.
  RecordReader& reader();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace paiscribe
