#include "paiscribe/tenhou/json_document.hpp"

#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include <algorithm>
#include <cassert>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <system_error>

namespace paiscribe {
namespace {

// The reader stops after the value so the tail is checked here, where an
// embedded NUL cannot pass for the end of the text.
constexpr unsigned kParseFlags =
    rapidjson::kParseValidateEncodingFlag | rapidjson::kParseStopWhenDoneFlag | rapidjson::kParseInsituFlag;

// The recursive reader is fast but takes native stack for every level of
// nesting. Real logs nest a few levels; a text nesting deeper than this is
// read again by the iterative reader, whose native stack stays flat.
constexpr unsigned kRecursiveDepthLimit = 128;
constexpr unsigned kNoDepthLimit = std::numeric_limits<unsigned>::max();

// The reader's UTF-8 check takes a character's continuation bytes without
// looking for the end, so a character cut short by the end of the text would
// be read past it: the copy carries this many NULs of its own.
constexpr std::size_t kReadAheadPadding = 3;

bool is_json_whitespace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string position_of(std::string_view text, std::size_t offset) {
  offset = std::min(offset, text.size());
  const std::string_view before = text.substr(0, offset);
  const std::size_t line = 1 + static_cast<std::size_t>(std::ranges::count(before, '\n'));
  const std::size_t line_start = before.rfind('\n');
  const std::size_t column = line_start == std::string_view::npos ? offset + 1 : offset - line_start;
  return "at line " + std::to_string(line) + " column " + std::to_string(column);
}

// For a number whose value no double can hold: whether it is too small
// (rounds to zero) rather than too large. Decided by its decimal order of
// magnitude, read off the digits and the exponent.
bool is_below_double_range(std::string_view number) {
  const std::size_t exponent_at = number.find_first_of("eE");
  const std::string_view mantissa = number.substr(0, exponent_at);
  std::int64_t exponent = 0;
  if (exponent_at != std::string_view::npos) {
    std::string_view digits = number.substr(exponent_at + 1);
    const bool negative = digits.front() == '-';
    if (digits.front() == '-' || digits.front() == '+') digits.remove_prefix(1);
    if (std::from_chars(digits.data(), digits.data() + digits.size(), exponent).ec != std::errc{}) return negative;
    if (negative) exponent = -exponent;
  }
  const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
  const std::size_t first_digit = mantissa.find_first_of("123456789");
  if (first_digit == std::string_view::npos) return true;
  const auto order = first_digit < point ? static_cast<std::int64_t>(point - first_digit - 1)
                                         : -static_cast<std::int64_t>(first_digit - point);
  return order + exponent < 0;
}

const char* skip_digits(const char* at) {
  while (*at >= '0' && *at <= '9') ++at;
  return at;
}

// The text of the number starting at `first`, whose grammar the reader has
// checked: sign, digits, fraction, exponent, and not a byte more, even when
// the bytes after it are malformed.
std::string_view number_text(const char* first) {
  const char* last = first;
  if (*last == '-') ++last;
  last = skip_digits(last);
  if (*last == '.') last = skip_digits(last + 1);
  if (*last == 'e' || *last == 'E') {
    ++last;
    if (*last == '+' || *last == '-') ++last;
    last = skip_digits(last);
  }
  return {first, static_cast<std::size_t>(last - first)};
}

// The nearest double to a valid JSON number's text; nothing when its
// magnitude is beyond every double.
std::optional<double> nearest_double(std::string_view number) {
  double value = 0;
  const auto parsed = std::from_chars(number.data(), number.data() + number.size(), value);
  if (parsed.ec == std::errc::result_out_of_range) {
    if (!is_below_double_range(number)) return std::nullopt;
    return number.front() == '-' ? -0.0 : 0.0;
  }
  if (parsed.ec != std::errc{}) return std::nullopt;
  return value;
}

// Forwards parse events to the document and stops at the depth limit. The
// reader converts integers that fit 64 bits itself (so "-0" is the integer
// 0); every other number becomes the nearest double, converted here from its
// text because the library's conversion turns some zeros (0e60) into
// arbitrary values.
class DocumentBuilder {
 public:
  DocumentBuilder(rapidjson::Document& document, const rapidjson::InsituStringStream& stream, unsigned depth_limit)
      : document_(document), stream_(stream), depth_limit_(depth_limit) {}

  bool too_deep() const { return too_deep_; }

  bool Null() { return document_.Null(); }
  bool Bool(bool b) { return document_.Bool(b); }
  bool Int(int i) { return document_.Int(i); }
  bool Uint(unsigned u) { return document_.Uint(u); }
  bool Int64(std::int64_t i) { return document_.Int64(i); }
  bool Uint64(std::uint64_t u) { return document_.Uint64(u); }
  // The reader reads a number through a copy of the stream, so the stream
  // itself still stands on the number's first byte.
  bool Double(double) {
    assert(*stream_.src_ == '-' || (*stream_.src_ >= '0' && *stream_.src_ <= '9'));
    const auto value = nearest_double(number_text(stream_.src_));
    return value && document_.Double(*value);
  }
  // Must exist, but numbers are not asked for as text.
  bool RawNumber(const char*, rapidjson::SizeType, bool) { return false; }
  bool String(const char* text, rapidjson::SizeType length, bool copy) { return document_.String(text, length, copy); }
  bool StartObject() { return enter() && document_.StartObject(); }
  bool Key(const char* text, rapidjson::SizeType length, bool copy) { return document_.Key(text, length, copy); }
  bool EndObject(rapidjson::SizeType members) {
    --depth_;
    return document_.EndObject(members);
  }
  bool StartArray() { return enter() && document_.StartArray(); }
  bool EndArray(rapidjson::SizeType elements) {
    --depth_;
    return document_.EndArray(elements);
  }

 private:
  bool enter() {
    too_deep_ = ++depth_ > depth_limit_;
    return !too_deep_;
  }

  rapidjson::Document& document_;
  const rapidjson::InsituStringStream& stream_;
  unsigned depth_limit_;
  unsigned depth_ = 0;
  bool too_deep_ = false;
};

struct ReaderOutcome {
  rapidjson::ParseResult result;
  bool too_deep;
  std::size_t end;  // where the reader stopped
};

// Parses the NUL-terminated `text` in place into `document`. The in-place
// stream, unlike the library's encoded streams, does not skip a byte-order
// mark, which is no whitespace.
template <unsigned kFlags>
ReaderOutcome read_in_place(char* text, rapidjson::Document& document, unsigned depth_limit) {
  rapidjson::InsituStringStream stream(text);
  rapidjson::Reader reader;
  DocumentBuilder builder(document, stream, depth_limit);
  rapidjson::ParseResult result;
  auto generate = [&](rapidjson::Document&) {
    result = reader.Parse<kFlags>(stream, builder);
    return !result.IsError();
  };
  document.Populate(generate);
  return {result, builder.too_deep(), stream.Tell()};
}

}  // namespace

// The in-place stream stops at the first NUL.
void JsonDocument::copy_for_reading(std::string_view text) {
  text_.assign(text);
  text_.append(kReadAheadPadding, '\0');
}

std::expected<void, ParseError> JsonDocument::parse(std::string_view text) {
  // Lengths inside the document are 32-bit.
  if (text.size() >= std::numeric_limits<rapidjson::SizeType>::max())
    return std::unexpected(ParseError{"document too large"});
  copy_for_reading(text);
  auto outcome = read_in_place<kParseFlags>(text_.data(), document_, kRecursiveDepthLimit);
  if (outcome.too_deep) {
    // The first attempt decoded strings in place; start from a fresh copy.
    copy_for_reading(text);
    document_.GetAllocator().Clear();
    outcome = read_in_place<kParseFlags | rapidjson::kParseIterativeFlag>(text_.data(), document_, kNoDepthLimit);
  }
  if (outcome.result.IsError()) {
    const std::string what = outcome.result.Code() == rapidjson::kParseErrorTermination
                                 ? "number out of range"
                                 : rapidjson::GetParseError_En(outcome.result.Code());
    return std::unexpected(ParseError{what + " " + position_of(text, outcome.result.Offset())});
  }
  std::size_t end = outcome.end;
  while (end < text.size() && is_json_whitespace(text[end])) ++end;
  if (end != text.size()) return std::unexpected(ParseError{"trailing characters " + position_of(text, end)});
  return {};
}

}  // namespace paiscribe
