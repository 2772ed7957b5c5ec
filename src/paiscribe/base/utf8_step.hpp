#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace paiscribe {

// One step through UTF-8 bytes: a well-formed character, or the maximal
// subpart of an ill-formed sequence (at least one byte) to be skipped.
struct Utf8Step {
  char32_t code_point;  // meaningful only when valid
  std::uint8_t length;  // bytes consumed, 1 to 4
  bool valid;
};

// Decodes the character at the start of `bytes`, which must not be empty.
Utf8Step decode_utf8_step(std::string_view bytes);

}  // namespace paiscribe
