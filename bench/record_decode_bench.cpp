// What undoing a record's compression costs beside converting the record:
// gzip (libdeflate) against bz2 (libbz2, at bzip2's default level 9, as
// Python's bz2.compress writes it), each through the RecordReader every
// entry point reads with, and the whole of a gzip record's conversion as a
// batch worker does it (inflate, read, convert, compress the lines).
//
//   record_decode_bench [--benchmark_...] XML_RECORD...
//
// A bz2 record converts at most (convert) / (convert - gunzip + bunzip2) of
// a gzip record's pace, whatever the rest of the pipeline costs.
#include <benchmark/benchmark.h>
#include <bzlib.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "paiscribe/io/gzip.hpp"
#include "paiscribe/io/record_reader.hpp"
#include "paiscribe/pipeline/converter.hpp"

namespace {

struct Packed {
  std::string gzip;
  std::string bzip2;
};

std::string file_bytes(const char* path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

std::string bzip2_of(const std::string& text) {
  unsigned int size = static_cast<unsigned int>(text.size() + text.size() / 100 + 600);
  std::string packed(size, '\0');
  if (BZ2_bzBuffToBuffCompress(packed.data(), &size, const_cast<char*>(text.data()),
                               static_cast<unsigned int>(text.size()), 9, 0, 0) != BZ_OK)
    return {};
  packed.resize(size);
  return packed;
}

void undo(benchmark::State& state, const std::vector<std::string>* records) {
  paiscribe::RecordReader reader;
  std::size_t bytes = 0;
  for (auto _ : state) {
    for (const auto& record : *records) {
      auto text = reader.copy(record, paiscribe::Decompress::Yes);
      if (!text) state.SkipWithError("a record did not inflate");
      bytes += text ? (*text)->view().size() : 0;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
  state.counters["us_per_record"] = benchmark::Counter(static_cast<double>(records->size()) * 1e-6,
                                                       benchmark::Counter::kIsIterationInvariantRate |
                                                           benchmark::Counter::kInvert);
}

void convert(benchmark::State& state, const std::vector<std::string>* records) {
  paiscribe::Converter converter;
  for (auto _ : state) {
    for (const auto& record : *records) {
      auto started = converter.start_copy(record, paiscribe::kBatchRecord);
      auto lines = started ? converter.all_lines() : std::unexpected(std::move(started.error()));
      if (!lines) {
        state.SkipWithError("a record did not convert");
        break;
      }
      auto packed = paiscribe::gzip_compress((*lines)->text());
      benchmark::DoNotOptimize(packed);
      converter.keep_typical();
    }
  }
  state.counters["us_per_record"] = benchmark::Counter(static_cast<double>(records->size()) * 1e-6,
                                                       benchmark::Counter::kIsIterationInvariantRate |
                                                           benchmark::Counter::kInvert);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  static std::vector<std::string> gzip_records, bzip2_records;
  for (int at = 1; at < argc; ++at) {
    const std::string text = file_bytes(argv[at]);
    auto gzip = paiscribe::gzip_compress(text);
    std::string bzip2 = bzip2_of(text);
    if (text.empty() || !gzip || bzip2.empty()) {
      std::fprintf(stderr, "%s: cannot be read or compressed (left out)\n", argv[at]);
      continue;
    }
    gzip_records.push_back(std::move(*gzip));
    bzip2_records.push_back(std::move(bzip2));
  }
  if (gzip_records.empty()) {
    std::fprintf(stderr, "usage: record_decode_bench [--benchmark_...] XML_RECORD...\n");
    return 1;
  }
  benchmark::RegisterBenchmark("gunzip", undo, &gzip_records)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("bunzip2", undo, &bzip2_records)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("convert_gzip_record", convert, &gzip_records)->Unit(benchmark::kMicrosecond);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
