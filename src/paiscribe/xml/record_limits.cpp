#include "paiscribe/xml/record_limits.hpp"

#include <algorithm>
#include <cstdint>
#include <string>

namespace paiscribe {
namespace {

std::unexpected<MjlogError> refused(std::string message) {
  return std::unexpected(MjlogError{MjlogErrorKind::NotAGame, std::move(message)});
}

// Where the character reference "&#...;" or "&#x...;" at `at` ends, and
// whether the number it names comes to zero as the reader computes it (in
// 32 bits, so that a long run of digits can wrap around to zero too).
struct Reference {
  bool complete;
  std::uint32_t value;
};

Reference read_reference(std::string_view text, std::size_t at) {
  std::size_t next = at + 2;  // past "&#"
  const bool hex = next < text.size() && text[next] == 'x';
  if (hex) ++next;
  std::uint32_t value = 0;
  bool digits = false;
  for (; next < text.size(); ++next) {
    const char c = text[next];
    if (c == ';') return {digits, value};
    std::uint32_t digit = 0;
    if (c >= '0' && c <= '9') digit = static_cast<std::uint32_t>(c - '0');
    else if (hex && (c | ' ') >= 'a' && (c | ' ') <= 'f') digit = static_cast<std::uint32_t>((c | ' ') - 'a' + 10);
    else return {false, 0};
    value = value * (hex ? 16 : 10) + digit;
    digits = true;
  }
  return {false, 0};
}

}  // namespace

std::expected<void, MjlogError> check_mjlog_text(std::string_view text) {
  if (text.size() > kMjlogMostBytes)
    return refused("the text is " + std::to_string(text.size()) + " bytes, more than the " +
                   std::to_string(kMjlogMostBytes) + " any game record stays under");
  const auto tags = static_cast<std::size_t>(std::ranges::count(text, '<'));
  if (tags > kMjlogMostTags)
    return refused("the text holds " + std::to_string(tags) + " tags, more than the " +
                   std::to_string(kMjlogMostTags) + " any game record stays under");
  for (std::size_t at = text.find("&#"); at != std::string_view::npos; at = text.find("&#", at + 2)) {
    const Reference reference = read_reference(text, at);
    if (reference.complete && reference.value == 0)
      return refused("a character reference to U+0000 at byte " + std::to_string(at) + ": no XML text holds one");
  }
  return {};
}

}  // namespace paiscribe
