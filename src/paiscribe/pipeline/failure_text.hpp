#pragma once

#include <string>
#include <string_view>

#include "paiscribe/conv/game_conversion.hpp"
#include "paiscribe/conv/location.hpp"
#include "paiscribe/io/output_file.hpp"
#include "paiscribe/io/record_reader.hpp"
#include "paiscribe/json/json_parse_error.hpp"
#include "paiscribe/pipeline/pipeline_error.hpp"
#include "paiscribe/xml/parse_mjlog.hpp"

namespace paiscribe {

// How each failure of a conversion reaches the caller: the exception class,
// the fixed message callers match on, and the detail a person reads to find
// the fault: where it is and what is wrong there. Built only when a
// conversion fails. `what` names the input as users know it ("tenhou.net/6
// log", "mjlog record").

// The record's file cannot be opened ("failed to open ... file") or read, or
// its compression cannot be undone. A file that cannot be opened is
// FileNotFoundError whatever the reason, as the calls on one file have always
// said, except in a run of many logs (`kinds` RegularOnly), where it has the
// class its errno has: a link loop is OSError, a file not to be read
// PermissionError.
PipelineError record_read_failure(const RecordReadError& error, std::string_view path, std::string_view what,
                                  FileKinds kinds = FileKinds::Any);
// The text is not UTF-8, as a JSON log must be.
PipelineError not_utf8_failure();
PipelineError json_log_failure(const JsonParseError& error);
PipelineError mjlog_failure(MjlogError error);
PipelineError game_failure(const GameError& error, std::string_view what);
// How an output is named in its failures ("failed to create mjai out
// file"), and how a write fails when the reader of a pipe went away: as
// BrokenPipeError, as the interpreter's own writes fail, or as OSError, as
// tenhou_to_mjai has always failed.
struct OutputLabel {
  std::string_view name = "mjai out";
  bool broken_pipe_class = false;
};

// The bytes cannot reach the output at `path`.
PipelineError output_failure(const OutputError& error, std::string_view path, OutputLabel label = {});

// "East 3, 1 honba": the wind and number the kyoku is known by.
std::string kyoku_in_words(KyokuAt kyoku);

}  // namespace paiscribe
