// libFuzzer entry: any bytes go through parse, convert and serialise;
// parse_log must be safe on bytes that are not UTF-8, and refuse them.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pipeline_checks.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  paiscribe::fuzz::check_pipeline(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
