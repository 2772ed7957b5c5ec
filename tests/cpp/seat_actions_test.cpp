#include "paiscribe/conv/seat_actions.hpp"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "line_of.hpp"

#include "conversion_test_support.hpp"

namespace paiscribe {
namespace {

using namespace paiscribe::test_support;

std::vector<std::string> lines_of_events(const std::vector<Event>& events) {
  std::vector<std::string> lines;
  for (const auto& event : events) lines.emplace_back(test_support::line_of(event).value_or("<failed>"));
  return lines;
}

// Short forms of the lines a seat's discards become.
std::string dahai(std::string_view pai, bool tsumogiri, int actor = 0) {
  return R"({"type":"dahai","actor":)" + std::to_string(actor) + R"(,"pai":")" + std::string(pai) +
         R"(","tsumogiri":)" + (tsumogiri ? "true" : "false") + "}";
}
std::string reach(int actor = 0) { return R"({"type":"reach","actor":)" + std::to_string(actor) + "}"; }

TEST(BuildSeatActions, PairsDiscardsWithTakes) {
  struct Case {
    std::string_view label;
    std::vector<Item> takes;
    std::vector<Item> discards;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"tsumogiri learns the drawn tile",
       {tile_item(11), tile_item(25)},
       {number_item(60), tile_item(25)},
       {dahai("1m", true), dahai("5p", false)}},
      {"a code-0 discard is dropped and the next discard pairs with the next take",
       {tile_item(11), text_item("m41414141"), tile_item(41)},
       {tile_item(11), tile_item(0), number_item(60)},
       {dahai("1m", false), dahai("E", true)}},
      {"a leading placeholder gives its take away", {tile_item(11), tile_item(12)}, {tile_item(0), number_item(60)},
       {dahai("2m", true)}},
      {"a run of placeholders",
       {tile_item(11), tile_item(12), tile_item(13), tile_item(14)},
       {tile_item(0), tile_item(0), number_item(60), tile_item(25)},
       {dahai("3m", true), dahai("5p", false)}},
      {"reach is skipped and its dahai pairs with the take at its step",
       {tile_item(11), tile_item(22)},
       {tile_item(11), text_item("r60")},
       {dahai("1m", false), reach(), dahai("2p", true)}},
      {"pairing goes on after a reach",
       {tile_item(11), tile_item(22), tile_item(33)},
       {text_item("r60"), number_item(60), number_item(60)},
       {reach(), dahai("1m", true), dahai("2p", true), dahai("3s", true)}},
      {"a reach followed by a placeholder",
       {tile_item(11), tile_item(12), tile_item(13)},
       {text_item("r60"), tile_item(0), number_item(60)},
       {reach(), dahai("1m", true), dahai("3m", true)}},
      {"a riichi on a visible tile keeps it",
       {tile_item(11), tile_item(22)},
       {text_item("r36"), number_item(60)},
       {reach(), dahai("6s", false), dahai("2p", true)}},
      {"tsumogiri after a call keeps the hidden tile",
       {tile_item(11), text_item("c141315")},
       {number_item(60), number_item(60)},
       {dahai("1m", true), dahai("?", true)}},
      {"tsumogiri after a pon keeps the hidden tile", {text_item("p151515")}, {number_item(60)}, {dahai("?", true)}},
      {"kans take a step unchanged",
       {tile_item(41), tile_item(12), tile_item(13)},
       {text_item("414141a41"), number_item(60), number_item(60)},
       {R"({"type":"ankan","actor":0,"consumed":["E","E","E","E"]})", dahai("2m", true), dahai("3m", true)}},
      {"surplus discards stay unpaired",
       {tile_item(11)},
       {number_item(60), number_item(60), tile_item(0), tile_item(25)},
       {dahai("1m", true), dahai("?", true), dahai("?", false), dahai("5p", false)}},
      {"surplus takes are left over", {tile_item(11), tile_item(12), tile_item(13)}, {number_item(60)},
       {dahai("1m", true)}},
      {"no takes: nothing changes",
       {},
       {number_item(60), tile_item(0), tile_item(25)},
       {dahai("?", true), dahai("?", false), dahai("5p", false)}},
      {"no discards", {tile_item(11)}, {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const auto actions = build_seat_events(0, c.takes, c.discards);
    ASSERT_TRUE(actions.has_value());
    EXPECT_EQ(lines_of_events(actions->discards), c.expected);
    EXPECT_EQ(actions->takes.size(), c.takes.size());
  }
}

TEST(BuildSeatActions, EveryEventCarriesTheSeat) {
  const std::vector<Item> takes = {tile_item(11), text_item("c141315"), tile_item(47)};
  const std::vector<Item> discards = {number_item(60), tile_item(19), text_item("r60")};
  const auto actions = build_seat_events(2, takes, discards);
  ASSERT_TRUE(actions.has_value());
  EXPECT_EQ(lines_of_events(actions->takes), (std::vector<std::string>{
                                          R"({"type":"tsumo","actor":2,"pai":"1m"})",
                                          R"({"type":"chi","actor":2,"target":1,"pai":"4m","consumed":["3m","5m"]})",
                                          R"({"type":"tsumo","actor":2,"pai":"C"})",
                                      }));
  EXPECT_EQ(lines_of_events(actions->discards),
            (std::vector<std::string>{dahai("1m", true, 2), dahai("9m", false, 2), reach(2), dahai("C", true, 2)}));
}

TEST(BuildSeatActions, LongRunsOfPlaceholders) {
  std::vector<Item> takes(5000, tile_item(11));
  takes.push_back(tile_item(47));
  std::vector<Item> discards(5000, tile_item(0));
  discards.push_back(number_item(60));
  discards.push_back(tile_item(25));
  const auto actions = build_seat_events(1, takes, discards);
  ASSERT_TRUE(actions.has_value());
  EXPECT_EQ(lines_of_events(actions->discards), (std::vector<std::string>{dahai("C", true, 1), dahai("5p", false, 1)}));
}

TEST(BuildSeatActions, FirstFailingItemEndsTheBuild) {
  using namespace conversion_error;
  struct Case {
    std::string_view label;
    std::vector<Item> takes;
    std::vector<Item> discards;
    ConversionError expected;
  };
  // Each failure names the item by its seat, its list and its index there.
  const auto take = [](std::size_t index) { return ItemAt{{{}, 3}, ActionList::Takes, index}; };
  const auto discard = [](std::size_t index) { return ItemAt{{{}, 3}, ActionList::Discards, index}; };
  const Case cases[] = {
      {"a number in the take list", {tile_item(11), number_item(60)}, {}, UnexpectedNumber{take(1), 60}},
      {"takes fail before discards are read", {number_item(60)}, {text_item("bad")}, UnexpectedNumber{take(0), 60}},
      {"the first bad take decides",
       {text_item("c1x1315"), text_item("r11")},
       {},
       InvalidTileCode{take(0), "c1x1315", "1x"}},
      {"a bad discard", {tile_item(11)}, {tile_item(11), text_item("r61")}, InvalidTileCode{discard(1), "r61", "61"}},
      {"the first bad discard decides",
       {},
       {text_item("414141k41"), text_item("r61")},
       InvalidCallString{discard(0), "414141k41"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const auto actions = build_seat_events(3, c.takes, c.discards);
    ASSERT_FALSE(actions.has_value());
    EXPECT_EQ(actions.error(), c.expected);
  }
}

}  // namespace
}  // namespace paiscribe
