#pragma once

#include <expected>
#include <string_view>

#include "paiscribe/base/padded_text.hpp"
#include "paiscribe/io/file_descriptor.hpp"
#include "paiscribe/pipeline/converter.hpp"
#include "paiscribe/pipeline/pipeline_error.hpp"

namespace paiscribe {

// Whether a text is mjai lines rather than a game record: past a byte-order
// mark and blanks it opens a JSON object whose first key is "type", which no
// Tenhou JSON log has.
bool is_mjai_lines(std::string_view text);

// The bytes of the file at `path` (raw path bytes) as they were written:
// read into `text`, and a gzip stream undone into `inflated`. Every game a
// viewer opens is read here, so a new compression is taught here once.
std::expected<std::string_view, PipelineError> read_uncompressed(std::string_view path, PaddedText& text,
                                                                 PaddedText& inflated, ShouldStop should_stop);

// The mjai lines of any game file a viewer is given: a file of mjai lines as
// it is, or a JSON log or XML record converted (failing as convert_file
// fails on it); plain or gzip-compressed either way. The lines are a text,
// one line each (the last may lack its line feed), valid until the next read.
class GameLinesReader {
 public:
  std::expected<std::string_view, PipelineError> read(std::string_view path, ShouldStop should_stop = nullptr);

 private:
  PaddedText text_;
  PaddedText inflated_;
  Converter converter_;
};

}  // namespace paiscribe
