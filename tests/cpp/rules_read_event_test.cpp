// Reading mjai lines back into events: every line the writer makes, in any
// key order or spacing, and what is wrong with a line that is no event.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "paiscribe/mjai/read_event.hpp"
#include "line_of.hpp"
#include "rules_test_support.hpp"

namespace paiscribe {
namespace {

std::string line_of(const Event& event) { return test_support::line_of(event).value(); }

TEST(ReadEvent, EveryRealLineReadsBackToItself) {
  EventReader reader;
  std::size_t lines = 0;
  for (const auto& path : rules_test::real_games()) {
    for (const std::string& line : rules_test::mjai_lines_of(path)) {
      const auto event = reader.read(line);
      ASSERT_TRUE(event.has_value()) << line << ": " << event.error().description;
      ASSERT_EQ(line_of(*event), line);
      ++lines;
    }
  }
  EXPECT_GT(lines, 50000u);
}

TEST(ReadEvent, EveryDrawAndDiscardOfTheWritersTable) {
  EventReader reader;
  for (Seat seat = 0; seat < 4; ++seat) {
    for (std::uint8_t index = 0; index < Tile::kCount; ++index) {
      for (const Event& event : {Event(ev::Tsumo{seat, Tile(index)}), Event(ev::Dahai{seat, Tile(index), false}),
                                 Event(ev::Dahai{seat, Tile(index), true})}) {
        const std::string line = line_of(event);
        EXPECT_EQ(reader.read(line), event) << line;
        EXPECT_EQ(read_event(line + " "), event) << line;  // past the quick path
      }
    }
  }
}

// The same object with its keys the other way round, or spaced out.
std::string reversed_keys(std::string_view line) {
  std::vector<std::string> members;
  int depth = 0;
  std::string member;
  for (const char c : line.substr(1, line.size() - 2)) {
    if (c == ',' && depth == 0) {
      members.push_back(member);
      member.clear();
      continue;
    }
    depth += (c == '[') - (c == ']');
    member += c;
  }
  members.push_back(member);
  std::ranges::reverse(members);
  std::string out = "{";
  for (const auto& each : members) out += (out.size() > 1 ? "," : "") + each;
  return out + "}";
}

std::string spaced(std::string_view line) {
  std::string out = " ";
  for (const char c : line) {
    out += c;
    if (c == ',' || c == ':') out += ' ';
  }
  return out + "\t";
}

TEST(ReadEvent, AnyKeyOrderAndSpacing) {
  const auto lines = rules_test::mjai_lines_of(rules_test::kData / "four_kan_abort.json");
  ASSERT_FALSE(lines.empty());
  for (const std::string& line : lines) {
    const auto event = read_event(line);
    ASSERT_TRUE(event.has_value());
    EXPECT_EQ(read_event(reversed_keys(line)), event) << reversed_keys(line);
    EXPECT_EQ(read_event(spaced(line)), event) << spaced(line);
  }
}

TEST(ReadEvent, NamesWithEscapesAndAnyText) {
  const auto event = read_event(R"({"type":"start_game","names":["a\"b","\u00e9","c\\d","\ud83c\udc04"],)"
                                R"("kyoku_first":0,"aka_flag":false})");
  ASSERT_TRUE(event.has_value()) << event.error().description;
  const auto& names = std::get<ev::StartGame>(*event).names;
  EXPECT_EQ(names[0], "a\"b");
  EXPECT_EQ(names[1], "\xC3\xA9");
  EXPECT_EQ(names[2], "c\\d");
  EXPECT_EQ(names[3], "\xF0\x9F\x80\x84");
}

TEST(ReadEvent, WhatMakesALineNoEvent) {
  struct Case {
    std::string_view line;
    std::string_view says;
  };
  using namespace std::string_view_literals;
  const Case cases[] = {
      {R"({"type":"tsumo","actor":4,"pai":"1m"})", "\"actor\" is 4, not 0 to 3"},
      {R"({"type":"tsumo","actor":0,"pai":"1x"})", "\"pai\" is no tile: \"1x\""},
      {R"({"type":"tsumo","actor":0})", "a tsumo line lacks \"pai\""},
      {R"({"type":"tsumo","actor":0,"pai":"1m","extra":1})", "unknown key \"extra\""},
      {R"({"type":"reach","actor":0,"pai":"1m"})", "a reach line has no \"pai\""},
      {R"({"type":"tsumo","actor":0,"actor":1,"pai":"1m"})", "the key \"actor\" comes twice"},
      {R"({"type":"nope"})", "unknown type \"nope\""},
      {R"({"actor":0})", "the line has no \"type\""},
      {R"({"type":"chi","actor":1,"target":0,"pai":"3m","consumed":["1m"]})", "holds 1 tile, not 2"},
      {R"({"type":"dahai","actor":0,"pai":"1m","tsumogiri":1})", "\"tsumogiri\" has a number out of place"},
      {R"({"type":"dahai","actor":0,"pai":"1m","tsumogiri":null})", "\"tsumogiri\" is null"},
      {R"({"type":"tsumo","actor":0.5,"pai":"1m"})", "no integer"},
      {R"({"type":"hora","actor":0,"target":1,"deltas":[1,2,3]})", "\"deltas\" holds 3 values, not 4"},
      {R"({"type":"ryukyoku","deltas":[1,2,3,4294967296]})", "holds 4294967296, out of range"},
      {R"({"type":"start_kyoku","tehais":[["1m"]]})", "holds 1 tile, not 13"},
      {R"({"type":"dora","dora_marker":{"x":1}})", "a value is an object"},
      {R"([1,2])", "array out of place"},
      {R"("tsumo")", "the line is no object"},
      {R"({"type":"tsumo")", "not JSON"},
      {R"({"type":"end_kyoku"} {})", "not JSON"},
      {"{\"type\":\"end_kyoku\"}\0"sv, "NUL byte"},
      {"{\"type\":\"start_game\",\"names\":[\"\xFF\",\"b\",\"c\",\"d\"],\"kyoku_first\":0,\"aka_flag\":true}",
       "not JSON: Invalid encoding"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const auto event = read_event(c.line);
    ASSERT_FALSE(event.has_value());
    EXPECT_NE(event.error().description.find(c.says), std::string::npos) << event.error().description;
  }
}

}  // namespace
}  // namespace paiscribe
