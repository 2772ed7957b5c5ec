#include "paiscribe/base/quoted.hpp"

#include <gtest/gtest.h>

#include <string>

namespace paiscribe {
namespace {

TEST(Quoted, CutsALongValueBetweenCharacters) {
  const std::string kana = "あいうえおかきくけ";  // three bytes each
  const struct {
    std::string_view name;
    std::string text;
    std::string_view expected;
  } cases[] = {
      {"empty", "", R"("")"},
      {"as long as is shown", std::string(24, 'x'), R"("xxxxxxxxxxxxxxxxxxxxxxxx")"},
      {"one byte longer", std::string(25, 'x'), R"("xxxxxxxxxxxxxxxxxxxxxxxx...")"},
      {"a hundred megabytes", std::string(100 << 20, 'x'), R"("xxxxxxxxxxxxxxxxxxxxxxxx...")"},
      {"a character across the cut is left out", "x" + kana, R"("xあいうえおかき...")"},
      {"characters that end at the cut", kana, R"("あいうえおかきく...")"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(quoted(c.text), c.expected);
  }
}

}  // namespace
}  // namespace paiscribe
