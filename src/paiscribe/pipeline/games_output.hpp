#pragma once

#include <expected>
#include <string>
#include <string_view>

#include "paiscribe/io/file_descriptor.hpp"
#include "paiscribe/io/output_file.hpp"
#include "paiscribe/pipeline/converter.hpp"
#include "paiscribe/pipeline/pipeline_error.hpp"

namespace paiscribe {

// The lines of many records in one output, a record at a time, as the
// command line's -o FILE gathers them: only one record's lines are held at
// once. A record that fails adds nothing. A regular file is replaced whole
// once every record was tried (commit); dropped before, or after a write
// failed, it stays as it was. An output named *.gz takes each record's lines
// as a gzip member of their own: the members one after another are one gzip
// stream.
class GamesOutput {
 public:
  // Opens `path` (raw path bytes) as tenhou_to_mjai opens its output.
  static std::expected<GamesOutput, PipelineError> open(std::string_view path, ShouldStop should_stop = nullptr);

  // Writes every line of the record `converter` has started. A failure of
  // the record leaves the output open; a failure to write ends it (failed()),
  // as BrokenPipeError when the reader of a pipe went away.
  std::expected<void, PipelineError> append(Converter& converter);

  std::expected<void, PipelineError> commit();

  bool failed() const { return failed_; }

 private:
  GamesOutput(OutputFile file, std::string_view path, bool gzip) : file_(std::move(file)), path_(path), gzip_(gzip) {}

  OutputFile file_;
  std::string path_;
  bool gzip_;
  bool failed_ = false;
};

}  // namespace paiscribe
