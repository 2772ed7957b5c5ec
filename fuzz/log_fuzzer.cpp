// libFuzzer entry: any bytes go through parse, convert and serialise.
//
// Text that is not UTF-8 stops at the entry's read step and never reaches the
// parser, so it is left out here to keep the search on what users can reach;
// the replay runner still feeds such files to the parser.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pipeline_checks.hpp"
#include "utf8_check.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (!paiscribe::fuzz::is_valid_utf8(text)) return -1;  // not worth keeping in the corpus
  paiscribe::fuzz::check_pipeline(text);
  return 0;
}
