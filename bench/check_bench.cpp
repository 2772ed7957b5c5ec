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
#include "paiscribe/entry/pipeline.hpp"
#include "paiscribe/mjai/mjai_lines.hpp"
#include "paiscribe/mjai/read_event.hpp"
#include "paiscribe/rules/game_checker.hpp"

namespace {

struct Log {
  paiscribe::PaddedText text;
  paiscribe::MjaiLines lines;  // back to back in one buffer, as a file of them reads
};

void count_logs(benchmark::State& state, const std::vector<Log>& logs) {
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * logs.size()));
}

void convert(benchmark::State& state, const std::vector<Log>& logs) {
  paiscribe::PipelineStorage storage;
  for (auto _ : state) {
    for (const Log& log : logs) {
      auto lines = paiscribe::convert_padded(log.text, storage);
      benchmark::DoNotOptimize(lines);
      storage.keep_typical();
    }
  }
  count_logs(state, logs);
}

void check(benchmark::State& state, const std::vector<Log>& logs) {
  std::size_t findings = 0;
  for (auto _ : state) {
    for (const Log& log : logs) {
      paiscribe::rules::GameChecker checker;
      log.lines.for_each_line([&checker](std::string_view line, bool) {
        checker.feed(line);
        return true;
      });
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
      log.lines.for_each_line([&reader](std::string_view line, bool) {
        auto event = reader.read(line);
        benchmark::DoNotOptimize(event);
        return true;
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
    auto lines = paiscribe::convert_bytes(text);
    if (!lines) {
      std::fprintf(stderr, "%s does not convert\n", path.c_str());
      return 1;
    }
    line_count += lines->size();
    logs.push_back(Log{paiscribe::PaddedText(text), std::move(*lines)});
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
