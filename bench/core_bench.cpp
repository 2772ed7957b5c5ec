// Throughput of the core stages, in bytes of log text per second, so the
// stages compare directly with each other and with the whole pipeline.
//
//   core_bench [--benchmark_...] [LOG...]    (default: the hand-made full game)
//
// A log may also be Tenhou's XML record (gzip-compressed or not); it runs the
// mjlog stages, to set beside the JSON stages of its JSON twin.
#include <benchmark/benchmark.h>
#include <rapidjson/reader.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "paiscribe/entry/gzip.hpp"
#include "paiscribe/conv/convert_log.hpp"
#include "paiscribe/mjai/mjai_lines.hpp"
#include "paiscribe/tenhou/mjlog.hpp"
#include "paiscribe/tenhou/parse_log.hpp"
#include "paiscribe/entry/pipeline.hpp"

namespace {

using paiscribe::Event;

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
  if (input.is_xml) {
    auto log = paiscribe::parse_mjlog(input.text);
    return log ? std::optional(std::move(*log)) : std::nullopt;
  }
  auto log = paiscribe::parse_log(input.text);
  return log ? std::optional(std::move(*log)) : std::nullopt;
}

std::optional<std::vector<Event>> events_of(const Input& input) {
  const auto log = record_of(input);
  if (!log) return std::nullopt;
  auto events = paiscribe::convert_log(*log);
  if (!events) return std::nullopt;
  return std::move(*events);
}

// The JSON library's own reader over the same text with a handler that keeps
// nothing: the floor under any parse built on it.
struct DiscardingHandler : rapidjson::BaseReaderHandler<rapidjson::UTF8<>, DiscardingHandler> {
  bool Default() { return true; }
};

void json_reader(benchmark::State& state, const Input& input) {
  std::string copy;
  for (auto _ : state) {
    copy.assign(input.text);
    rapidjson::InsituStringStream stream(copy.data());
    rapidjson::Reader reader;
    DiscardingHandler handler;
    auto result = reader.Parse<rapidjson::kParseInsituFlag | rapidjson::kParseValidateEncodingFlag>(stream, handler);
    benchmark::DoNotOptimize(result);
  }
  count_bytes(state, input);
}

// `read_record` is the JSON log's reader or the XML record's.
// The JSON reader from text held elsewhere, one copy into a padded buffer
// included, as an entry holding bytes in memory pays it.
auto parse_json(std::string_view text) { return paiscribe::parse_log(text); }

template <auto read_record>
void parse(benchmark::State& state, const Input& input) {
  for (auto _ : state) {
    auto log = read_record(input.text);
    benchmark::DoNotOptimize(log);
  }
  count_bytes(state, input);
}

void convert(benchmark::State& state, const Input& input) {
  const auto log = paiscribe::parse_log(input.text);
  if (!log) return state.SkipWithError("the log does not parse");
  for (auto _ : state) {
    auto events = paiscribe::convert_log(*log);
    benchmark::DoNotOptimize(events);
  }
  count_bytes(state, input);
}

void serialize(benchmark::State& state, const Input& input) {
  const auto events = events_of(input);
  if (!events) return state.SkipWithError("the log does not convert");
  for (auto _ : state) {
    auto lines = paiscribe::serialize_events(*events);
    benchmark::DoNotOptimize(lines);
  }
  count_bytes(state, input);
}

// What the entry does between reading the file and writing: text in, lines out.
template <auto read_record>
void pipeline(benchmark::State& state, const Input& input) {
  for (auto _ : state) {
    auto log = read_record(input.text);
    auto events = paiscribe::convert_log(*log);
    auto lines = paiscribe::serialize_events(*events);
    benchmark::DoNotOptimize(lines);
  }
  count_bytes(state, input);
}

// The same for a caller that converts log after log in storage it keeps, as
// the module and the corpus workers do: the record's lists and the buffers
// of events and lines are taken over from the log before.
void pipeline_kept(benchmark::State& state, const Input& input) {
  paiscribe::PipelineStorage storage;
  for (auto _ : state) {
    const paiscribe::PaddedText text(input.text);
    auto lines = paiscribe::convert_padded(text, storage);
    if (!lines) return state.SkipWithError(lines.error().message.c_str());
    benchmark::DoNotOptimize(lines);
  }
  count_bytes(state, input);
}

// The whole entry with the file read, as the module calls it.
void entry(benchmark::State& state, const Input& input) {
  for (auto _ : state) {
    auto lines = paiscribe::run_pipeline(input.path, std::nullopt);
    if (!lines) return state.SkipWithError(lines.error().message.c_str());
    benchmark::DoNotOptimize(lines);
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
      auto unpacked = paiscribe::gunzip(text);
      if (!unpacked) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), unpacked.error().message.c_str());
        return 1;
      }
      text = std::move(*unpacked);
    }
    const bool is_xml = text.starts_with('<');
    auto& input = inputs.emplace_back(
        Input{std::filesystem::path(path).filename().string(), path, std::move(text), is_xml});
    if (!events_of(input)) {
      std::fprintf(stderr, "%s does not convert\n", path.c_str());
      return 1;
    }
    using Stage = void (*)(benchmark::State&, const Input&);
    const std::vector<std::pair<const char*, Stage>> stages =
        is_xml ? std::vector<std::pair<const char*, Stage>>{{"mjlog_parse", parse<paiscribe::parse_mjlog>},
                                                            {"mjlog", pipeline<paiscribe::parse_mjlog>}}
               : std::vector<std::pair<const char*, Stage>>{
                     {"json_reader", json_reader},  {"parse", parse<parse_json>},
                     {"convert", convert},          {"serialize", serialize},
                     {"pipeline", pipeline<parse_json>}, {"pipeline_kept", pipeline_kept},
                     {"entry", entry}};
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
