#include "paiscribe/pipeline/failure_text.hpp"

#include <cerrno>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "paiscribe/base/quoted.hpp"
#include "paiscribe/base/kyoku_name.hpp"
#include "paiscribe/mjai/tile_names.hpp"
#include "paiscribe/pipeline/os_error.hpp"
#include "paiscribe/pipeline/path_text.hpp"

namespace paiscribe {
namespace {

namespace ce = conversion_error;

std::string seat_number(Seat seat) { return std::to_string(seat); }

std::string seat_in_words(SeatAt at) { return kyoku_in_words(at.kyoku) + ", seat " + seat_number(at.seat); }

std::string item_in_words(const ItemAt& at) {
  const std::string_view list = at.list == ActionList::Takes ? "takes" : "discards";
  return seat_in_words(at.seat) + ", " + std::string(list) + "[" + std::to_string(at.index) + "]: ";
}

std::string discard_in_words(const std::optional<ce::Discard>& discard) {
  if (!discard) return "nothing was discarded yet";
  return std::string(mjai_name(discard->tile)) + " from seat " + seat_number(discard->seat);
}

struct DescribeConversion {
  std::string operator()(const ce::InvalidCallString& error) const {
    const std::string_view forms =
        error.at.list == ActionList::Takes ? "a chi, pon or kan" : "a riichi, kakan or ankan";
    return item_in_words(error.at) + "call string " + quoted(error.text) + " is not " + std::string(forms);
  }
  std::string operator()(const ce::InvalidTileCode& error) const {
    return item_in_words(error.at) + "tile code " + quoted(error.code) + " in " + quoted(error.item) +
           " is not a tile";
  }
  std::string operator()(const ce::UnexpectedNumber& error) const {
    return item_in_words(error.at) + "number " + std::to_string(error.number) + " is not a tile code";
  }
  std::string operator()(const ce::UnexpectedEvent& error) const {
    return item_in_words(error.at) + "call string " + quoted(error.item) + " does not claim the last discard (" +
           discard_in_words(error.last_discard) + ")";
  }
  std::string operator()(const ce::DoraMarkersExhausted& error) const {
    if (!error.kan_seat) return kyoku_in_words(error.kyoku) + ": the kyoku has no dora indicator";
    return kyoku_in_words(error.kyoku) + ": no dora indicator left for a kan of seat " + seat_number(*error.kan_seat);
  }
  std::string operator()(const ce::MissingTake& error) const {
    return kyoku_in_words(error.at.kyoku) + ": the take list of seat " + seat_number(error.at.seat) + " ran out";
  }
  std::string operator()(const ce::MissingReachDiscard& error) const {
    return seat_in_words(error.at) + ": the discard list ends with a riichi and no discard";
  }
  std::string operator()(const InvalidLog& error) const {
    if (!error.kyoku) return error.reason;
    return kyoku_in_words(*error.kyoku) + ", result: " + error.reason;
  }
  std::string operator()(const ConversionError& error) const { return std::visit(*this, error); }
};

}  // namespace

std::string kyoku_in_words(KyokuAt kyoku) {
  return kyoku_name(kyoku.kyoku_index) + ", " + std::to_string(kyoku.honba) + " honba";
}

namespace {

std::string concat(std::initializer_list<std::string_view> parts) {
  std::string text;
  for (const std::string_view part : parts) text += part;
  return text;
}

// EINTR reaches here only when a ShouldStop check ended the call.
constexpr bool stopped_by_signal(int error_number) { return error_number == EINTR; }

PipelineError stopped() { return {ErrorClass::StoppedBySignal, {}}; }

// The parser's own account of what it found, and where when it knows.
// "invalid length 3, expected 4 player names at line 1 column 34 (byte 33);
// the log names 3 players, not 4: a three-player log?". Syntax errors name
// their line and column in the description already.
std::string parse_detail(const JsonParseError& error) {
  std::string text = error.description;
  if (text.find(" at line ") == std::string::npos)
    text += " at line " + std::to_string(error.line) + " column " + std::to_string(error.column);
  text += " (byte " + std::to_string(error.offset) + ")";
  if (!error.hint.empty()) text += "; " + error.hint;
  return text;
}

// A log that cannot be opened is "not found" whatever the reason, except
// when the process or the system ran out of what opening takes: that is no
// fault of the file, and keeps the class its errno has.
ErrorClass open_failure_class(int error_number, FileKinds kinds) {
  if (kinds == FileKinds::RegularOnly) return error_class_for_errno(error_number);
  switch (error_number) {
    case EMFILE:
    case ENFILE:
    case ENOMEM: return error_class_for_errno(error_number);
    default: return ErrorClass::FileNotFoundError;
  }
}

PipelineError read_failure(const ReadFailure& failure, std::string_view path, std::string_view what,
                           FileKinds kinds) {
  if (stopped_by_signal(failure.error_number)) return stopped();
  std::string opening_failed = concat({"failed to open ", what, " file ", quoted_path(path)});
  switch (failure.step) {
    case ReadFailure::Step::Open:
      return {open_failure_class(failure.error_number, kinds), std::move(opening_failed),
              os_error_detail(failure.error_number)};
    case ReadFailure::Step::NotRegular:
      return {ErrorClass::OSError, std::move(opening_failed),
              concat({"not a regular file but ", kind_in_words(failure.mode),
                      ": a run of many logs reads regular files only"})};
    case ReadFailure::Step::Read: break;
  }
  return {error_class_for_errno(failure.error_number), os_error_text(failure.error_number),
          os_error_detail(failure.error_number)};
}

PipelineError gzip_failure(const GzipError& error) {
  if (error.kind == GzipError::Kind::OutOfMemory) return {ErrorClass::MemoryError, "out of memory"};
  return {ErrorClass::OSError, "failed to decompress gzip log: " + error.message};
}

PipelineError bzip2_failure(const Bzip2Error& error) {
  if (error.kind == Bzip2Error::Kind::OutOfMemory) return {ErrorClass::MemoryError, "out of memory"};
  return {ErrorClass::OSError, "failed to decompress bz2 log: " + error.message};
}

}  // namespace

PipelineError not_utf8_failure() {
  return {ErrorClass::OSError, "stream did not contain valid UTF-8", "the log's bytes are not UTF-8 text"};
}

PipelineError record_read_failure(const RecordReadError& error, std::string_view path, std::string_view what,
                                  FileKinds kinds) {
  if (const auto* unread = std::get_if<ReadFailure>(&error)) return read_failure(*unread, path, what, kinds);
  if (const auto* bzip2 = std::get_if<Bzip2Error>(&error)) return bzip2_failure(*bzip2);
  return gzip_failure(std::get<GzipError>(error));
}

PipelineError json_log_failure(const JsonParseError& error) {
  return {ErrorClass::JsonParsingError, "failed to parse tenhou.net/6 log", parse_detail(error)};
}

PipelineError mjlog_failure(MjlogError error) {
  switch (error.kind) {
    case MjlogErrorKind::OutOfMemory: return {ErrorClass::MemoryError, "out of memory"};
    case MjlogErrorKind::ThreePlayerGame:
      return {ErrorClass::MjlogParsingError, "three-player games are not supported", std::move(error.message)};
    case MjlogErrorKind::NotAGame: break;
  }
  return {ErrorClass::MjlogParsingError, "failed to parse mjlog record", std::move(error.message)};
}

PipelineError game_failure(const GameError& error, std::string_view what) {
  if (const auto* unwritten = std::get_if<SerializeError>(&error))
    return {ErrorClass::JsonSerializationError, "failed to serialize", unwritten->description};
  if (const auto* invalid = std::get_if<InvalidLog>(&error))
    return {ErrorClass::TenhouLogParsingError, "invalid log", DescribeConversion{}(*invalid)};
  return {ErrorClass::TenhouToMjaiError, concat({"failed to convert ", what, " to mjai"}),
          DescribeConversion{}(std::get<ConversionError>(error))};
}

PipelineError output_failure(const OutputError& error, std::string_view path, OutputLabel label) {
  std::string create_failed = concat({"failed to create ", label.name, " file ", display_path(path)});
  if (const auto* other = std::get_if<OutputNotRegular>(&error))
    return {ErrorClass::OSError, std::move(create_failed),
            concat({"not a regular file but ", kind_in_words(other->mode),
                    ": a run of many logs writes regular files only"})};
  if (const auto* link = std::get_if<OutputIsLink>(&error))
    return {ErrorClass::OSError, std::move(create_failed),
            concat({link->where.empty() ? std::string("it") : display_path(link->where),
                    " is a symbolic link: a run of many logs follows none below its output folder"})};
  const int error_number = std::holds_alternative<OutputCreateFailed>(error)
                               ? std::get<OutputCreateFailed>(error).error_number
                               : std::get<OutputWriteFailed>(error).error_number;
  if (stopped_by_signal(error_number)) return stopped();
  if (std::holds_alternative<OutputCreateFailed>(error))
    return {ErrorClass::OSError, std::move(create_failed), os_error_detail(error_number)};
  const bool broken_pipe = label.broken_pipe_class && error_number == EPIPE;
  return {broken_pipe ? ErrorClass::BrokenPipeError : ErrorClass::OSError,
          concat({"failed to write to ", label.name, " file"}), os_error_detail(error_number)};
}

}  // namespace paiscribe
