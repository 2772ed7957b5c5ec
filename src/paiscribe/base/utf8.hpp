#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace paiscribe::utf8 {

// What a lead byte promises: the sequence length and the range its second byte
// must fall in (narrower than 80..BF where that rules out overlong forms,
// surrogates and code points above U+10FFFF). Length 0: not a lead byte.
struct Lead {
  std::uint8_t length;
  std::uint8_t second_min;
  std::uint8_t second_max;
};

constexpr Lead lead_of(std::uint8_t byte) {
  if (byte < 0x80) return {1, 0, 0};
  if (byte < 0xC2) return {0, 0, 0};
  if (byte < 0xE0) return {2, 0x80, 0xBF};
  if (byte == 0xE0) return {3, 0xA0, 0xBF};
  if (byte == 0xED) return {3, 0x80, 0x9F};
  if (byte < 0xF0) return {3, 0x80, 0xBF};
  if (byte == 0xF0) return {4, 0x90, 0xBF};
  if (byte < 0xF4) return {4, 0x80, 0xBF};
  if (byte == 0xF4) return {4, 0x80, 0x8F};
  return {0, 0, 0};
}

// Whether every byte is below 0x80. One reduction over all bytes, so the
// compiler checks many at a time.
constexpr bool is_ascii(std::string_view text) {
  unsigned char seen = 0;
  for (const char c : text) seen |= static_cast<unsigned char>(c);
  return seen < 0x80;
}

constexpr bool is_continuation(std::uint8_t byte) { return (byte & 0xC0) == 0x80; }

// How many bytes from `start` belong to the longest well-formed prefix of one
// sequence (at least 1). It equals lead_of(...).length exactly when the whole
// sequence is valid; otherwise those bytes are one ill-formed piece.
constexpr std::size_t sequence_prefix(std::string_view text, std::size_t start) {
  const auto lead = lead_of(static_cast<std::uint8_t>(text[start]));
  if (lead.length <= 1) return 1;
  std::size_t end = start + 1;
  if (end == text.size()) return 1;
  const auto second = static_cast<std::uint8_t>(text[end]);
  if (second < lead.second_min || second > lead.second_max) return 1;
  ++end;
  while (end < text.size() && end < start + lead.length && is_continuation(static_cast<std::uint8_t>(text[end])))
    ++end;
  return end - start;
}

}  // namespace paiscribe::utf8
