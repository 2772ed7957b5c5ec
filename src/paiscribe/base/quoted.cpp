#include "paiscribe/base/quoted.hpp"

#include "paiscribe/base/utf8.hpp"

namespace paiscribe {

std::string quoted(std::string_view text) {
  std::string out(1, '"');
  if (text.size() <= kQuotedLength) return out.append(text).append(1, '"');
  // A character the cut would split is left out whole.
  std::size_t cut = kQuotedLength;
  for (int back = 0; back < 3 && cut > 0 && utf8::is_continuation(static_cast<std::uint8_t>(text[cut])); ++back) --cut;
  return out.append(text.substr(0, cut)).append("...\"");
}

}  // namespace paiscribe
