#include "paiscribe/conv/convert_kyoku.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "conversion_test_support.hpp"

namespace paiscribe {
namespace {

using namespace paiscribe::test_support;
using Lines = std::vector<std::string>;

std::expected<Lines, ConversionError> replay(const RawKyoku& kyoku) {
  auto lines = test_support::convert_kyoku(kyoku);
  if (!lines) return std::unexpected(lines.error());
  return summaries(*lines);
}

struct SequenceCase {
  std::string_view name;
  std::function<void(RawKyoku&)> lists;
  Lines expected;  // after start_kyoku, up to the closing ryukyoku and end_kyoku
};

TEST(ConvertKyoku, TurnOrder) {
  const SequenceCase cases[] = {
      {"worked example: pon, then a discard nobody calls, then a tsumogiri",
       [](RawKyoku& k) {
         set_lists(k, 0, {11}, {29});
         set_lists(k, 1, {"p292929"}, {41});
         set_lists(k, 2, {32}, {60});
       },
       {"tsumo 0 1m", "dahai 0 9p", "pon 1<0 9p", "dahai 1 E", "tsumo 2 2s", "dahai 2 2s*"}},
      {"the turn passes round the table in seat order",
       [](RawKyoku& k) {
         set_lists(k, 0, {11, 15}, {12, 16});
         set_lists(k, 1, {21}, {22});
         set_lists(k, 2, {31}, {32});
         set_lists(k, 3, {41}, {42});
       },
       {"tsumo 0 1m", "dahai 0 2m", "tsumo 1 1p", "dahai 1 2p", "tsumo 2 1s", "dahai 2 2s", "tsumo 3 E", "dahai 3 S",
        "tsumo 0 5m", "dahai 0 6m"}},
      {"a discard list ending right after its take ends the kyoku there",
       [](RawKyoku& k) {
         set_lists(k, 0, {11}, {12});
         set_lists(k, 1, {21}, {});
         set_lists(k, 2, {31}, {32});
       },
       {"tsumo 0 1m", "dahai 0 2m", "tsumo 1 1p"}},
      {"ankan: dora right after it, then the rinshan draw",
       [](RawKyoku& k) {
         set_lists(k, 0, {11, 12}, {"111111a11", 12});
       },
       {"tsumo 0 1m", "ankan 0 1m", "dora 2p", "tsumo 0 2m", "dahai 0 2m"}},
      {"daiminkan: rinshan draw, then dora before the discard",
       [](RawKyoku& k) {
         set_lists(k, 0, {11}, {15});
         set_lists(k, 1, {"m15151515", 21}, {22});
       },
       {"tsumo 0 1m", "dahai 0 5m", "daiminkan 1<0 5m", "tsumo 1 1p", "dora 2p", "dahai 1 2p"}},
      {"kakan: rinshan draw, then dora before the discard",
       [](RawKyoku& k) {
         set_lists(k, 0, {11, 21}, {"k15151515", 21});
       },
       {"tsumo 0 1m", "kakan 0 5m", "tsumo 0 1p", "dora 2p", "dahai 0 1p"}},
      {"daiminkan then kakan before discarding: each dora waits its turn",
       [](RawKyoku& k) {
         set_lists(k, 0, {11}, {15});
         set_lists(k, 1, {"m15151515", 21, 22}, {"k41414141", 23});
       },
       {"tsumo 0 1m", "dahai 0 5m", "daiminkan 1<0 5m", "tsumo 1 1p", "kakan 1 E", "dora 2p", "tsumo 1 2p", "dora 3p",
        "dahai 1 3p"}},
      {"no dora for a kan whose seat stops right after its rinshan draw",
       [](RawKyoku& k) {
         set_lists(k, 0, {11, 12}, {"k11111111"});
       },
       {"tsumo 0 1m", "kakan 0 1m", "tsumo 0 2m"}},
      {"the kan dora is shown before the next discard of another seat",
       [](RawKyoku& k) {
         set_lists(k, 0, {11}, {15, 16});
         set_lists(k, 2, {"15m151515", 22}, {"r22"});
         set_lists(k, 3, {"p222222"}, {23});
       },
       {"tsumo 0 1m", "dahai 0 5m", "daiminkan 2<0 5m", "tsumo 2 2p", "reach 2", "dahai 2 2p", "reach_accepted 2",
        "pon 3<2 2p", "dora 2p", "dahai 3 3p"}},
      {"riichi nobody calls: accepted before the next draw",
       [](RawKyoku& k) {
         set_lists(k, 0, {11}, {"r11"});
         set_lists(k, 1, {21}, {22});
       },
       {"tsumo 0 1m", "reach 0", "dahai 0 1m", "reach_accepted 0", "tsumo 1 1p", "dahai 1 2p"}},
      {"riichi whose discard is called: accepted before the call",
       [](RawKyoku& k) {
         set_lists(k, 0, {11}, {"r11"});
         set_lists(k, 2, {"11p1111"}, {22});
       },
       {"tsumo 0 1m", "reach 0", "dahai 0 1m", "reach_accepted 0", "pon 2<0 1m", "dahai 2 2p"}},
      {"riichi after which nobody takes again: no acceptance",
       [](RawKyoku& k) {
         set_lists(k, 0, {11}, {"r60"});
       },
       {"tsumo 0 1m", "reach 0", "dahai 0 1m*"}},
      {"the first turn belongs to the dealer",
       [](RawKyoku& k) {
         k.header.kyoku_index = 6;
         set_lists(k, 2, {31}, {32});
         set_lists(k, 3, {41}, {42});
       },
       {"tsumo 2 1s", "dahai 2 2s", "tsumo 3 E", "dahai 3 S"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RawKyoku kyoku = make_kyoku();
    c.lists(kyoku);
    auto lines = replay(kyoku);
    ASSERT_TRUE(lines.has_value()) << "conversion failed, error kind " << lines.error().index();
    Lines expected = {"start_kyoku"};
    expected.insert(expected.end(), c.expected.begin(), c.expected.end());
    expected.insert(expected.end(), {"ryukyoku", "end_kyoku"});
    EXPECT_EQ(*lines, expected);
  }
}

TEST(ConvertKyoku, CompetingCalls) {
  // Seat 0 draws and throws 5m once; the seat whose claim ranks highest
  // takes it and ends the kyoku, the other claim stays unused.
  const struct {
    std::string_view name;
    Item seat1_take, seat2_take, seat3_take;
    std::string_view expected_call;
  } cases[] = {
      {"pon beats chi", "c151416", "15p1515", 31, "pon 2<0 5m"},
      {"pon beats daiminkan", "m15151515", "15p1515", 31, "pon 2<0 5m"},
      {"chi beats daiminkan", "c151416", "15m151515", 31, "chi 1<0 5m"},
      {"equal pons go to the higher seat", "p151515", 21, "1515p15", "pon 3<0 5m"},
      {"a claim on another tile does not compete", "c141315", "15p1515", 31, "pon 2<0 5m"},
      {"a claim on another seat's discard does not compete", "15p1515", "15p1515", 31, "pon 2<0 5m"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RawKyoku kyoku = make_kyoku();
    set_lists(kyoku, 0, {11}, {15});
    kyoku.seats[1].take_items = items({c.seat1_take});
    kyoku.seats[2].take_items = items({c.seat2_take});
    kyoku.seats[3].take_items = items({c.seat3_take});
    auto lines = replay(kyoku);
    ASSERT_TRUE(lines.has_value());
    EXPECT_EQ(*lines, (Lines{"start_kyoku", "tsumo 0 1m", "dahai 0 5m", std::string(c.expected_call), "ryukyoku",
                             "end_kyoku"}));
  }
}

TEST(ConvertKyoku, RepeatedDiscardsDecideWhichOneIsCalled) {
  // Seat 3 throws 5m five times while seat 2 holds a pon of 5m from seat 3.
  // The first ambiguous discard is called, the next is not, the one after
  // clears the mark, and the fourth is called again.
  RawKyoku kyoku = make_kyoku(3);
  set_lists(kyoku, 0, {41, 43}, {41, 43});
  set_lists(kyoku, 1, {42, 44}, {42, 44});
  set_lists(kyoku, 2, {"1515p15", "1515p15"}, {21, 22});
  set_lists(kyoku, 3, {31, 32, "42p4242", "44p4444", 33}, {15, 15, 15, 15, 15});
  auto lines = replay(kyoku);
  ASSERT_TRUE(lines.has_value()) << "error kind " << lines.error().index();
  EXPECT_EQ(*lines, (Lines{"start_kyoku", "tsumo 3 1s", "dahai 3 5m", "pon 2<3 5m", "dahai 2 1p",  //
                           "tsumo 3 2s", "dahai 3 5m", "tsumo 0 E", "dahai 0 E",                  //
                           "tsumo 1 S", "dahai 1 S", "pon 3<1 S", "dahai 3 5m",                   //
                           "tsumo 0 W", "dahai 0 W", "tsumo 1 N", "dahai 1 N", "pon 3<1 N",       //
                           "dahai 3 5m", "pon 2<3 5m", "dahai 2 2p", "tsumo 3 3s", "dahai 3 5m",  //
                           "ryukyoku", "end_kyoku"}));
}

TEST(ConvertKyoku, ChiByTheNextSeatIsNeverDeferred) {
  // Seat 0 throws 5m three times; its second 5m is ambiguous and not called,
  // but the chi belongs to the seat that moves next anyway.
  RawKyoku kyoku = make_kyoku();
  set_lists(kyoku, 0, {11, 12, 13}, {15, 15, 15});
  set_lists(kyoku, 1, {"c151416", "c151416"}, {17, 18});
  set_lists(kyoku, 2, {21, 23}, {22, 24});
  set_lists(kyoku, 3, {31, 33}, {32, 34});
  auto lines = replay(kyoku);
  ASSERT_TRUE(lines.has_value());
  EXPECT_EQ(*lines, (Lines{"start_kyoku", "tsumo 0 1m", "dahai 0 5m", "chi 1<0 5m", "dahai 1 7m",  //
                           "tsumo 2 1p", "dahai 2 2p", "tsumo 3 1s", "dahai 3 2s",                 //
                           "tsumo 0 2m", "dahai 0 5m", "chi 1<0 5m", "dahai 1 8m",                 //
                           "tsumo 2 3p", "dahai 2 4p", "tsumo 3 3s", "dahai 3 4s",                 //
                           "tsumo 0 3m", "dahai 0 5m", "ryukyoku", "end_kyoku"}));
}

TEST(ConvertKyoku, Failures) {
  using namespace conversion_error;
  const struct {
    std::string_view name;
    std::function<void(RawKyoku&)> setup;
    ConversionError expected;
  } cases[] = {
      {"no dora indicator at all", [](RawKyoku& k) { k.dora_indicators.clear(); },
       DoraMarkersExhausted{{0, 0}, std::nullopt}},
      {"more kans than indicators",
       [](RawKyoku& k) {
         k.dora_indicators = tiles({21});
         set_lists(k, 0, {11, 12}, {"111111a11", 12});
       },
       DoraMarkersExhausted{{0, 0}, 0}},
      {"the next seat has nothing left to take",
       [](RawKyoku& k) {
         k.header.honba = 2;
         set_lists(k, 0, {11}, {12});
         set_lists(k, 2, {21}, {22});
       },
       MissingTake{{{0, 2}, 1}}},
      {"a call as the first take of the kyoku",
       [](RawKyoku& k) { set_lists(k, 0, {"c121113"}, {14}); },
       UnexpectedEvent{{{{0, 0}, 0}, ActionList::Takes, 0}, "c121113", std::nullopt}},
      {"a call naming the wrong discarder",
       [](RawKyoku& k) {
         set_lists(k, 0, {11}, {15});
         set_lists(k, 1, {"15p1515"}, {16});
       },
       // Nobody claims seat 0's 5m, so seat 1 moves and its pon from seat 3 does not fit.
       UnexpectedEvent{{{{0, 0}, 1}, ActionList::Takes, 0}, "15p1515", Discard{0, tile(15)}}},
      {"a call of a tile nobody threw",
       [](RawKyoku& k) {
         set_lists(k, 0, {11}, {15});
         set_lists(k, 1, {"c161718"}, {16});
       },
       UnexpectedEvent{{{{0, 0}, 1}, ActionList::Takes, 0}, "c161718", Discard{0, tile(15)}}},
      {"a call of the wrong tile after a call that fit",
       [](RawKyoku& k) {
         set_lists(k, 0, {11, 12}, {15, 16});
         set_lists(k, 1, {"c151416", "c171618"}, {22, 23});
         set_lists(k, 2, {31}, {32});
         set_lists(k, 3, {41}, {42});
       },
       UnexpectedEvent{{{{0, 0}, 1}, ActionList::Takes, 1}, "c171618", Discard{0, tile(16)}}},
      {"an undecodable item, placed in its kyoku",
       [](RawKyoku& k) {
         k.header = {6, 1, 0};
         set_lists(k, 2, {11, 60}, {});
       },
       UnexpectedNumber{{{{6, 1}, 2}, ActionList::Takes, 1}, 60}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RawKyoku kyoku = make_kyoku();
    c.setup(kyoku);
    auto lines = replay(kyoku);
    ASSERT_FALSE(lines.has_value());
    EXPECT_EQ(lines.error(), c.expected);
  }
}

TEST(ConvertKyoku, StartKyokuFields) {
  const struct {
    std::uint8_t kyoku_index;
    std::string_view bakaze;
    std::uint8_t kyoku;
    Seat oya;
  } cases[] = {
      {0, "E", 1, 0}, {3, "E", 4, 3}, {4, "S", 1, 0}, {5, "S", 2, 1}, {8, "W", 1, 0},
      {11, "W", 4, 3}, {12, "N", 1, 0}, {13, "N", 2, 1}, {255, "N", 4, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kyoku_index);
    RawKyoku kyoku = make_kyoku(c.kyoku_index, tiles({53, 21}));
    kyoku.header.honba = 7;
    kyoku.header.kyotaku = 255;
    kyoku.scores = {-2147483647 - 1, 0, 2147483647, 100};
    // A hand in falling order stays in falling order.
    for (int i = 0; i < 13; ++i) kyoku.seats[2].haipai[i] = Tile(static_cast<std::uint8_t>(36 - i));
    set_lists(kyoku, c.oya, {11}, {});
    const auto lines = test_support::convert_kyoku(kyoku);
    ASSERT_TRUE(lines.has_value());
    const std::string& start = lines->front();
    const std::string hand = R"(["5sr","5pr","5mr","C","F","P","N","W","S","E","9s","8s","7s"])";
    EXPECT_EQ(start.substr(0, start.find(R"(,"tehais")")),
              R"({"type":"start_kyoku","bakaze":")" + std::string(c.bakaze) + R"(","dora_marker":"5sr","kyoku":)" +
                  std::to_string(c.kyoku) + R"(,"honba":7,"kyotaku":255,"oya":)" + std::to_string(c.oya) +
                  R"(,"scores":[-2147483648,0,2147483647,100])");
    EXPECT_NE(start.find("]," + hand + ","), std::string::npos) << start;
  }
}

}  // namespace
}  // namespace paiscribe
