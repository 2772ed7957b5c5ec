#include "paiscribe/pipeline/converter.hpp"

#include <optional>
#include <utility>

#include "paiscribe/base/utf8_valid.hpp"
#include "paiscribe/conv/game_conversion.hpp"
#include "paiscribe/json/parse_json_log.hpp"
#include "paiscribe/pipeline/failure_text.hpp"
#include "paiscribe/xml/parse_mjlog.hpp"

namespace paiscribe {
namespace {

// The names users know the input formats by.
constexpr std::string_view kJsonLog = "tenhou.net/6 log";
constexpr std::string_view kMjlogRecord = "mjlog record";

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

RecordFormat format_of(std::string_view text) {
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos && text[first] == '<' ? RecordFormat::Xml : RecordFormat::Json;
}

std::string_view name_of(RecordFormat format) { return format == RecordFormat::Xml ? kMjlogRecord : kJsonLog; }

// Past this a buffer kept between records goes back: a typical game's lines
// are a few hundred kB.
constexpr std::size_t kKeptBytes = std::size_t{1} << 20;

}  // namespace

struct Converter::State {
  RecordReader reader;
  JsonLogReader json_reader;
  RawLog log;  // the record, read into the room of the one before
  ConversionStorage conversion;
  std::optional<GameConversion> game;
  MjaiLines lines;
  std::string_view what = kJsonLog;
  GameDetails details;
  bool gather_details = false;
  bool has_details = false;  // of the record started last

  // The game before goes, its lines with it.
  void clear() {
    game.reset();
    lines.clear();
    has_details = false;
  }
  std::expected<void, PipelineError> start(RecordReader::Text text, InputPolicy policy, std::string_view path);
  std::expected<void, PipelineError> read_record(PaddedText& text, RecordFormat format);
};

std::expected<void, PipelineError> Converter::State::read_record(PaddedText& text, RecordFormat format) {
  if (format == RecordFormat::Xml) {
    auto record = parse_mjlog(text, std::move(log.kyokus), gather_details ? &details : nullptr);
    if (!record) return std::unexpected(mjlog_failure(std::move(record.error())));
    log = std::move(*record);
    has_details = gather_details;
    return {};
  }
  auto read = json_reader.read(text, log);
  if (read) return {};
  // A text that parses is UTF-8 throughout; only one that fails is checked,
  // to tell the two failures apart.
  if (!is_valid_utf8(text.view())) return std::unexpected(not_utf8_failure());
  return std::unexpected(json_log_failure(read.error()));
}

// `text` is what the reader made of the record; `path` names its file, if any.
std::expected<void, PipelineError> Converter::State::start(RecordReader::Text text, InputPolicy policy,
                                                           std::string_view path) {
  if (!text) return std::unexpected(record_read_failure(text.error(), path, name_of(policy.format), policy.files));
  const RecordFormat format = policy.format == RecordFormat::Either ? format_of((*text)->view()) : policy.format;
  what = name_of(format);
  auto read = read_record(**text, format);
  // A long record's text is not held beside its lines.
  reader.keep_typical();
  if (!read) return std::unexpected(std::move(read.error()));
  auto started = GameConversion::start(log, conversion);
  if (!started) return std::unexpected(game_failure(std::move(started.error()), what));
  game.emplace(std::move(*started));
  return {};
}

Converter::Converter() : state_(std::make_unique<State>()) {}
Converter::Converter(Converter&&) noexcept = default;
Converter& Converter::operator=(Converter&&) noexcept = default;
Converter::~Converter() = default;

std::expected<void, PipelineError> Converter::start_file(std::string_view path, InputPolicy policy,
                                                         ShouldStop should_stop) {
  state_->clear();
  return state_->start(state_->reader.read_file(path, policy.decompress, should_stop, policy.files), policy, path);
}

std::expected<void, PipelineError> Converter::start_copy(std::string_view bytes, InputPolicy policy) {
  state_->clear();
  return state_->start(state_->reader.copy(bytes, policy.decompress), policy, {});
}

std::expected<void, PipelineError> Converter::start(PaddedText bytes, InputPolicy policy) {
  state_->clear();
  return state_->start(state_->reader.take(std::move(bytes), policy.decompress), policy, {});
}

std::expected<bool, PipelineError> Converter::next_batch(bool keep) {
  auto& game = state_->game;
  if (!game || game->done()) return false;
  if (!keep) state_->lines.clear();
  if (auto made = game->next(state_->lines); !made) {
    game.reset();
    return std::unexpected(game_failure(made.error(), state_->what));
  }
  return true;
}

std::expected<const MjaiLines*, PipelineError> Converter::all_lines() {
  for (;;) {
    auto made = next_batch(true);
    if (!made) return std::unexpected(std::move(made.error()));
    if (!*made) return &state_->lines;
  }
}

const MjaiLines& Converter::lines() const { return state_->lines; }

RecordReader& Converter::reader() { return state_->reader; }

void Converter::gather_details(bool gather) { state_->gather_details = gather; }

const RawLog& Converter::record() const { return state_->log; }

const GameDetails* Converter::details() const { return state_->has_details ? &state_->details : nullptr; }

void Converter::keep_typical() {
  State& state = *state_;
  state.game.reset();
  state.reader.keep_typical();
  if (state.lines.reserved_bytes() > kKeptBytes) state.lines = MjaiLines();
  state.conversion.keep_typical();
  state.log.keep_typical();
}

}  // namespace paiscribe
