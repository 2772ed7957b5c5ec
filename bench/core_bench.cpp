// Throughput of the core stages, in bytes of log text per second, so the
// stages compare directly with each other and with the whole pipeline.
//
//   core_bench [--benchmark_...] [LOG...]    (default: the hand-made full game)
//
// A log may also be Tenhou's XML record (gzip-compressed or not); it runs the
// mjlog stages, to set beside the JSON stages of its JSON twin.
#include <benchmark/benchmark.h>
#include <pugixml.hpp>
#include <rapidjson/reader.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <type_traits>
#include <string>
#include <vector>

#include "paiscribe/io/gzip.hpp"
#include "paiscribe/conv/game_conversion.hpp"
#include "paiscribe/mjai/mjai_lines.hpp"
#include "paiscribe/xml/parse_mjlog.hpp"
#include "paiscribe/json/parse_json_log.hpp"
#include "paiscribe/pipeline/converter.hpp"

namespace {


struct Input {
  std::string name;
  std::string path;
  std::string text;  // an XML record already out of its gzip wrapping
  bool is_xml;
};

// Reported as MB/s of the log's text and as logs/s (one log an iteration).
void count_bytes(benchmark::State& state, const Input& input) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.text.size()));
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

std::optional<paiscribe::RawLog> record_of(const Input& input) {
  paiscribe::PaddedText text(input.text);
  if (input.is_xml) {
    auto log = paiscribe::parse_mjlog(text);
    return log ? std::optional(std::move(*log)) : std::nullopt;
  }
  auto log = paiscribe::parse_json_log(text);
  return log ? std::optional(std::move(*log)) : std::nullopt;
}

// Floors: what no conversion can go below, for its stages to be read as a
// ratio to them.

// The JSON library's own reader over the same text, checking its UTF-8 as
// the log's reader does, with a handler that keeps nothing: the floor under
// any parse built on it.
struct DiscardingHandler : rapidjson::BaseReaderHandler<rapidjson::UTF8<>, DiscardingHandler> {
  bool Default() { return true; }
};

// The reader again, with a handler that keeps one byte per integer: the
// floor under building any record of the log.
struct ByteKeepingHandler : rapidjson::BaseReaderHandler<rapidjson::UTF8<>, ByteKeepingHandler> {
  std::string& bytes;
  explicit ByteKeepingHandler(std::string& kept) : bytes(kept) {}
  bool Uint(unsigned u) {
    bytes.push_back(static_cast<char>(u));
    return true;
  }
  bool Default() { return true; }
};

template <typename Handler>
void json_reader(benchmark::State& state, const Input& input) {
  const paiscribe::PaddedText text(input.text);
  rapidjson::Reader reader;
  std::string kept;
  for (auto _ : state) {
    kept.clear();
    rapidjson::StringStream stream(text.data());
    Handler handler = [&] {
      if constexpr (std::is_same_v<Handler, ByteKeepingHandler>) return Handler(kept);
      else return Handler();
    }();
    auto result = reader.Parse<rapidjson::kParseValidateEncodingFlag>(stream, handler);
    benchmark::DoNotOptimize(result);
  }
  count_bytes(state, input);
}

// pugixml's parse of the record in place, with the XML reader's options and
// the same copy into a padded buffer, keeping nothing: the floor under
// reading an XML record, as json_reader is under reading a JSON log.
void xml_reader(benchmark::State& state, const Input& input) {
  for (auto _ : state) {
    paiscribe::PaddedText text(input.text);
    pugi::xml_document document;
    auto result = document.load_buffer_inplace(text.data(), text.size() + 1, pugi::parse_minimal | pugi::parse_cdata,
                                               pugi::encoding_utf8);
    benchmark::DoNotOptimize(result);
  }
  count_bytes(state, input);
}

// The game's draws and discards, most of its lines, copied from their table
// into a kept buffer in the game's order: the floor under writing its lines.
void table_lines(benchmark::State& state, const Input& input) {
  const auto log = record_of(input);
  paiscribe::Converter converter;
  if (!log || !converter.start(paiscribe::PaddedText(input.text), paiscribe::kJsonLogAsIs))
    return state.SkipWithError("the log does not convert");
  const auto lines = converter.all_lines();
  if (!lines) return state.SkipWithError("the log does not convert");
  std::vector<const paiscribe::CommonLine*> common;
  for (std::size_t i = 0; i < (*lines)->size(); ++i) {
    for (const auto& line : paiscribe::kCommonLines) {
      if (std::string_view(line.text.data(), line.size) == (**lines)[i]) common.push_back(&line);
    }
  }
  paiscribe::MjaiLines copied;
  for (auto _ : state) {
    copied.clear();
    for (const paiscribe::CommonLine* line : common) copied.add(*line);
    benchmark::DoNotOptimize(copied);
  }
  state.counters["lines"] = static_cast<double>(common.size());
  count_bytes(state, input);
}

// A record's reader from text held elsewhere, one copy into a padded buffer
// included, as an entry holding bytes in memory pays it.
auto parse_json(std::string_view text) { return paiscribe::parse_json_log(paiscribe::PaddedText(text)); }
auto parse_xml(std::string_view text) {
  paiscribe::PaddedText padded(text);
  return paiscribe::parse_mjlog(padded);
}

template <auto read_record>
void parse(benchmark::State& state, const Input& input) {
  for (auto _ : state) {
    auto log = read_record(input.text);
    benchmark::DoNotOptimize(log);
  }
  count_bytes(state, input);
}

// The record to its lines, in storage kept from game to game.
void convert(benchmark::State& state, const Input& input) {
  const auto log = record_of(input);
  if (!log) return state.SkipWithError("the log does not parse");
  paiscribe::ConversionStorage storage;
  paiscribe::MjaiLines lines;
  for (auto _ : state) {
    auto game = paiscribe::GameConversion::start(*log, storage);
    lines.clear();
    while (game && !game->done()) benchmark::DoNotOptimize(game->next(lines));
    benchmark::DoNotOptimize(lines);
  }
  count_bytes(state, input);
}

// All of a record's lines from its text in memory, by a converter made for
// it or by one kept from record to record, as the module and the corpus
// workers keep theirs.
template <bool kKept>
void pipeline(benchmark::State& state, const Input& input) {
  const auto policy = input.is_xml ? paiscribe::kMjlog : paiscribe::kJsonLogAsIs;
  paiscribe::Converter kept;
  for (auto _ : state) {
    // Only the fresh variant pays for a converter of its own each time.
    std::optional<paiscribe::Converter> fresh;
    paiscribe::Converter& converter = kKept ? kept : fresh.emplace();
    if (auto started = converter.start(paiscribe::PaddedText(input.text), policy); !started)
      return state.SkipWithError(started.error().message.c_str());
    auto lines = converter.all_lines();
    benchmark::DoNotOptimize(lines);
    if (kKept) converter.keep_typical();
  }
  count_bytes(state, input);
}

// The whole entry with the file read, as the module calls it.
void entry(benchmark::State& state, const Input& input) {
  const auto policy = input.is_xml ? paiscribe::kMjlog : paiscribe::kJsonLogAsIs;
  paiscribe::Converter converter;
  for (auto _ : state) {
    if (auto started = converter.start_file(input.path, policy); !started)
      return state.SkipWithError(started.error().message.c_str());
    auto lines = converter.all_lines();
    benchmark::DoNotOptimize(lines);
    converter.keep_typical();
  }
  count_bytes(state, input);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::vector<std::string> paths(argv + 1, argv + argc);
  if (paths.empty()) paths.emplace_back(PAISCRIBE_FULL_GAME);

  std::deque<Input> inputs;  // stays put while the benchmarks hold references
  for (const auto& path : paths) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "cannot read %s\n", path.c_str());
      return 1;
    }
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (paiscribe::is_gzip(text)) {
      paiscribe::PaddedText unpacked;
      if (auto inflated = paiscribe::gunzip(text, unpacked); !inflated) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), inflated.error().message.c_str());
        return 1;
      }
      text = unpacked.view();
    }
    const bool is_xml = text.starts_with('<');
    auto& input = inputs.emplace_back(
        Input{std::filesystem::path(path).filename().string(), path, std::move(text), is_xml});
    if (!record_of(input)) {
      std::fprintf(stderr, "%s does not parse\n", path.c_str());
      return 1;
    }
    using Stage = void (*)(benchmark::State&, const Input&);
    const std::vector<std::pair<const char*, Stage>> stages =
        is_xml ? std::vector<std::pair<const char*, Stage>>{{"xml_reader", xml_reader},
                                                            {"mjlog_parse", parse<parse_xml>},
                                                            {"mjlog", pipeline<true>}}
               : std::vector<std::pair<const char*, Stage>>{
                     {"json_reader", json_reader<DiscardingHandler>},
                     {"json_reader_record", json_reader<ByteKeepingHandler>},
                     {"table_lines", table_lines},   {"parse", parse<parse_json>},
                     {"convert", convert},           {"pipeline", pipeline<false>},
                     {"pipeline_kept", pipeline<true>}, {"entry", entry}};
    for (const auto& [stage_name, stage] : stages) {
      benchmark::RegisterBenchmark((std::string(stage_name) + "/" + input.name).c_str(),
                                   [stage, &input](benchmark::State& state) { stage(state, input); })
          ->Unit(benchmark::kMicrosecond);
    }
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
