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

// The mjai lines of any game file a viewer is given: a file of mjai lines as
// it is, or a JSON log or XML record converted (failing as convert_file
// fails on it); plain or gzip-compressed either way. The lines are a text,
// one line each (the last may lack its line feed), valid until the next read.
// Files are read through the converter's record reader, so every compression
// it undoes is undone here too.
class GameLinesReader {
 public:
  std::expected<std::string_view, PipelineError> read(std::string_view path, ShouldStop should_stop = nullptr);

 private:
  Converter converter_;  // and its reader, which reads every game file
};

}  // namespace paiscribe
