// Parses a text built to need much memory, under whatever limit the caller
// set on the address space (ulimit -v). The parse must end in a record, a
// parse error or std::bad_alloc, so the program exits 0; a crash is what this
// guards against.
//
//   parse_under_limit flat | flat_details | deep | deep_details
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "paiscribe/base/padded_text.hpp"
#include "paiscribe/json/parse_json_log.hpp"

namespace {

constexpr std::size_t kTextBytes = 10'000'000;
constexpr std::size_t kNestingLevels = 1'000'000;
constexpr std::string_view kHaipai = "[11,12,13,14,15,16,17,18,19,21,22,23,24]";

// Appends `count` copies of `piece`, written straight into the text.
void repeat(paiscribe::PaddedText& text, std::string_view piece, std::size_t count) {
  const std::size_t start = text.size();
  char* at = text.grow_to(start + piece.size() * count) + start;
  for (std::size_t i = 0; i < count; ++i, at += piece.size()) std::memcpy(at, piece.data(), piece.size());
}

void append(paiscribe::PaddedText& text, std::string_view piece) { repeat(text, piece, 1); }

// A one-kyoku log whose result list holds the one item `write_item` writes.
template <class WriteItem>
paiscribe::PaddedText log_with_item(WriteItem write_item) {
  paiscribe::PaddedText text;
  append(text, R"({"name":["a","b","c","d"],"rule":{},"log":[[[0,0,0],[0,0,0,0],[],[])");
  for (int seat = 0; seat < 4; ++seat) {
    append(text, ",");
    append(text, kHaipai);
    append(text, ",[],[]");
  }
  append(text, ",[");
  write_item(text);
  append(text, "]]]}");
  return text;
}

// `count` arrays, each inside the one before.
void nest(paiscribe::PaddedText& text, std::size_t count) {
  repeat(text, "[", count);
  repeat(text, "]", count);
}

// An array of `count` arrays of one number.
void flat(paiscribe::PaddedText& text, std::size_t count) {
  append(text, "[[1]");
  repeat(text, ",[1]", count - 1);
  append(text, "]");
}

paiscribe::PaddedText text_of(std::string_view kind) {
  paiscribe::PaddedText text;
  if (kind == "flat") flat(text, kTextBytes / 4);
  // The same array as one result item's details, which the record holds.
  if (kind == "flat_details") return log_with_item([](auto& item) { flat(item, kTextBytes / 4); });
  if (kind == "deep") {
    append(text, R"({"log":[],"name":["a","b","c","d"],"rule":{},"x":)");
    repeat(text, R"({"a":)", kNestingLevels);
    append(text, "0");
    repeat(text, "}", kNestingLevels + 1);
  }
  if (kind == "deep_details") return log_with_item([](auto& item) { nest(item, kNestingLevels); });
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: parse_under_limit flat | flat_details | deep | deep_details\n");
    return 2;
  }
  try {
    const paiscribe::PaddedText text = text_of(argv[1]);
    if (text.size() == 0) {
      std::fprintf(stderr, "no text of kind %s\n", argv[1]);
      return 2;
    }
    const auto log = paiscribe::parse_json_log(text);
    if (log) std::printf("%s: parsed\n", argv[1]);
    else std::printf("%s: parse error: %s\n", argv[1], log.error().description.c_str());
  } catch (const std::bad_alloc&) {
    std::printf("%s: out of memory\n", argv[1]);
  }
  return 0;
}
