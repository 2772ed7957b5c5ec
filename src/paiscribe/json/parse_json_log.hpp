#pragma once

#include <expected>
#include <memory>

#include "paiscribe/base/padded_text.hpp"
#include "paiscribe/json/json_parse_error.hpp"
#include "paiscribe/record/raw_log.hpp"

namespace paiscribe {

// Reads Tenhou JSON logs one after another straight from their text, which
// stays as it is. It keeps the room its reading needs from log to log, and
// each record is read into the room of the one before. When a read
// succeeds the whole text is well-formed UTF-8, so a caller that must know
// need only check the text of a log that failed.
class JsonLogReader {
 public:
  JsonLogReader();
  JsonLogReader(JsonLogReader&&) noexcept;
  JsonLogReader& operator=(JsonLogReader&&) noexcept;
  ~JsonLogReader();

  // Fills `record` from the log; after a failure it holds nothing of use.
  std::expected<void, JsonParseError> read(const PaddedText& text, RawLog& record);

 private:
  struct Kept;
  std::unique_ptr<Kept> kept_;
};

// The record of one log, read afresh.
std::expected<RawLog, JsonParseError> parse_json_log(const PaddedText& text);

}  // namespace paiscribe
