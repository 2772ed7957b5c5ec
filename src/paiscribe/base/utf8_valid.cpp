#include "paiscribe/base/utf8_valid.hpp"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "paiscribe/base/utf8.hpp"

namespace paiscribe {

bool is_valid_utf8(std::string_view bytes) {
  std::size_t at = 0;
  while (at < bytes.size()) {
    // Whole files pass through here; most of their bytes are ASCII.
    if (bytes.size() - at >= 8) {
      std::uint64_t word;
      std::memcpy(&word, bytes.data() + at, sizeof word);
      if ((word & 0x8080808080808080u) == 0) {
        at += 8;
        continue;
      }
    }
    const std::size_t length = utf8::lead_of(static_cast<std::uint8_t>(bytes[at])).length;
    if (length == 0 || utf8::sequence_prefix(bytes, at) != length) return false;
    at += length;
  }
  return true;
}

}  // namespace paiscribe
