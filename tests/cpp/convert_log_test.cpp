#include "paiscribe/conv/game_conversion.hpp"

#include <gtest/gtest.h>

#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "conversion_test_support.hpp"

namespace paiscribe {
namespace {

using namespace paiscribe::test_support;

RawLog make_log(std::string disp, std::vector<RawKyoku> kyokus = {}) {
  RawLog log;
  log.name = {"A", "B", "C", "D"};
  log.rule.disp = std::move(disp);
  log.kyokus.assign(std::make_move_iterator(kyokus.begin()), std::make_move_iterator(kyokus.end()));
  return log;
}

// A kyoku that converts: the dealer draws and throws once.
RawKyoku simple_kyoku() {
  RawKyoku kyoku = make_kyoku();
  set_lists(kyoku, 0, {11}, {12});
  return kyoku;
}

RawKyoku with_result(RawKyoku kyoku, std::vector<ResultItem> result) {
  kyoku.result = std::move(result);
  return kyoku;
}

const std::string kWin = "\xE5\x92\x8C\xE4\xBA\x86";  // 和了

TEST(ConvertLog, RuleText) {
  const struct {
    std::string disp;
    bool rejected;
    std::uint8_t kyoku_first;
  } cases[] = {
      {"", false, 0},
      {"\xE4\xB8\x89", true, 0},                             // 三
      {"\xE4\xB8\x89\xE9\xB3\xB3\xE5\x8D\x97\xE5\x96\xB0", true, 0},  // 三鳳南喰
      {"\xE9\xB3\xB3\xE5\x8D\x97\xE5\x96\xB0\xE8\xB5\xA4", false, 0},  // 鳳南喰赤
      {"3-Player", true, 0},
      {"3-player", false, 0},
      {"x3-Player South", true, 0},
      {"\xE6\x9D\xB1", false, 4},                             // 東
      {"\xE8\x88\xAC\xE6\x9D\xB1\xE5\x96\xB0\xE8\xB5\xA4", false, 4},  // 般東喰赤
      {"East", false, 4},
      {"NorthEastern", false, 4},
      {"east", false, 0},
      {"South", false, 0},
      {"\xE4\xB8", false, 0},  // a cut-off 三 is not 三
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.disp);
    auto lines = converted(make_log(c.disp));
    if (c.rejected) {
      ASSERT_FALSE(lines.has_value());
      EXPECT_TRUE(std::holds_alternative<InvalidLog>(lines.error()));
      continue;
    }
    ASSERT_TRUE(lines.has_value());
    ASSERT_EQ(lines->size(), 2u);
    EXPECT_EQ(member_of(lines->front(), "kyoku_first"), std::to_string(c.kyoku_first));
    EXPECT_EQ(lines->back(), R"({"type":"end_game"})");
  }
}

TEST(ConvertLog, RedFiveFlag) {
  const struct {
    std::uint8_t aka, aka51, aka52, aka53;
    bool expected;
  } cases[] = {
      {0, 0, 0, 0, false}, {1, 0, 0, 0, true},   {0, 1, 0, 0, true},
      {0, 0, 1, 0, true},  {0, 0, 0, 1, true},   {255, 255, 255, 255, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << int(c.aka) << int(c.aka51) << int(c.aka52) << int(c.aka53));
    RawLog log = make_log("");
    log.rule = {"", c.aka, c.aka51, c.aka52, c.aka53};
    auto lines = converted(log);
    ASSERT_TRUE(lines.has_value());
    EXPECT_EQ(member_of(lines->front(), "aka_flag"), c.expected ? "true" : "false");
  }
}

TEST(ConvertLog, NamesAreCopiedAsTheyAre) {
  RawLog log = make_log("");
  log.name = {"", "", "\xE3\x81\x82\"\\", ""};
  auto lines = converted(log);
  ASSERT_TRUE(lines.has_value());
  EXPECT_TRUE(lines->front().starts_with(R"({"type":"start_game","names":["","",")" "\xE3\x81\x82" R"(\"\\",""])"))
      << lines->front();
}

TEST(ConvertLog, KyokusFollowEachOtherWithoutSharedState) {
  RawKyoku first = with_result(simple_kyoku(), {ResultItem{ResultItem::Text{"x"}},
                                                ResultItem{ResultItem::Deltas{{1000, -1000, 0, 0}}}});
  RawKyoku second = simple_kyoku();
  second.header.kyoku_index = 1;
  set_lists(second, 0, {}, {});
  set_lists(second, 1, {21}, {"r22"});
  second.scores = {1, 2, 3, 4};
  auto lines = converted(make_log("", {first, second}));
  ASSERT_TRUE(lines.has_value());
  EXPECT_EQ(summaries(*lines),
            (std::vector<std::string>{"start_game", "start_kyoku", "tsumo 0 1m", "dahai 0 2m", "ryukyoku", "end_kyoku",
                                      "start_kyoku", "tsumo 1 1p", "reach 1", "dahai 1 2p", "ryukyoku", "end_kyoku",
                                      "end_game"}));
  // The first kyoku's deltas do not touch the next kyoku's scores.
  EXPECT_NE((*lines)[6].find(R"("scores":[1,2,3,4])"), std::string::npos) << (*lines)[6];
}

TEST(ConvertLog, FailureGroups) {
  const std::vector<ResultItem> malformed_win = {ResultItem{ResultItem::Text{kWin}},
                                                 ResultItem{ResultItem::Deltas{{0, 0, 0, 0}}},
                                                 ResultItem{ResultItem::Details{}}};
  RawKyoku unconvertible = simple_kyoku();
  unconvertible.dora_indicators.clear();
  const struct {
    std::string_view name;
    std::vector<RawKyoku> kyokus;
    bool invalid_log;
  } cases[] = {
      {"malformed result in the last kyoku", {simple_kyoku(), with_result(simple_kyoku(), malformed_win)}, true},
      {"results are checked before any kyoku is replayed",
       {unconvertible, with_result(simple_kyoku(), malformed_win)},
       true},
      {"conversion failure in the last kyoku", {simple_kyoku(), simple_kyoku(), unconvertible}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto lines = converted(make_log("", c.kyokus));
    ASSERT_FALSE(lines.has_value());
    EXPECT_EQ(std::holds_alternative<InvalidLog>(lines.error()), c.invalid_log);
  }
}

// A typical game comes in one batch; a long one in batches of whole kyokus,
// adding up to the game.
TEST(ConvertLog, LongGameInBatches) {
  for (const std::size_t kyokus : {std::size_t{2}, std::size_t{2000}}) {
    SCOPED_TRACE(kyokus);
    const RawLog log = make_log("", std::vector<RawKyoku>(kyokus, simple_kyoku()));
    ConversionStorage storage;
    auto game = GameConversion::start(log, storage);
    ASSERT_TRUE(game.has_value());
    MjaiLines batch;
    std::string joined;
    std::size_t batches = 0;
    while (!game->done()) {
      batch.clear();
      ASSERT_TRUE(game->next(batch).has_value());
      EXPECT_LE(batch.size(), GameConversion::kBatchLines);
      joined += batch.text();
      ++batches;
    }
    const auto lines = converted(log);
    ASSERT_TRUE(lines.has_value());
    std::string expected;
    for (const std::string& line : *lines) expected += line + "\n";
    EXPECT_EQ(joined, expected);
    EXPECT_EQ(batches == 1, kyokus == 2) << batches;
  }
}

TEST(ConvertLog, ThreePlayerRejectionComesFirst) {
  RawKyoku unconvertible = simple_kyoku();
  unconvertible.dora_indicators.clear();
  auto lines = converted(make_log("3-Player", {unconvertible}));
  ASSERT_FALSE(lines.has_value());
  EXPECT_TRUE(std::holds_alternative<InvalidLog>(lines.error()));
}

}  // namespace
}  // namespace paiscribe
