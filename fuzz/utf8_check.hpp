#pragma once

#include <string_view>

namespace paiscribe::fuzz {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
constexpr bool is_valid_utf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    char32_t code_point = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2, code_point = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, code_point = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, code_point = lead & 0x07, minimum = 0x10000;
    } else {
      return false;
    }
    if (text.size() - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code_point = (code_point << 6) | (next & 0x3F);
    }
    if (code_point < minimum || code_point > 0x10FFFF || (code_point >= 0xD800 && code_point <= 0xDFFF)) {
      return false;
    }
    i += length;
  }
  return true;
}

static_assert(is_valid_utf8("plain ascii"));
static_assert(is_valid_utf8("\xE5\x92\x8C\xE4\xBA\x86"));
static_assert(is_valid_utf8("\xF4\x8F\xBF\xBF"));
static_assert(!is_valid_utf8("\xC0\xAF"));          // overlong slash
static_assert(!is_valid_utf8("\xED\xA0\x80"));      // surrogate
static_assert(!is_valid_utf8("\xF4\x90\x80\x80"));  // above U+10FFFF
static_assert(!is_valid_utf8("\xE5\x92"));          // cut short
static_assert(!is_valid_utf8("\x80"));              // lone continuation

}  // namespace paiscribe::fuzz
