#include "paiscribe/base/utf8_step.hpp"

#include "paiscribe/base/utf8.hpp"

namespace paiscribe {

Utf8Step decode_utf8_step(std::string_view bytes) {
  const auto lead = static_cast<std::uint8_t>(bytes[0]);
  if (lead < 0x80) return {lead, 1, true};
  const std::size_t length = utf8::lead_of(lead).length;
  const std::size_t prefix = utf8::sequence_prefix(bytes, 0);
  if (length == 0 || prefix != length) return {0, static_cast<std::uint8_t>(prefix), false};

  char32_t code_point = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) code_point = (code_point << 6) | (static_cast<std::uint8_t>(bytes[i]) & 0x3F);
  return {code_point, static_cast<std::uint8_t>(length), true};
}

}  // namespace paiscribe
