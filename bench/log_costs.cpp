// What one log costs a converter kept from log to log, as the module and the
// corpus workers keep theirs: heap allocations per log, and, run under
// callgrind, instructions per log. The conversions measured are the same in
// both runs, so the counts repeat on a busy machine where times do not.
//
//   log_costs LOG...
//   valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file=/dev/null log_costs LOG...
//
// Each log is converted from its file (the module's way) and from its text in
// memory; a few conversions first fill the converter's buffers.
#include <valgrind/callgrind.h>

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "paiscribe/pipeline/converter.hpp"

extern "C" void* __libc_malloc(std::size_t);
extern "C" void* __libc_calloc(std::size_t, std::size_t);
extern "C" void* __libc_realloc(void*, std::size_t);

namespace {
std::atomic<std::size_t> allocations = 0;
}

// Every heap allocation of the process passes here, the standard library's
// and the libraries' alike.
extern "C" void* malloc(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_malloc(size);
}
extern "C" void* calloc(std::size_t count, std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_calloc(count, size);
}
extern "C" void* realloc(void* block, std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_realloc(block, size);
}

namespace {

constexpr int kWarmUp = 3;
constexpr int kMeasured = 20;

bool convert(paiscribe::Converter& converter, const std::string& path, const std::string* text) {
  auto started = text ? converter.start(paiscribe::PaddedText(*text), paiscribe::kAnyRecord)
                      : converter.start_file(path, paiscribe::kAnyRecord);
  const bool converted = started && converter.all_lines();
  converter.keep_typical();
  return converted;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: log_costs LOG...\n");
    return 2;
  }
  paiscribe::Converter converter;
  for (const bool from_memory : {false, true}) {
    std::size_t counted = 0;
    std::size_t logs = 0;
    for (int arg = 1; arg < argc; ++arg) {
      const std::string path = argv[arg];
      std::ifstream in(path, std::ios::binary);
      const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      for (int i = 0; i < kWarmUp; ++i) {
        if (!convert(converter, path, from_memory ? &text : nullptr)) {
          std::fprintf(stderr, "%s does not convert\n", path.c_str());
          return 1;
        }
      }
      const std::size_t before = allocations.load();
      CALLGRIND_TOGGLE_COLLECT;
      for (int i = 0; i < kMeasured; ++i) convert(converter, path, from_memory ? &text : nullptr);
      CALLGRIND_TOGGLE_COLLECT;
      counted += allocations.load() - before;
      logs += kMeasured;
    }
    std::printf("%-14s %6.2f allocations per log (%zu logs)\n", from_memory ? "from memory" : "from the file",
                static_cast<double>(counted) / static_cast<double>(logs), logs / kMeasured);
  }
  std::printf("under callgrind, its total Ir over %d conversions per log and source is the instructions measured\n",
              kMeasured);
  return 0;
}
