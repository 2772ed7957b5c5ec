#include "paiscribe/entry/pipeline.hpp"

#include <cerrno>
#include <utility>

#include "paiscribe/base/utf8_valid.hpp"
#include "paiscribe/entry/failure_detail.hpp"
#include "paiscribe/entry/log_file.hpp"
#include "paiscribe/entry/os_error.hpp"
#include "paiscribe/entry/output.hpp"
#include "paiscribe/conv/convert_log.hpp"
#include "paiscribe/entry/log_input.hpp"
#include "paiscribe/tenhou/mjlog.hpp"
#include "paiscribe/tenhou/parse_log.hpp"
#include "paiscribe/entry/path_text.hpp"

namespace paiscribe {
namespace {

// The name users know the input format by.
constexpr std::string_view kLogLabel = "tenhou.net/6";
constexpr std::string_view kJsonLog = "tenhou.net/6 log";
constexpr std::string_view kMjlog = "mjlog record";

std::unexpected<PipelineError> fail(ErrorClass error_class, std::string message, std::string detail = {}) {
  return std::unexpected(PipelineError{error_class, std::move(message), std::move(detail)});
}

std::string concat(std::initializer_list<std::string_view> parts) {
  std::string text;
  for (const std::string_view part : parts) text += part;
  return text;
}

// EINTR reaches here only when a ShouldStop check ended the call.
constexpr bool stopped_by_signal(int error_number) { return error_number == EINTR; }

PipelineError stopped() { return {ErrorClass::StoppedBySignal, {}}; }

PipelineError read_error(const LogReadError& error) {
  if (const auto* failed = std::get_if<LogReadFailed>(&error)) {
    if (stopped_by_signal(failed->error_number)) return stopped();
    return {error_class_for_errno(failed->error_number), os_error_text(failed->error_number),
            os_error_detail(failed->error_number)};
  }
  return {ErrorClass::OSError, "stream did not contain valid UTF-8", "the log's bytes are not UTF-8 text"};
}

PipelineError convert_error(const ConvertLogError& error, std::string_view what) {
  if (std::holds_alternative<InvalidLog>(error))
    return {ErrorClass::TenhouLogParsingError, "invalid log", conversion_detail(error)};
  return {ErrorClass::TenhouToMjaiError, concat({"failed to convert ", what, " to mjai"}), conversion_detail(error)};
}

PipelineError serialize_error(const SerializeError& error) {
  return {ErrorClass::JsonSerializationError, "failed to serialize", error.description};
}

// Has each batch of events' lines made as the conversion hands it over: by
// `sink`, and into `all` when that is given, where they stay for the whole
// game. The first failure is kept and what follows is dropped, so that a
// conversion failure later in the game still wins over it.
class LineMaker final : public EventBatches {
 public:
  LineMaker(LineSink* sink, std::string& line, MjaiLines* all) : sink_(sink), line_(line), all_(all) {}

  void take(std::span<const Event> events) override {
    if (failure_) return;
    if (all_ != nullptr) {
      if (auto appended = all_->append(events); !appended) {
        failure_ = std::move(appended.error());
        return;
      }
    }
    if (sink_ == nullptr) return;
    if (auto taken = sink_->take_lines_of(events, line_); !taken) failure_ = std::move(taken.error());
  }

  const std::optional<SerializeError>& failure() const { return failure_; }

 private:
  LineSink* sink_;
  std::string& line_;
  MjaiLines* all_;
  std::optional<SerializeError> failure_;
};

// Where a streamed conversion's lines go (without a sink, only into `all`),
// and what it makes them in.
struct Stream {
  LineSink* sink;
  PipelineStorage& storage;
};

std::expected<void, PipelineError> stream_lines(const RawLog& log, std::string_view what, const Stream& stream,
                                                MjaiLines* all) {
  if (all != nullptr) all->clear();
  LineMaker maker(stream.sink, stream.storage.line, all);
  if (auto converted = convert_log(log, maker, stream.storage.events); !converted)
    return std::unexpected(convert_error(converted.error(), what));
  if (const auto& failure = maker.failure()) return std::unexpected(serialize_error(*failure));
  return {};
}

// Every line at once: one buffer sized for the whole game.
std::expected<MjaiLines, PipelineError> all_lines(const RawLog& log, std::string_view what) {
  const auto events = convert_log(log);
  if (!events) return std::unexpected(convert_error(events.error(), what));
  auto lines = serialize_events(*events);
  if (!lines) return std::unexpected(serialize_error(lines.error()));
  return std::move(*lines);
}

// A text that parses is UTF-8 throughout; only one that fails is checked,
// to tell the two failures apart.
std::expected<RawLog, PipelineError> record_of_json(const PaddedText& text, RawLog::Kyokus spare = {}) {
  auto log = parse_log(text, std::move(spare));
  if (log) return std::move(*log);
  if (!is_valid_utf8(text.view())) return std::unexpected(read_error(LogNotUtf8{}));
  return fail(ErrorClass::JsonParsingError, concat({"failed to parse ", kLogLabel, " log"}), parse_detail(log.error()));
}

std::expected<RawLog, PipelineError> record_of_mjlog(std::string_view xml) {
  auto log = parse_mjlog(xml);
  if (log) return std::move(*log);
  const bool three_players = log.error().kind == MjlogErrorKind::ThreePlayerGame;
  return fail(ErrorClass::MjlogParsingError,
              three_players ? "three-player games are not supported" : "failed to parse mjlog record",
              std::move(log.error().message));
}

bool looks_like_xml(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos && text[first] == '<';
}

// The record of an open log file. The text is dropped on return: the record
// owns what it keeps, so the text is never held together with the lines.
std::expected<RawLog, PipelineError> json_record_of(LogFile& log_file, ShouldStop should_stop,
                                                   RawLog::Kyokus spare) {
  auto text = log_file.read_padded(should_stop);
  if (!text) return std::unexpected(read_error(text.error()));
  return record_of_json(*text, std::move(spare));
}

std::expected<RawLog, PipelineError> mjlog_record_of(LogFile& log_file, ShouldStop should_stop, RawLog::Kyokus) {
  auto bytes = log_file.read_padded(should_stop);
  if (!bytes) {
    if (stopped_by_signal(bytes.error().error_number)) return std::unexpected(stopped());
    return std::unexpected(log_read_error(bytes.error().error_number));
  }
  auto text = restore_gzip(std::move(*bytes));
  if (!text) return std::unexpected(std::move(text.error()));
  return record_of_mjlog(text->view());
}

std::expected<MjaiLines, PipelineError> lines_of(const std::expected<RawLog, PipelineError>& log,
                                                 std::string_view what) {
  if (!log) return std::unexpected(log.error());
  return all_lines(*log, what);
}

PipelineError open_error(std::string_view what, std::string_view filename, int error_number) {
  return {ErrorClass::FileNotFoundError, concat({"failed to open ", what, " file ", quoted_path(filename)}),
          os_error_detail(error_number)};
}

// Reads the record of an open file, taking over the room of `spare` where it can.
using RecordOfFile = std::expected<RawLog, PipelineError> (*)(LogFile&, ShouldStop, RawLog::Kyokus spare);

// Open, read and parse with `record_of_file`, convert and serialise, then
// write. With a stream, the lines go there as they are made and are kept
// whole only when they are to be written.
std::expected<MjaiLines, PipelineError> run_file(std::string_view filename, std::optional<std::string_view> mjai_out,
                                                 ShouldStop should_stop, std::string_view what,
                                                 RecordOfFile record_of_file, const Stream* stream) {
  // Held open until the call returns, whatever happens after the read.
  auto log_file = LogFile::open(filename, should_stop);
  if (!log_file) {
    if (stopped_by_signal(log_file.error().error_number)) return std::unexpected(stopped());
    return std::unexpected(open_error(what, filename, log_file.error().error_number));
  }

  auto log = record_of_file(*log_file, should_stop, stream ? std::move(stream->storage.kyokus) : RawLog::Kyokus{});
  if (!log) return std::unexpected(log.error());
  MjaiLines lines;
  if (stream == nullptr) {
    auto made = all_lines(*log, what);
    if (!made) return std::unexpected(std::move(made.error()));
    lines = std::move(*made);
  } else {
    auto streamed = stream_lines(*log, what, *stream, mjai_out ? &lines : nullptr);
    stream->storage.kyokus = std::move(log->kyokus);
    if (!streamed) return std::unexpected(std::move(streamed.error()));
  }

  if (mjai_out) {
    if (auto written = write_lines(*mjai_out, lines, should_stop); !written) {
      return std::unexpected(output_error(written.error(), *mjai_out));
    }
  }
  return lines;
}

}  // namespace

std::expected<MjaiLines, PipelineError> run_pipeline(std::string_view filename,
                                                     std::optional<std::string_view> mjai_out,
                                                     ShouldStop should_stop) {
  return run_file(filename, mjai_out, should_stop, kJsonLog, json_record_of, nullptr);
}

std::expected<void, PipelineError> stream_pipeline(std::string_view filename, std::optional<std::string_view> mjai_out,
                                                   LineSink& sink, ShouldStop should_stop, PipelineStorage& storage) {
  const Stream stream{&sink, storage};
  auto ran = run_file(filename, mjai_out, should_stop, kJsonLog, json_record_of, &stream);
  storage.keep_typical();
  if (!ran) return std::unexpected(std::move(ran.error()));
  return {};
}

void PipelineStorage::keep_typical() {
  // A typical game is one batch of far fewer events, a few hundred KB.
  constexpr std::size_t kKeptBytes = std::size_t{1} << 20;
  if (events.capacity() * sizeof(Event) > kKeptBytes) events = std::vector<Event>();
  if (batch.reserved_bytes() > kKeptBytes) batch = MjaiLines();
  if (line.capacity() > kKeptBytes) line = std::string();
  // A long game has some twenty kyokus, of a few hundred bytes of lists each.
  constexpr std::size_t kKeptKyokus = 64;
  std::size_t kyoku_bytes = kyokus.capacity() * sizeof(RawKyoku);
  for (const RawKyoku& kyoku : kyokus) kyoku_bytes += kyoku.reserved_bytes();
  if (kyokus.size() > kKeptKyokus || kyoku_bytes > kKeptBytes) kyokus = RawLog::Kyokus();
}

std::expected<MjaiLines, PipelineError> run_mjlog_pipeline(std::string_view filename,
                                                           std::optional<std::string_view> mjai_out,
                                                           ShouldStop should_stop) {
  return run_file(filename, mjai_out, should_stop, kMjlog, mjlog_record_of, nullptr);
}

PipelineError output_error(const OutputError& error, std::string_view mjai_out) {
  const int error_number = std::visit([](const auto& failed) { return failed.error_number; }, error);
  if (stopped_by_signal(error_number)) return stopped();
  if (std::holds_alternative<OutputCreateFailed>(error)) {
    return {ErrorClass::OSError, concat({"failed to create mjai out file ", display_path(mjai_out)}),
            os_error_detail(error_number)};
  }
  return {ErrorClass::OSError, "failed to write to mjai out file", os_error_detail(error_number)};
}

PipelineError log_open_error(std::string_view filename, int error_number) {
  return open_error(kJsonLog, filename, error_number);
}

PipelineError log_read_error(int error_number) { return read_error(LogReadFailed{error_number}); }

std::expected<MjaiLines, PipelineError> convert_bytes(std::string_view text) {
  if (looks_like_xml(text)) return lines_of(record_of_mjlog(text), kMjlog);
  return lines_of(record_of_json(PaddedText(text)), kJsonLog);
}

std::expected<MjaiLines, PipelineError> convert_padded(const PaddedText& text) {
  if (looks_like_xml(text.view())) return lines_of(record_of_mjlog(text.view()), kMjlog);
  return lines_of(record_of_json(text), kJsonLog);
}

std::expected<const MjaiLines*, PipelineError> convert_padded(const PaddedText& text, PipelineStorage& storage) {
  const bool xml = looks_like_xml(text.view());
  auto log = xml ? record_of_mjlog(text.view()) : record_of_json(text, std::move(storage.kyokus));
  if (!log) return std::unexpected(std::move(log.error()));
  auto made = stream_lines(*log, xml ? kMjlog : kJsonLog, Stream{nullptr, storage}, &storage.batch);
  storage.kyokus = std::move(log->kyokus);
  if (!made) return std::unexpected(std::move(made.error()));
  return &storage.batch;
}

}  // namespace paiscribe
