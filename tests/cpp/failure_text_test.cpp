#include "paiscribe/pipeline/failure_text.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string_view>

#include "conversion_test_support.hpp"

namespace paiscribe {
namespace {

TEST(KyokuInWords, WindNumberAndHonba) {
  const struct {
    KyokuAt kyoku;
    std::string_view expected;
  } cases[] = {
      {{0, 0}, "East 1, 0 honba"},   {{2, 1}, "East 3, 1 honba"},    {{4, 0}, "South 1, 0 honba"},
      {{7, 2}, "South 4, 2 honba"},  {{8, 0}, "West 1, 0 honba"},    {{13, 0}, "North 2, 0 honba"},
      {{15, 0}, "North 4, 0 honba"}, {{16, 0}, "North 5, 0 honba"}, {{255, 255}, "North 244, 255 honba"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(kyoku_in_words(c.kyoku), c.expected);
  }
}

// The kinds a whole log cannot easily reach from Python.
TEST(ConversionDetail, SaysWhereAndWhat) {
  using namespace conversion_error;
  using test_support::tile;
  const struct {
    std::string_view name;
    ConversionError error;
    std::string_view expected;
  } cases[] = {
      {"a number in a take list", UnexpectedNumber{{{{5, 0}, 3}, ActionList::Takes, 4}, 60},
       "South 2, 0 honba, seat 3, takes[4]: number 60 is not a tile code"},
      {"a take form in a discard list", InvalidCallString{{{{0, 0}, 1}, ActionList::Discards, 2}, "c141315"},
       "East 1, 0 honba, seat 1, discards[2]: call string \"c141315\" is not a riichi, kakan or ankan"},
      {"a call before any discard", UnexpectedEvent{{{{0, 0}, 0}, ActionList::Takes, 0}, "c121113", std::nullopt},
       "East 1, 0 honba, seat 0, takes[0]: call string \"c121113\" does not claim the last discard "
       "(nothing was discarded yet)"},
      {"a call of another discard",
       UnexpectedEvent{{{{1, 0}, 1}, ActionList::Takes, 3}, "15p1515", Discard{0, tile(15)}},
       "East 2, 0 honba, seat 1, takes[3]: call string \"15p1515\" does not claim the last discard (5m from seat 0)"},
      {"a hostile call string, cut short",
       InvalidCallString{{{{0, 0}, 2}, ActionList::Takes, 0}, std::string(100'000, 'c')},
       "East 1, 0 honba, seat 2, takes[0]: call string \"cccccccccccccccccccccccc...\" is not a chi, pon or kan"},
      {"no indicator to open the kyoku", DoraMarkersExhausted{{0, 0}, std::nullopt},
       "East 1, 0 honba: the kyoku has no dora indicator"},
      {"a riichi without its discard", MissingReachDiscard{{{1, 0}, 1}},
       "East 2, 0 honba, seat 1: the discard list ends with a riichi and no discard"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(game_failure(GameError{c.error}, "log").detail, c.expected);
  }
}

}  // namespace
}  // namespace paiscribe
