// Compressing mjai lines, as `convert_files(gzip=True)` does: libdeflate's
// fastest level (what gzip_compress uses) against its default level and,
// when its headers are found, ISA-L's level 1, in MB/s of lines and in
// compressed size over the lines' size.
//
//   gzip_bench [--benchmark_...] LOG...
//
// The lines are those of the logs given (any record, plain or gzip):
// `per_game` compresses each game's lines as one member, as each output file
// is written; `sample` compresses them repeated into one text of 4 MiB.
#include <benchmark/benchmark.h>
#include <libdeflate.h>
#ifdef PAISCRIBE_BENCH_ISAL
#include <isa-l/igzip_lib.h>
#endif

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "paiscribe/io/gzip.hpp"
#include "paiscribe/pipeline/converter.hpp"

namespace {

constexpr std::size_t kSampleBytes = std::size_t{4} << 20;

using Compress = std::size_t (*)(const std::string& lines, std::string& out);

struct FreeCompressor {
  void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

template <int kLevel>
std::size_t libdeflate_gzip(const std::string& lines, std::string& out) {
  // Made per call, as gzip_compress makes it per output file.
  const std::unique_ptr<libdeflate_compressor, FreeCompressor> compressor(libdeflate_alloc_compressor(kLevel));
  out.resize(libdeflate_gzip_compress_bound(compressor.get(), lines.size()));
  return libdeflate_gzip_compress(compressor.get(), lines.data(), lines.size(), out.data(), out.size());
}

#ifdef PAISCRIBE_BENCH_ISAL
std::size_t isal_gzip_level1(const std::string& lines, std::string& out) {
  std::vector<std::uint8_t> level_buffer(ISAL_DEF_LVL1_DEFAULT);
  out.resize(lines.size() + lines.size() / 64 + 1024);
  // The init call leaves hist_bits as it was: zeroed, it means the whole
  // 32 KiB window; stack garbage shrinks the window and the ratio with it.
  isal_zstream stream{};
  isal_deflate_stateless_init(&stream);
  stream.level = 1;
  stream.level_buf = level_buffer.data();
  stream.level_buf_size = static_cast<std::uint32_t>(level_buffer.size());
  stream.gzip_flag = IGZIP_GZIP;
  stream.end_of_stream = 1;
  stream.next_in = reinterpret_cast<std::uint8_t*>(const_cast<char*>(lines.data()));
  stream.avail_in = static_cast<std::uint32_t>(lines.size());
  stream.next_out = reinterpret_cast<std::uint8_t*>(out.data());
  stream.avail_out = static_cast<std::uint32_t>(out.size());
  return isal_deflate_stateless(&stream) == COMP_OK ? stream.total_out : 0;
}
#endif

// Each game's lines, one string a game.
std::vector<std::string> games_of(const std::vector<std::string>& paths) {
  std::vector<std::string> games;
  paiscribe::Converter converter;
  for (const auto& path : paths) {
    auto started = converter.start_file(path, paiscribe::kAnyRecord);
    auto lines = started ? converter.all_lines() : std::unexpected(std::move(started.error()));
    if (!lines) {
      std::fprintf(stderr, "%s: %s (left out)\n", path.c_str(), lines.error().message.c_str());
      continue;
    }
    games.emplace_back((*lines)->text());
  }
  return games;
}

// A compressor whose output does not come back whole is not measured.
bool round_trips(Compress compress, const std::string& lines) {
  std::string packed;
  packed.resize(compress(lines, packed));
  paiscribe::PaddedText unpacked;
  return !packed.empty() && paiscribe::gunzip(packed, unpacked) && unpacked.view() == lines;
}

// Every text in turn, each its own gzip member.
void compress_each(benchmark::State& state, Compress compress, const std::vector<std::string>& texts) {
  std::string packed;
  std::size_t in = 0;
  std::size_t out = 0;
  for (const auto& text : texts) in += text.size();
  for (auto _ : state) {
    out = 0;
    for (const auto& text : texts) {
      out += compress(text, packed);
      benchmark::DoNotOptimize(packed.data());
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in));
  state.counters["size_ratio"] = static_cast<double>(out) / static_cast<double>(in);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const std::vector<std::string> games = games_of({argv + 1, argv + argc});
  if (games.empty()) {
    std::fprintf(stderr, "usage: gzip_bench [--benchmark_...] LOG...   (no log converted)\n");
    return 1;
  }
  // The games again and again in one text, as one large output would be.
  std::string sample;
  while (sample.size() < kSampleBytes)
    for (const auto& game : games) sample += game;
  std::fprintf(stderr, "%zu games, %zu bytes of mjai lines in one sample\n", games.size(), sample.size());

  const std::vector<std::pair<std::string, Compress>> compressors = {
      {"libdeflate_level1", libdeflate_gzip<1>},
      {"libdeflate_level6", libdeflate_gzip<6>},
#ifdef PAISCRIBE_BENCH_ISAL
      {"isal_level1", isal_gzip_level1},
#endif
  };
  for (const auto& [name, compress] : compressors) {
    if (!round_trips(compress, sample)) {
      std::fprintf(stderr, "%s: the output does not gunzip to the lines\n", name.c_str());
      return 1;
    }
    benchmark::RegisterBenchmark((name + "/per_game").c_str(), compress_each, compress, games)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark((name + "/sample").c_str(), compress_each, compress, std::vector{sample})
        ->Unit(benchmark::kMicrosecond);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
