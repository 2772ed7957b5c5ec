#pragma once

#include <cstdint>
#include <expected>
#include <memory>
#include <string_view>

#include "paiscribe/base/padded_text.hpp"
#include "paiscribe/io/file_descriptor.hpp"
#include "paiscribe/mjai/mjai_lines.hpp"
#include "paiscribe/pipeline/pipeline_error.hpp"

namespace paiscribe {

// Which records a caller takes, whether it undoes gzip first, and which
// kinds of file it reads them from. Told apart, a record is XML when its
// first byte after a byte-order mark and blanks is '<', and a JSON log
// otherwise.
enum class RecordFormat : std::uint8_t { Json, Xml, Either };
struct InputPolicy {
  RecordFormat format;
  bool gunzip;
  FileKinds files = FileKinds::Any;
};

// A JSON log's text as it is, for tenhou_to_mjai.
inline constexpr InputPolicy kJsonLogAsIs{RecordFormat::Json, false};
// An XML record, plain or gzip-compressed.
inline constexpr InputPolicy kMjlog{RecordFormat::Xml, true};
// Any record, plain or gzip-compressed.
inline constexpr InputPolicy kAnyRecord{RecordFormat::Either, true};
// Any record, from a regular file only: a run of many logs never waits on one.
inline constexpr InputPolicy kBatchRecord{RecordFormat::Either, true, FileKinds::RegularOnly};

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

  // Reads the record at `path` (raw path bytes) into the converter's own
  // buffer, then starts it as start() does.
  std::expected<void, PipelineError> start_file(std::string_view path, InputPolicy policy,
                                                ShouldStop should_stop = nullptr);
  // The one way from text to lines: undoes gzip and tells the format apart
  // as `policy` says, then reads the record. A record that fails here gives
  // no line at all.
  std::expected<void, PipelineError> start(PaddedText text, InputPolicy policy);

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

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace paiscribe
