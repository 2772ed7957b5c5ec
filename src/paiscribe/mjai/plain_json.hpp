#pragma once

#include <cstdint>
#include <string_view>

namespace paiscribe {

// Scans the plain JSON that mjai lines are written in: no white space,
// strings without escapes or bytes past 0x7F, integers of up to 18 digits.
// It calls a RapidJSON SAX handler's methods as RapidJSON's reader would on
// the same text, so the two readers agree wherever this one finishes, and on
// short lines it is several times faster. It returns whether the whole text
// was such JSON and the handler took every value; on false the caller reads
// the text again with RapidJSON, for the verdict and its message.
template <class Handler>
class PlainJsonScanner {
 public:
  PlainJsonScanner(std::string_view text, Handler& handler)
      : at_(text.data()), end_(text.data() + text.size()), handler_(handler) {}

  bool scan() { return plain_bytes() && value(0) && at_ == end_; }

 private:
  static constexpr int kMaxDepth = 4;

  // No control byte, backslash or byte past 0x7F anywhere, checked at once
  // so that a string is scanned only for its closing quote.
  bool plain_bytes() const {
    std::uint8_t seen = 0, odd = 0;  // reductions the compiler does many bytes at a time
    for (const char* at = at_; at != end_; ++at) {
      const auto byte = static_cast<std::uint8_t>(*at);
      seen |= byte;
      odd |= static_cast<std::uint8_t>((byte < 0x20) | (byte == '\\'));
    }
    return seen < 0x80 && odd == 0;
  }

  bool value(int depth) {
    if (at_ == end_) return false;
    switch (*at_) {
      case '{': return depth < kMaxDepth && object(depth + 1);
      case '[': return depth < kMaxDepth && array(depth + 1);
      case '"': return string(false);
      case 't': return word("true") && handler_.Bool(true);
      case 'f': return word("false") && handler_.Bool(false);
      default: return number();
    }
  }

  bool object(int depth) {
    ++at_;
    if (!handler_.StartObject()) return false;
    unsigned members = 0;
    if (at_ != end_ && *at_ == '}') return ++at_, handler_.EndObject(0);
    do {
      if (!string(true) || !take(':') || !value(depth)) return false;
      ++members;
    } while (take(','));
    return take('}') && handler_.EndObject(members);
  }

  bool array(int depth) {
    ++at_;
    if (!handler_.StartArray()) return false;
    unsigned elements = 0;
    if (at_ != end_ && *at_ == ']') return ++at_, handler_.EndArray(0);
    do {
      // Lists of tiles make most of the longest lines.
      const bool element = at_ != end_ && *at_ == '"' ? string(false) : value(depth);
      if (!element) return false;
      ++elements;
    } while (take(','));
    return take(']') && handler_.EndArray(elements);
  }

  bool string(bool key) {
    if (!take('"')) return false;
    const char* begin = at_;
    while (at_ != end_ && *at_ != '"') ++at_;
    if (at_ == end_) return false;
    const auto length = static_cast<unsigned>(at_ - begin);
    ++at_;
    return key ? handler_.Key(begin, length, false) : handler_.String(begin, length, false);
  }

  bool number() {
    const bool negative = take('-');
    const char* digits = at_;
    std::int64_t value = 0;
    while (at_ != end_ && *at_ >= '0' && *at_ <= '9') value = value * 10 + (*at_++ - '0');
    const auto count = at_ - digits;
    if (count == 0 || count > 18 || (count > 1 && *digits == '0')) return false;
    if (at_ != end_ && (*at_ == '.' || *at_ == 'e' || *at_ == 'E')) return false;
    return handler_.Int64(negative ? -value : value);
  }

  bool word(std::string_view text) {
    if (std::string_view(at_, static_cast<std::size_t>(end_ - at_)).substr(0, text.size()) != text) return false;
    at_ += text.size();
    return true;
  }

  bool take(char c) {
    if (at_ == end_ || *at_ != c) return false;
    ++at_;
    return true;
  }

  const char* at_;
  const char* end_;
  Handler& handler_;
};

}  // namespace paiscribe
