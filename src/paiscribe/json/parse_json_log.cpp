#include "paiscribe/json/parse_json_log.hpp"

#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <utility>

#include "paiscribe/json/log_builder.hpp"
#include "paiscribe/json/throwing_allocator.hpp"

namespace paiscribe {
namespace {

// Strings are decoded into the reader's stack rather than in place, so the
// text stays whole: for a second reading, for the line and column of a
// failure, and for a caller that checks the text after a failure. The reader
// stops after the value and the tail is checked here, where an embedded NUL
// cannot pass for the end of the text.
constexpr unsigned kParseFlags = rapidjson::kParseValidateEncodingFlag | rapidjson::kParseStopWhenDoneFlag;

// The recursive reader is fast but takes native stack for every level of
// nesting. Real logs nest a few levels; a text nesting deeper than this is
// read again by the iterative reader, whose native stack stays flat.
constexpr std::uint32_t kRecursiveDepthLimit = 128;
constexpr std::uint32_t kNoDepthLimit = std::numeric_limits<std::uint32_t>::max();

using Reader = rapidjson::GenericReader<rapidjson::UTF8<>, rapidjson::UTF8<>, ThrowingAllocator>;

bool is_json_whitespace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// The reader's stream over a padded text. A pretty-printed log is mostly
// indentation, which SkipWhitespace below crosses sixteen bytes at a time.
struct PaddedStream : rapidjson::StringStream {
  using rapidjson::StringStream::StringStream;
};

}  // namespace
}  // namespace paiscribe

// The reader reads strings and numbers through a copy of this stream too, as
// it does for its own string stream: the builder looks for a number's text
// where the original stands.
template <>
struct rapidjson::StreamTraits<paiscribe::PaddedStream> {
  enum { copyOptimization = 1 };
};

namespace paiscribe {
namespace {

// Found by the reader for its stream in place of its own byte-at-a-time loop.
// A run ends at the latest on the NUL after the text, and a load starting at
// or before it stays within the padding.
void SkipWhitespace(PaddedStream& stream) {
  static_assert(PaddedText::kPadding >= 16);
  const char* at = stream.src_;
  if (!is_json_whitespace(*at)) return;  // a compact log: most calls end here
#if defined(__SSE2__)
  const auto equals = [](__m128i bytes, char c) { return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c)); };
  for (;; at += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const __m128i blank = _mm_or_si128(_mm_or_si128(equals(bytes, ' '), equals(bytes, '\n')),
                                       _mm_or_si128(equals(bytes, '\r'), equals(bytes, '\t')));
    const auto other = static_cast<std::uint16_t>(~_mm_movemask_epi8(blank));
    if (other != 0) {
      stream.src_ = at + std::countr_zero(other);
      return;
    }
  }
#else
  while (is_json_whitespace(*at)) ++at;
  stream.src_ = at;
#endif
}

// Fills in the line and column of the error's offset.
JsonParseError located(JsonParseError error, std::string_view text) {
  const std::string_view before = text.substr(0, std::min(error.offset, text.size()));
  error.line = 1 + static_cast<std::size_t>(std::ranges::count(before, '\n'));
  const std::size_t line_start = before.rfind('\n');
  error.column = line_start == std::string_view::npos ? before.size() + 1 : before.size() - line_start;
  return error;
}

std::string syntax_hint(std::string_view text, rapidjson::ParseErrorCode code, std::size_t offset) {
  if (code == rapidjson::kParseErrorDocumentEmpty) return "the text holds nothing but white space";
  if (offset >= text.size())
    return code == rapidjson::kParseErrorStringMissQuotationMark
               ? "the text ends inside a string"
               : "the text ends before the log does: is the file cut short?";
  if (offset == 0 && text.starts_with("\xEF\xBB\xBF"))
    return "the text starts with a byte-order mark, which a JSON text may not";
  if (code == rapidjson::kParseErrorStringInvalidEncoding) return "the text is not UTF-8 here";
  return {};
}

// Syntax errors name their place in the description too.
std::unexpected<JsonParseError> syntax_error(std::string_view text, std::string what, std::size_t offset,
                                         std::string hint) {
  JsonParseError error = located(JsonParseError{std::move(what), offset, 1, 1, std::move(hint)}, text);
  error.description += " at line " + std::to_string(error.line) + " column " + std::to_string(error.column);
  return std::unexpected(std::move(error));
}

// Hands the reader's events on to the builder. Its type is local to this
// file, and so is the reader's code made for it: the compiler may then fold
// the reader's number parsing, used once, into its value parsing.
struct Events {
  LogBuilder& builder;
  bool Null() { return builder.Null(); }
  bool Bool(bool b) { return builder.Bool(b); }
  bool Int(int i) { return builder.Int(i); }
  bool Uint(unsigned u) { return builder.Uint(u); }
  bool Int64(std::int64_t i) { return builder.Int64(i); }
  bool Uint64(std::uint64_t u) { return builder.Uint64(u); }
  bool Double(double d) { return builder.Double(d); }
  bool RawNumber(const char* text, rapidjson::SizeType length, bool copy) {
    return builder.RawNumber(text, length, copy);
  }
  bool String(const char* text, rapidjson::SizeType length, bool copy) { return builder.String(text, length, copy); }
  bool Key(const char* text, rapidjson::SizeType length, bool copy) { return builder.Key(text, length, copy); }
  bool StartObject() { return builder.StartObject(); }
  bool EndObject(rapidjson::SizeType members) { return builder.EndObject(members); }
  bool StartArray() { return builder.StartArray(); }
  bool EndArray(rapidjson::SizeType elements) { return builder.EndArray(elements); }
};

// One reading of the whole text; nothing when it nests too deep for this reader.
template <unsigned kFlags>
std::optional<std::expected<void, JsonParseError>> read_with(Reader& reader, const PaddedText& text,
                                                            LogBuilder::Options options, RawLog& record) {
  PaddedStream stream(text.data());
  LogBuilder builder(stream, options, record);
  Events events{builder};
  const rapidjson::ParseResult result = reader.Parse<kFlags>(stream, events);
  if (builder.too_deep()) return std::nullopt;
  if (const auto number = builder.number_out_of_range())
    return syntax_error(text.view(), "number out of range", *number, {});
  if (result.IsError())
    return syntax_error(text.view(), rapidjson::GetParseError_En(result.Code()), result.Offset(),
                        syntax_hint(text.view(), result.Code(), result.Offset()));

  std::size_t end = stream.Tell();
  while (end < text.size() && is_json_whitespace(text.data()[end])) ++end;
  if (end != text.size()) return syntax_error(text.view(), "trailing characters", end, "more text follows the log");

  auto finished = builder.finish();
  if (!finished) return std::unexpected(located(std::move(finished.error()), text.view()));
  return finished;
}

}  // namespace

// The reader's stack holds the strings it decodes; kept, it keeps its room.
struct JsonLogReader::Kept {
  ThrowingAllocator allocator;
  Reader reader{&allocator};
};

JsonLogReader::JsonLogReader() : kept_(std::make_unique<Kept>()) {}
JsonLogReader::JsonLogReader(JsonLogReader&&) noexcept = default;
JsonLogReader& JsonLogReader::operator=(JsonLogReader&&) noexcept = default;
JsonLogReader::~JsonLogReader() = default;

std::expected<void, JsonParseError> JsonLogReader::read(const PaddedText& text, RawLog& record) {
  // Lengths inside the reader are 32-bit.
  if (text.size() >= std::numeric_limits<rapidjson::SizeType>::max())
    return std::unexpected(JsonParseError{"document too large", 0, 1, 1, {}});
  if (auto read = read_with<kParseFlags>(kept_->reader, text, {kRecursiveDepthLimit, true}, record)) return *read;
  // The iterative reader is made for the rare text that needs it.
  ThrowingAllocator allocator;
  Reader iterative(&allocator);
  return *read_with<kParseFlags | rapidjson::kParseIterativeFlag>(iterative, text, {kNoDepthLimit, false}, record);
}

std::expected<RawLog, JsonParseError> parse_json_log(const PaddedText& text) {
  RawLog record;
  if (auto read = JsonLogReader().read(text, record); !read) return std::unexpected(std::move(read.error()));
  return record;
}

}  // namespace paiscribe
