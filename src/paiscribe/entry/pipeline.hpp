#pragma once

#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "paiscribe/base/padded_text.hpp"
#include "paiscribe/entry/error_class.hpp"
#include "paiscribe/entry/file_descriptor.hpp"
#include "paiscribe/entry/output.hpp"
#include "paiscribe/mjai/event.hpp"
#include "paiscribe/mjai/mjai_lines.hpp"
#include "paiscribe/tenhou/raw_log.hpp"

namespace paiscribe {

// The message is fixed per kind of failure, for callers to match on; the
// detail says where and why, for a person to read.
struct PipelineError {
  ErrorClass error_class;
  std::string message;  // UTF-8
  std::string detail{};  // UTF-8; empty when there is none
};

// Takes a game's lines a run at a time while the conversion runs, each run
// as the events it is made of: the sink writes their lines itself with
// for_each_line_of, which hands them over one at a time, so that the loop
// over lines is the sink's own.
class LineSink {
 public:
  // Makes something of the lines of `events`, writing those not in a table
  // in `scratch`; fails at the first event that has no line.
  virtual std::expected<void, SerializeError> take_lines_of(std::span<const Event> events, std::string& scratch) = 0;

 protected:
  ~LineSink() = default;
};

// Reads the log at `filename` (raw path bytes), converts it and returns its
// mjai lines; when `mjai_out` is given, also writes them there ("-" is
// standard output). Either every line exists or nothing is written.
// `should_stop` is asked whenever a signal interrupts a blocking open, read
// or write.
std::expected<MjaiLines, PipelineError> run_pipeline(std::string_view filename,
                                                     std::optional<std::string_view> mjai_out,
                                                     ShouldStop should_stop = nullptr);

// The largest buffers of a streamed conversion, for a caller that converts
// log after log to keep between calls. Given back after every log, they
// would leave the heap's top free past glibc's trim threshold (128 KB by
// default), to be returned to the system and faulted in again for the next.
struct PipelineStorage {
  std::vector<Event> events;
  MjaiLines batch;
  std::string line;  // where a line not in a table is written for a sink
  RawLog::Kyokus kyokus;  // the last record's, whose lists the next one takes over

  // Gives back what grew past the needs of a typical game.
  void keep_typical();
};

// The same as run_pipeline, but the lines go to `sink` as they are made, so
// that they are never all held at once (unless they are to be written to
// `mjai_out`), made in `storage`. A failure may come after some lines: those
// then belong to no result.
std::expected<void, PipelineError> stream_pipeline(std::string_view filename, std::optional<std::string_view> mjai_out,
                                                   LineSink& sink, ShouldStop should_stop, PipelineStorage& storage);

// The same for Tenhou's XML game record (mjlog) at `filename`, plain or
// gzip-compressed. Its failures name the record's own class where the record
// is no game, and otherwise fail as run_pipeline does.
std::expected<MjaiLines, PipelineError> run_mjlog_pipeline(std::string_view filename,
                                                           std::optional<std::string_view> mjai_out,
                                                           ShouldStop should_stop = nullptr);

// The lines of a log held in memory: an mjlog record when its first byte
// after blanks is '<', else a JSON log checked from its UTF-8 on, failing as
// run_pipeline fails on a file holding the same bytes.
std::expected<MjaiLines, PipelineError> convert_bytes(std::string_view text);

// The same for text already in a padded buffer: nothing is copied.
std::expected<MjaiLines, PipelineError> convert_padded(const PaddedText& text);

// The same, made in `storage`, for a caller that converts log after log: the
// lines are the storage's batch, theirs until the storage is used again.
// Call storage.keep_typical() once done with them.
std::expected<const MjaiLines*, PipelineError> convert_padded(const PaddedText& text, PipelineStorage& storage);

// How run_pipeline fails on a log it cannot open, or cannot read (errno).
PipelineError log_open_error(std::string_view filename, int error_number);
PipelineError log_read_error(int error_number);

// How run_pipeline fails when the lines cannot reach `mjai_out`.
PipelineError output_error(const OutputError& error, std::string_view mjai_out);

}  // namespace paiscribe
