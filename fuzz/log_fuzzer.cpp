// libFuzzer entry: any bytes go to both readers and to a converter that
// tells them apart, and the records between NUL bytes go through one
// converter kept from record to record, as the module and the workers keep
// theirs.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pipeline_checks.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  paiscribe::fuzz::check_pipeline(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
