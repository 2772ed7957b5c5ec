#include "paiscribe/entry/pipeline.hpp"

#include <utility>

#include "paiscribe/entry/failure_detail.hpp"
#include "paiscribe/entry/log_file.hpp"
#include "paiscribe/entry/os_error.hpp"
#include "paiscribe/entry/output.hpp"
#include "paiscribe/conv/convert_log.hpp"
#include "paiscribe/tenhou/parse_log.hpp"
#include "paiscribe/entry/path_text.hpp"

namespace paiscribe {
namespace {

// The name users know the input format by.
constexpr std::string_view kLogLabel = "tenhou.net/6";

std::unexpected<PipelineError> fail(ErrorClass error_class, std::string message, std::string detail = {}) {
  return std::unexpected(PipelineError{error_class, std::move(message), std::move(detail)});
}

std::string concat(std::initializer_list<std::string_view> parts) {
  std::string text;
  for (const std::string_view part : parts) text += part;
  return text;
}

PipelineError read_error(const LogReadError& error) {
  if (const auto* failed = std::get_if<LogReadFailed>(&error)) {
    return {error_class_for_errno(failed->error_number), os_error_text(failed->error_number)};
  }
  return {ErrorClass::OSError, "stream did not contain valid UTF-8"};
}

PipelineError convert_error(const ConvertLogError& error) {
  if (std::holds_alternative<InvalidLog>(error))
    return {ErrorClass::TenhouLogParsingError, "invalid log", conversion_detail(error)};
  return {ErrorClass::TenhouToMjaiError, concat({"failed to convert ", kLogLabel, " log to mjai"}),
          conversion_detail(error)};
}

PipelineError output_error(const OutputError& error, std::string_view mjai_out) {
  if (std::holds_alternative<OutputCreateFailed>(error)) {
    return {ErrorClass::OSError, concat({"failed to create mjai out file ", display_path(mjai_out)})};
  }
  return {ErrorClass::OSError, "failed to write to mjai out file"};
}

// Read, parse and convert. The text and the record are dropped on return, so
// they are never held together with the lines.
std::expected<std::vector<Event>, PipelineError> events_of(LogFile& log_file) {
  auto text = log_file.read_text();
  if (!text) return std::unexpected(read_error(text.error()));

  auto log = parse_log(*text);
  if (!log) {
    return fail(ErrorClass::JsonParsingError, concat({"failed to parse ", kLogLabel, " log"}),
                parse_detail(log.error()));
  }

  auto events = convert_log(*log);
  if (!events) return std::unexpected(convert_error(events.error()));
  return std::move(*events);
}

}  // namespace

std::expected<MjaiLines, PipelineError> run_pipeline(std::string_view filename,
                                                     std::optional<std::string_view> mjai_out) {
  // Held open until the call returns, whatever happens after the read.
  auto log_file = LogFile::open(filename);
  if (!log_file) {
    return fail(ErrorClass::FileNotFoundError,
                concat({"failed to open ", kLogLabel, " log file ", quoted_path(filename)}));
  }

  auto events = events_of(*log_file);
  if (!events) return std::unexpected(std::move(events.error()));
  auto lines = serialize_events(*events);
  if (!lines) return fail(ErrorClass::JsonSerializationError, "failed to serialize", lines.error().description);

  if (mjai_out) {
    if (auto written = write_lines(*mjai_out, lines->lines()); !written) {
      return std::unexpected(output_error(written.error(), *mjai_out));
    }
  }
  return std::move(*lines);
}

}  // namespace paiscribe
