#include "paiscribe/conv/kyoku_result.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "conversion_test_support.hpp"

namespace paiscribe {
namespace {

using namespace paiscribe::test_support;

const std::string kWin = "\xE5\x92\x8C\xE4\xBA\x86";  // 和了

ResultItem text(std::string value) { return ResultItem{ResultItem::Text{std::move(value)}}; }
ResultItem deltas(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) {
  return ResultItem{ResultItem::Deltas{{a, b, c, d}}};
}
using Detail = ResultItem::Detail;
Detail nonneg(std::uint64_t v) { return {Detail::Kind::kNonNegative, v}; }
const Detail kOtherNumber{Detail::Kind::kOtherNumber, 0};  // negative, or with a fraction or exponent
const Detail kNoNumber{Detail::Kind::kNoNumber, 0};        // a string, null, a boolean, an array or an object
ResultItem details(std::vector<Detail> values) {
  ResultItem::Details details;
  for (const Detail& value : values) details.add(value);
  return ResultItem{details};
}

// The text between "key":[ and ], commas and quotes made blanks.
std::string list_of(std::string_view line, std::string_view key) {
  const std::size_t at = line.find("\"" + std::string(key) + "\":[");
  if (at == std::string_view::npos) return "absent";
  const std::size_t from = at + key.size() + 4;
  std::string list(line.substr(from, line.find(']', from) - from));
  std::erase(list, '"');
  return list;
}

// The closing lines of a kyoku with ura indicator 6m, in short form.
std::vector<std::string> closing(const std::vector<ResultItem>& result) {
  std::vector<Win> wins;
  auto digest = digest_result(result, wins);
  if (!digest) return {"invalid log"};
  MjaiLines lines;
  GameLines game_lines(lines);
  const std::vector<Tile> ura = tiles({16});
  close_kyoku(game_lines, *digest, wins, ura);
  std::vector<std::string> out;
  for (const std::string& line : lines_in(lines)) {
    std::string text = summary(line);
    if (text.starts_with("hora")) text += " [" + list_of(line, "deltas") + "] " + list_of(line, "ura_markers");
    if (text.starts_with("ryukyoku")) text += " [" + list_of(line, "deltas") + "]";
    out.push_back(text);
  }
  return out;
}

TEST(KyokuResult, ClosingEvents) {
  const auto w = [](std::uint64_t actor, std::uint64_t target) { return details({nonneg(actor), nonneg(target)}); };
  const struct {
    std::string_view name;
    std::vector<ResultItem> result;
    std::vector<std::string> expected;
  } cases[] = {
      {"one win", {text(kWin), deltas(0, 8000, -8000, 0), details({nonneg(1), nonneg(2), nonneg(1), kNoNumber})},
       {"hora 1<2 [0,8000,-8000,0] 6m", "end_kyoku"}},
      {"double ron keeps log order and shares the ura markers",
       {text(kWin), deltas(-8000, 8000, 0, 0), w(1, 0), deltas(-3900, 0, 0, 3900), w(3, 0)},
       {"hora 1<0 [-8000,8000,0,0] 6m", "hora 3<0 [-3900,0,0,3900] 6m", "end_kyoku"}},
      {"win name alone", {text(kWin)}, {"end_kyoku"}},
      {"win name with deltas but no partner", {text(kWin), deltas(0, 0, 0, 0)}, {"end_kyoku"}},
      {"unpaired last item ignored", {text(kWin), deltas(1, 2, 3, 4), w(0, 0), deltas(1, 2, 3, 4)},
       {"hora 0<0 [1,2,3,4] 6m", "end_kyoku"}},
      {"pair of the wrong kinds skipped", {text(kWin), text("x"), details({nonneg(1), nonneg(2)})}, {"end_kyoku"}},
      {"pair in the wrong order skipped", {text(kWin), w(1, 2), deltas(1, 2, 3, 4)}, {"end_kyoku"}},
      {"fractional and negative seats read as 0", {text(kWin), deltas(0, 0, 0, 0), details({kOtherNumber, kOtherNumber})},
       {"hora 0<0 [0,0,0,0] 6m", "end_kyoku"}},
      {"seats wrap to 8 bits", {text(kWin), deltas(0, 0, 0, 0), w(257, 7)}, {"hora 1<7 [0,0,0,0] 6m", "end_kyoku"}},
      {"seats are not range-checked", {text(kWin), deltas(0, 0, 0, 0), w(7, 9)}, {"hora 7<9 [0,0,0,0] 6m", "end_kyoku"}},
      {"draw with deltas", {text("x"), deltas(1500, -1500, 0, 0)}, {"ryukyoku [1500,-1500,0,0]", "end_kyoku"}},
      {"draw name alone", {text("x")}, {"ryukyoku [0,0,0,0]", "end_kyoku"}},
      {"empty result", {}, {"ryukyoku [0,0,0,0]", "end_kyoku"}},
      {"no name first", {deltas(1500, -1500, 0, 0)}, {"ryukyoku [0,0,0,0]", "end_kyoku"}},
      {"draw with a detail list instead of deltas", {text("x"), details({nonneg(1), nonneg(2), nonneg(3)})},
       {"ryukyoku [0,0,0,0]", "end_kyoku"}},
      {"a name that only starts like a win is a draw", {text(kWin + " "), deltas(1, 2, 3, 4)},
       {"ryukyoku [1,2,3,4]", "end_kyoku"}},
      {"win details with no values", {text(kWin), deltas(0, 0, 0, 0), details({})}, {"invalid log"}},
      {"win details with one value", {text(kWin), deltas(0, 0, 0, 0), details({nonneg(1)})}, {"invalid log"}},
      {"win details with a string seat", {text(kWin), deltas(0, 0, 0, 0), details({kNoNumber, nonneg(2)})},
       {"invalid log"}},
      {"win details with a null target",
       {text(kWin), deltas(0, 0, 0, 0), details({nonneg(1), kNoNumber})},
       {"invalid log"}},
      {"a malformed second win spoils the first",
       {text(kWin), deltas(0, 0, 0, 0), w(1, 2), deltas(0, 0, 0, 0), details({kNoNumber, nonneg(2)})},
       {"invalid log"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(closing(c.result), c.expected);
  }
}

TEST(KyokuResult, EmptyUraIndicatorsGiveAnEmptyListNotNone) {
  MjaiLines lines;
  GameLines game_lines(lines);
  const Win win{{0, 0, 0, 0}, 1, 2};
  close_kyoku(game_lines, KyokuResult{true, 0, 1, {}}, std::span(&win, 1), {});
  EXPECT_EQ(lines[0], R"({"type":"hora","actor":1,"target":2,"deltas":[0,0,0,0],"ura_markers":[]})");
}

}  // namespace
}  // namespace paiscribe
