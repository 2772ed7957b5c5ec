#include "paiscribe/pipeline/path_text.hpp"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <utility>

#include "paiscribe/pipeline/unicode_escapes.hpp"
#include "paiscribe/base/utf8_step.hpp"

namespace paiscribe {
namespace {

bool needs_unicode_escape(char32_t code_point) {
  const auto after = std::upper_bound(kEscapedCodePoints.begin(), kEscapedCodePoints.end(), code_point,
                                      [](char32_t cp, const CodePointRange& range) { return cp < range.first; });
  return after != kEscapedCodePoints.begin() && code_point <= std::prev(after)->last;
}

void append_quoted_char(std::string& out, char32_t code_point, std::string_view encoded) {
  switch (code_point) {
    case U'\\': out += "\\\\"; return;
    case U'"': out += "\\\""; return;
    case U'\'': out += "\\'"; return;
    case U'\t': out += "\\t"; return;
    case U'\r': out += "\\r"; return;
    case U'\n': out += "\\n"; return;
    case U'\0': out += "\\0"; return;
    default: break;
  }
  if (needs_unicode_escape(code_point)) {
    char digits[8];
    const auto end = std::to_chars(digits, digits + sizeof digits, static_cast<std::uint32_t>(code_point), 16).ptr;
    out += "\\u{";
    out.append(digits, end);
    out += '}';
  } else {
    out += encoded;
  }
}

}  // namespace

std::string quoted_path(std::string_view path) {
  std::string out;
  out.reserve(path.size() + 2);
  out += '"';
  while (!path.empty()) {
    const Utf8Step step = decode_utf8_step(path);
    if (step.valid) {
      append_quoted_char(out, step.code_point, path.substr(0, step.length));
    } else {
      constexpr std::string_view kHex = "0123456789ABCDEF";
      for (const char byte : path.substr(0, step.length)) {
        const auto value = static_cast<unsigned char>(byte);
        out += "\\x";
        out += kHex[value >> 4];
        out += kHex[value & 0xF];
      }
    }
    path.remove_prefix(step.length);
  }
  out += '"';
  return out;
}

std::string display_path(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  while (!path.empty()) {
    const Utf8Step step = decode_utf8_step(path);
    out += step.valid ? path.substr(0, step.length) : std::string_view("\xEF\xBF\xBD");
    path.remove_prefix(step.length);
  }
  return out;
}

}  // namespace paiscribe
