#include "paiscribe/pipeline/converter.hpp"

#include <optional>
#include <utility>

#include "paiscribe/base/utf8_valid.hpp"
#include "paiscribe/conv/game_conversion.hpp"
#include "paiscribe/io/gzip.hpp"
#include "paiscribe/io/read_file.hpp"
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

// Past this a buffer kept between records goes back: a typical game's text
// and lines are a few hundred kB.
constexpr std::size_t kKeptBytes = std::size_t{1} << 20;
// A long game has some twenty kyokus.
constexpr std::size_t kKeptKyokus = 64;

}  // namespace

struct Converter::State {
  PaddedText text;      // the record's bytes as given
  PaddedText inflated;  // the same once gzip is undone
  JsonLogReader json_reader;
  RawLog log;  // the record, read into the room of the one before
  ConversionStorage conversion;
  std::optional<GameConversion> game;
  MjaiLines lines;
  std::string_view what = kJsonLog;

  std::expected<void, PipelineError> start(PaddedText& bytes, InputPolicy policy);
  std::expected<void, PipelineError> read_record(PaddedText& text, RecordFormat format);
};

std::expected<void, PipelineError> Converter::State::read_record(PaddedText& text, RecordFormat format) {
  if (format == RecordFormat::Xml) {
    auto record = parse_mjlog(text, std::move(log.kyokus));
    if (!record) return std::unexpected(mjlog_failure(std::move(record.error())));
    log = std::move(*record);
    return {};
  }
  auto read = json_reader.read(text, log);
  if (read) return {};
  // A text that parses is UTF-8 throughout; only one that fails is checked,
  // to tell the two failures apart.
  if (!is_valid_utf8(text.view())) return std::unexpected(not_utf8_failure());
  return std::unexpected(json_log_failure(read.error()));
}

std::expected<void, PipelineError> Converter::State::start(PaddedText& bytes, InputPolicy policy) {
  game.reset();
  lines.clear();
  PaddedText* record_text = &bytes;
  if (policy.gunzip && is_gzip(bytes.view())) {
    if (auto inflated_now = gunzip(bytes.view(), inflated); !inflated_now)
      return std::unexpected(gzip_failure(inflated_now.error()));
    record_text = &inflated;
  }
  const RecordFormat format = policy.format == RecordFormat::Either ? format_of(record_text->view()) : policy.format;
  what = name_of(format);
  auto read = read_record(*record_text, format);
  // A long record's text is not held beside its lines.
  if (bytes.reserved_bytes() > kKeptBytes) bytes = PaddedText();
  if (inflated.reserved_bytes() > kKeptBytes) inflated = PaddedText();
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
  state_->game.reset();
  if (auto read = read_file(path, state_->text, should_stop, policy.files); !read)
    return std::unexpected(read_failure(read.error(), path, name_of(policy.format)));
  return state_->start(state_->text, policy);
}

std::expected<void, PipelineError> Converter::start(PaddedText text, InputPolicy policy) {
  state_->text = std::move(text);
  return state_->start(state_->text, policy);
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

void Converter::keep_typical() {
  State& state = *state_;
  state.game.reset();
  if (state.text.reserved_bytes() > kKeptBytes) state.text = PaddedText();
  if (state.inflated.reserved_bytes() > kKeptBytes) state.inflated = PaddedText();
  if (state.lines.reserved_bytes() > kKeptBytes) state.lines = MjaiLines();
  state.conversion.keep_typical();
  RawLog::Kyokus& kyokus = state.log.kyokus;
  std::size_t kyoku_bytes = kyokus.capacity() * sizeof(RawKyoku);
  for (const RawKyoku& kyoku : kyokus) kyoku_bytes += kyoku.reserved_bytes();
  if (kyokus.size() > kKeptKyokus || kyoku_bytes > kKeptBytes) kyokus = RawLog::Kyokus();
}

}  // namespace paiscribe
