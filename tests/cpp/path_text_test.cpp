#include "paiscribe/pipeline/path_text.hpp"

#include <gtest/gtest.h>

#include "paiscribe/io/output_file.hpp"

#include <string_view>

namespace paiscribe {
namespace {

using namespace std::string_view_literals;

struct PathCase {
  std::string_view path;
  std::string_view expected;
};

TEST(QuotedPath, EscapesEveryAwkwardByte) {
  const PathCase cases[] = {
      {"", R"("")"},
      {"logs/game.json", R"("logs/game.json")"},
      {R"(a"b'c\d)", R"("a\"b\'c\\d")"},
      {"tab\there\r\n", R"("tab\there\r\n")"},
      {"nul\0byte"sv, R"("nul\0byte")"},
      {"bell\x07 del\x7F", R"("bell\u{7} del\u{7f}")"},
      {"\xC2\x85", R"("\u{85}")"},                                   // C1 control
      {"e\xCC\x81", R"("e\u{301}")"},                                // combining acute
      {"\xE2\x80\x8B", R"("\u{200b}")"},                             // zero width space (Cf)
      {"\xE2\x80\xA8", R"("\u{2028}")"},                             // line separator
      {"no\xC2\xA0" "break", R"("no\u{a0}break")"},                  // Zs other than space
      {"\xEE\x80\x80", R"("\u{e000}")"},                             // private use
      {"\xF0\xB0\x80\x80", "\"\xF0\xB0\x80\x80\""},                  // assigned CJK ext. G
      {"\xF3\xA0\x80\xA0", R"("\u{e0020}")"},                        // tag space: extends
      {"caf\xC3\xA9 \xE9\xBA\xBB\xE9\x9B\x80", "\"caf\xC3\xA9 \xE9\xBA\xBB\xE9\x9B\x80\""},
      {"bad\xFF", R"("bad\xFF")"},
      {"\xC3", R"("\xC3")"},                                         // truncated at the end
      {"\xE2\x82x", R"("\xE2\x82x")"},                               // truncated before ASCII
      {"\xED\xA0\x80", R"("\xED\xA0\x80")"},                         // encoded surrogate
      {"\xC0\xAF", R"("\xC0\xAF")"},                                 // overlong slash
      {"\xF4\x90\x80\x80", R"("\xF4\x90\x80\x80")"},                 // past U+10FFFF
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(quoted_path(c.path), c.expected);
  }
}

TEST(DisplayPath, ReplacesEachMaximalIllFormedPart) {
  const PathCase cases[] = {
      {"", ""},
      {"out/dir\t\"x\"", "out/dir\t\"x\""},
      {"a\xFF" "b", "a\xEF\xBF\xBD" "b"},
      {"\xE2\x82" "b", "\xEF\xBF\xBD" "b"},                          // one part, one mark
      {"\xE2\x82\xE2\x82", "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"\xF0\x80\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},        // F0 80 starts nothing
      {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"\xF1\x80\x80", "\xEF\xBF\xBD"},                              // truncated four-byte form
      {"e\xCC\x81", "e\xCC\x81"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(display_path(c.path), c.expected);
  }
}

TEST(NamesStandardOutput, ComparesByComponents) {
  const struct {
    std::string_view path;
    bool standard_output;
  } cases[] = {
      {"-", true},      {"-/", true},      {"-//", true},   {"-/.", true},    {"-/./", true},
      {"-/./.", true},  {"./-", false},    {".", false},    {"/-", false},    {"//-", false},
      {"", false},      {"--", false},     {"-/-", false},  {"-/..", false},  {"../-", false},
      {"-.", false},    {" -", false},     {"-\0"sv, false}, {"a/../-", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(names_standard_output(c.path), c.standard_output);
  }
}

}  // namespace
}  // namespace paiscribe
