#include "paiscribe/tenhou/json_utf8.hpp"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace paiscribe {

bool is_valid_utf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const auto* const end = p + bytes.size();
  while (p != end) {
    // Whole files pass through here; most of their bytes are ASCII.
    if (end - p >= 8) {
      std::uint64_t word;
      std::memcpy(&word, p, sizeof word);
      if ((word & 0x8080808080808080u) == 0) {
        p += 8;
        continue;
      }
    }
    const std::uint8_t lead = *p;
    if (lead < 0x80) {
      ++p;
      continue;
    }
    // The range of the second byte narrows for the leads whose shortest form
    // or surrogate/upper limit depends on it.
    std::size_t length = 0;
    std::uint8_t second_min = 0x80, second_max = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) second_min = 0xA0;
      if (lead == 0xED) second_max = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) second_min = 0x90;
      if (lead == 0xF4) second_max = 0x8F;
    } else {
      return false;
    }
    if (static_cast<std::size_t>(end - p) < length) return false;
    if (p[1] < second_min || p[1] > second_max) return false;
    for (std::size_t i = 2; i < length; ++i)
      if (p[i] < 0x80 || p[i] > 0xBF) return false;
    p += length;
  }
  return true;
}

}  // namespace paiscribe
