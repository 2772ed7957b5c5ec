// Checking a game's lines against converting its log, in logs per second
// over the same real logs, both from memory:
//
//   check_bench [--benchmark_...] [LOG...]    (default: tests/data/real/*.json)
//
// convert: a log's padded text to its lines, in storage kept from log to
// log as the corpus workers keep it; check: those lines, back to back in one
// buffer as the conversion leaves them, through a GameChecker; read: the
// same lines only read into events.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "paiscribe/base/padded_text.hpp"
#include "paiscribe/mjai/read_event.hpp"
#include "paiscribe/pipeline/converter.hpp"
#include "paiscribe/rules/game_checker.hpp"

namespace {

struct Log {
  std::string text;
  std::string lines;  // back to back, each with its line feed, as a file of them reads
};

// Calls `take(line)` for each line of `lines`, without its line feed.
template <typename Take>
void for_each_line(std::string_view lines, Take&& take) {
  for (std::size_t start = 0; start < lines.size();) {
    const std::size_t end = lines.find('\n', start);
    take(lines.substr(start, end - start));
    start = end + 1;
  }
}

void count_logs(benchmark::State& state, const std::vector<Log>& logs) {
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * logs.size()));
}

// As a corpus worker converts: a converter kept from log to log.
void convert(benchmark::State& state, const std::vector<Log>& logs) {
  paiscribe::Converter converter;
  for (auto _ : state) {
    for (const Log& log : logs) {
      if (!converter.start(paiscribe::PaddedText(log.text), paiscribe::kAnyRecord))
        return state.SkipWithError("a log does not convert");
      auto lines = converter.all_lines();
      benchmark::DoNotOptimize(lines);
      converter.keep_typical();
    }
  }
  count_logs(state, logs);
}

void check(benchmark::State& state, const std::vector<Log>& logs) {
  std::size_t findings = 0;
  for (auto _ : state) {
    for (const Log& log : logs) {
      paiscribe::rules::GameChecker checker;
      for_each_line(log.lines, [&checker](std::string_view line) { checker.feed(line); });
      checker.finish();
      findings += checker.findings().size();
    }
  }
  if (findings != 0) state.SkipWithError("a real game has findings");
  count_logs(state, logs);
}

void read_only(benchmark::State& state, const std::vector<Log>& logs) {
  paiscribe::EventReader reader;
  for (auto _ : state) {
    for (const Log& log : logs) {
      for_each_line(log.lines, [&reader](std::string_view line) {
        auto event = reader.read(line);
        benchmark::DoNotOptimize(event);
      });
    }
  }
  count_logs(state, logs);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::vector<std::filesystem::path> paths(argv + 1, argv + argc);
  if (paths.empty()) {
    for (const auto& entry : std::filesystem::directory_iterator(PAISCRIBE_REAL_LOGS)) paths.push_back(entry.path());
    std::ranges::sort(paths);
  }
  std::vector<Log> logs;
  std::size_t line_count = 0;
  for (const auto& path : paths) {
    std::ifstream in(path, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    paiscribe::Converter converter;
    const auto lines = converter.start(paiscribe::PaddedText(text), paiscribe::kAnyRecord)
                           ? converter.all_lines()
                           : std::unexpected(paiscribe::PipelineError{});
    if (!lines) {
      std::fprintf(stderr, "%s does not convert\n", path.c_str());
      return 1;
    }
    line_count += (*lines)->size();
    logs.push_back(Log{text, std::string((*lines)->text())});
  }
  std::printf("%zu logs, %zu lines\n", logs.size(), line_count);
  benchmark::RegisterBenchmark("convert", [&logs](benchmark::State& state) { convert(state, logs); })
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("check", [&logs](benchmark::State& state) { check(state, logs); })
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("read", [&logs](benchmark::State& state) { read_only(state, logs); })
      ->Unit(benchmark::kMillisecond);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
