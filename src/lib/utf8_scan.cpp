#include "utf8_scan.hpp"


namespace paiscribe {
namespace {

constexpr bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

Utf8Step decode_utf8_step(std::string_view bytes) {
  const auto lead = static_cast<unsigned char>(bytes[0]);
  if (lead < 0x80) return {lead, 1, true};

  // The second byte's range depends on the lead: it rules out overlong forms,
  // surrogates and code points past U+10FFFF.
  std::size_t length;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  char32_t code_point;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code_point = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code_point = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code_point = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return {0, 1, false};
  }

  std::size_t taken = 1;
  for (; taken < length; ++taken) {
    if (taken >= bytes.size()) return {0, static_cast<std::uint8_t>(taken), false};
    const auto byte = static_cast<unsigned char>(bytes[taken]);
    const bool in_range = taken == 1 ? (byte >= low && byte <= high) : is_continuation(byte);
    if (!in_range) return {0, static_cast<std::uint8_t>(taken), false};
    code_point = (code_point << 6) | (byte & 0x3F);
  }
  return {code_point, static_cast<std::uint8_t>(length), true};
}

}  // namespace paiscribe
