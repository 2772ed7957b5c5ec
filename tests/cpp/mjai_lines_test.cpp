#include "paiscribe/mjai/serialize.hpp"
#include "paiscribe/mjai/tile_names.hpp"

#include "paiscribe/mjai/mjai_lines.hpp"
#include "paiscribe/record/tile_code.hpp"

#include <gtest/gtest.h>

#include "line_of.hpp"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Counts heap allocations so a test can hold the writer to one buffer for all lines.
namespace {
std::size_t allocation_count = 0;
}  // namespace

void* operator new(std::size_t size) {
  ++allocation_count;
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace paiscribe {
namespace {

Tile tile(int code) { return tile_from_code(static_cast<std::uint8_t>(code)).value(); }

// A hand of the given codes, the rest hidden (or all of `fill`).
std::array<Tile, 13> row(std::initializer_list<int> codes, Tile fill = Tile::hidden()) {
  std::array<Tile, 13> tiles{fill, fill, fill, fill, fill, fill, fill, fill, fill, fill, fill, fill, fill};
  std::size_t at = 0;
  for (int code : codes) tiles[at++] = tile(code);
  return tiles;
}

std::string line_of(const Event& event) {
  auto line = test_support::line_of(event);
  EXPECT_TRUE(line.has_value());
  return line.value_or("<failed>");
}

std::optional<MjaiLines> lines_of(std::span<const Event> events) {
  MjaiLines lines;
  lines.reserve(events.size());
  for (const Event& event : events) {
    if (!lines.add(event)) return std::nullopt;
  }
  return lines;
}

ev::StartGame game_with_first_name(std::string name) { return ev::StartGame{{std::move(name), "B", "C", "D"}, 0, true}; }

struct LineCase {
  std::string_view label;
  Event event;
  std::string_view expected;
};

void expect_lines(const std::vector<LineCase>& cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(line_of(c.event), c.expected);
    // Lines are written into the room set aside for them without sizing.
    EXPECT_GE(line_room(c.event), line_bound(c.event));
  }
}

TEST(MjaiLine, ExampleLines) {
  expect_lines({
      {"draw", ev::Tsumo{0, tile(51)}, R"({"type":"tsumo","actor":0,"pai":"5mr"})"},
      {"discard of the drawn tile", ev::Dahai{3, tile(41), true}, R"({"type":"dahai","actor":3,"pai":"E","tsumogiri":true})"},
      {"chi", ev::Chi{1, 0, tile(33), {tile(34), tile(53)}},
       R"({"type":"chi","actor":1,"target":0,"pai":"3s","consumed":["4s","5sr"]})"},
      {"closed kan", ev::Ankan{2, {tile(47), tile(47), tile(47), tile(47)}},
       R"({"type":"ankan","actor":2,"consumed":["C","C","C","C"]})"},
      {"win", ev::Hora{0, 2, Deltas{12000, 0, -12000, 0}, std::vector{tile(27)}},
       R"({"type":"hora","actor":0,"target":2,"deltas":[12000,0,-12000,0],"ura_markers":["7p"]})"},
      {"draw without deltas", ev::Ryukyoku{}, R"({"type":"ryukyoku"})"},
      {"game start", ev::StartGame{{"A", "B", "C", "D"}, 0, true},
       R"({"type":"start_game","names":["A","B","C","D"],"kyoku_first":0,"aka_flag":true})"},
  });
}

TEST(MjaiLine, EveryKind) {
  expect_lines({
      {"none", ev::None{}, R"({"type":"none"})"},
      {"dahai from the hand", ev::Dahai{1, tile(52), false}, R"({"type":"dahai","actor":1,"pai":"5pr","tsumogiri":false})"},
      {"pon", ev::Pon{2, 0, tile(15), {tile(51), tile(15)}},
       R"({"type":"pon","actor":2,"target":0,"pai":"5m","consumed":["5mr","5m"]})"},
      {"daiminkan", ev::Daiminkan{3, 1, tile(44), {tile(44), tile(44), tile(44)}},
       R"({"type":"daiminkan","actor":3,"target":1,"pai":"N","consumed":["N","N","N"]})"},
      {"kakan", ev::Kakan{0, tile(45), {tile(45), tile(45), tile(45)}},
       R"({"type":"kakan","actor":0,"pai":"P","consumed":["P","P","P"]})"},
      {"dora", ev::Dora{tile(46)}, R"({"type":"dora","dora_marker":"F"})"},
      {"reach", ev::Reach{2}, R"({"type":"reach","actor":2})"},
      {"reach_accepted", ev::ReachAccepted{3}, R"({"type":"reach_accepted","actor":3})"},
      {"end_kyoku", ev::EndKyoku{}, R"({"type":"end_kyoku"})"},
      {"end_game", ev::EndGame{}, R"({"type":"end_game"})"},
      {"game start without red fives", ev::StartGame{{"A", "B", "C", "D"}, 4, false},
       R"({"type":"start_game","names":["A","B","C","D"],"kyoku_first":4,"aka_flag":false})"},
  });
}

// Draws and discards come from tables made at compile time, alone and in a batch.
TEST(MjaiLine, EveryDrawAndDiscard) {
  std::vector<Event> events;
  std::string expected;
  for (std::uint8_t actor = 0; actor < 4; ++actor) {
    for (std::uint8_t index = 0; index < Tile::kCount; ++index) {
      const std::string head = "\",\"actor\":" + std::to_string(actor) + ",\"pai\":\"" +
                               std::string(mjai_name(Tile(index))) + "\"";
      events.push_back(ev::Tsumo{actor, Tile(index)});
      expected += R"({"type":"tsumo)" + head + "}\n";
      for (const bool tsumogiri : {false, true}) {
        events.push_back(ev::Dahai{actor, Tile(index), tsumogiri});
        expected += R"({"type":"dahai)" + head + ",\"tsumogiri\":" + (tsumogiri ? "true" : "false") + "}\n";
      }
    }
  }
  std::string alone;
  for (const Event& event : events) alone += line_of(event) + "\n";
  EXPECT_EQ(alone, expected);
  const auto batch = lines_of(events);
  ASSERT_TRUE(batch.has_value());
  EXPECT_EQ(batch->text(), expected);
}

TEST(MjaiLine, OptionalMembersAbsentDifferFromEmpty) {
  const Deltas zero{0, 0, 0, 0};
  expect_lines({
      {"ryukyoku with deltas", ev::Ryukyoku{Deltas{1500, -1500, 1500, -1500}},
       R"({"type":"ryukyoku","deltas":[1500,-1500,1500,-1500]})"},
      {"ryukyoku with zero deltas", ev::Ryukyoku{zero}, R"({"type":"ryukyoku","deltas":[0,0,0,0]})"},
      {"hora with both absent", ev::Hora{1, 1, std::nullopt, std::nullopt}, R"({"type":"hora","actor":1,"target":1})"},
      {"hora with empty ura markers", ev::Hora{1, 1, std::nullopt, std::vector<Tile>{}},
       R"({"type":"hora","actor":1,"target":1,"ura_markers":[]})"},
      {"hora with deltas only", ev::Hora{1, 3, zero, std::nullopt},
       R"({"type":"hora","actor":1,"target":3,"deltas":[0,0,0,0]})"},
      {"hora with both present", ev::Hora{1, 3, zero, std::vector{tile(11), tile(0)}},
       R"({"type":"hora","actor":1,"target":3,"deltas":[0,0,0,0],"ura_markers":["1m","?"]})"},
  });
}

TEST(MjaiLine, NumbersAtTheirLimits) {
  expect_lines({
      {"extreme deltas", ev::Ryukyoku{Deltas{INT32_MIN, INT32_MAX, -1, 0}},
       R"({"type":"ryukyoku","deltas":[-2147483648,2147483647,-1,0]})"},
      {"seats of 255", ev::Hora{255, 255, std::nullopt, std::nullopt}, R"({"type":"hora","actor":255,"target":255})"},
      {"kyoku_first 255", ev::StartGame{{"A", "B", "C", "D"}, 255, false},
       R"({"type":"start_game","names":["A","B","C","D"],"kyoku_first":255,"aka_flag":false})"},
      {"seat 0", ev::Reach{0}, R"({"type":"reach","actor":0})"},
  });
}

TEST(MjaiLine, NamesAreEscapedExactly) {
  struct Case {
    std::string_view label;
    std::string name;
    std::string_view written;  // between the quotes
  };
  const Case cases[] = {
      {"quotation mark", "a\"b", R"(a\"b)"},
      {"backslash", "a\\b", R"(a\\b)"},
      {"short forms", "\b\t\n\f\r", R"(\b\t\n\f\r)"},
      {"U+0000", std::string("a\0b", 3), R"(a\u0000b)"},
      {"U+0001", "\x01", R"(\u0001)"},
      {"U+000B", "\x0b", R"(\u000b)"},
      {"U+001F", "\x1f", R"(\u001f)"},
      {"U+007F stays raw", "\x7f", "\x7f"},
      {"slash stays raw", "a/b", "a/b"},
      {"Japanese stays raw", "\xE5\x90\x8D\xE5\x89\x8D", "\xE5\x90\x8D\xE5\x89\x8D"},
      {"four-byte character stays raw", "\xF0\x9F\x80\x84", "\xF0\x9F\x80\x84"},
      {"highest code point stays raw", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},
      {"runs between escapes", "ab\"cd\\ef\ngh", R"(ab\"cd\\ef\ngh)"},
      {"empty", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string expected = R"({"type":"start_game","names":[")" + std::string(c.written) +
                                 R"(","B","C","D"],"kyoku_first":0,"aka_flag":true})";
    EXPECT_EQ(line_of(game_with_first_name(c.name)), expected);
  }
}

// Names live apart from the event; copies must still be whole values.
TEST(MjaiLine, StartGameCopiesAreIndependentValues) {
  const std::string four = R"({"type":"start_game","names":["A","B","C","D"],"kyoku_first":0,"aka_flag":true})";
  const std::string empty = R"({"type":"start_game","names":["","","",""],"kyoku_first":0,"aka_flag":true})";
  Event original = ev::StartGame{{"A", "B", "C", "D"}, 0, true};
  Event copy = original;
  Event assigned = ev::StartGame{{"x", "y", "z", "w"}, 0, true};
  assigned = copy;
  Event moved = std::move(copy);
  original = ev::StartGame{{"", "", "", ""}, 0, true};
  struct Case {
    std::string_view label;
    const Event& event;
    const std::string& line;
  };
  const Case cases[] = {
      {"a copy outlives changes to its original", moved, four},
      {"an assigned copy", assigned, four},
      {"the original, replaced", original, empty},
      {"names moved away read as empty", copy, empty},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(line_of(c.event), c.line);
  }
}

TEST(MjaiLine, EveryControlCharacterIsEscapedAndNoLineFeedSurvives) {
  const std::string_view short_forms[0x20] = {
      {}, {}, {}, {}, {}, {}, {}, {}, R"(\b)", R"(\t)", R"(\n)", {}, R"(\f)", R"(\r)", {}, {},
      {}, {}, {}, {}, {}, {}, {}, {}, {},      {},      {},      {}, {},      {},      {}, {}};
  for (int code = 0; code < 0x20; ++code) {
    SCOPED_TRACE(code);
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02x", code);
    const std::string written = short_forms[code].empty() ? std::string(R"(\u00)") + hex : std::string(short_forms[code]);
    const std::string line = line_of(game_with_first_name(std::string(1, static_cast<char>(code))));
    EXPECT_NE(line.find("[\"" + written + "\","), std::string::npos) << line;
    for (char byte : line) EXPECT_GE(static_cast<unsigned char>(byte), 0x20) << line;
  }
}

TEST(MjaiLine, FullStartKyoku) {
  const ev::StartKyoku kyoku{
      tile(41),
      tile(22),
      1,
      0,
      0,
      0,
      {25000, 25000, 25000, 25000},
      {row({11, 12, 13, 14, 15, 16, 17, 18, 19, 21, 22, 23, 24}),
       row({25, 26, 27, 28, 29, 31, 32, 33, 34, 35, 36, 37, 38}),
       row({39, 41, 42, 43, 44, 45, 46, 47, 51, 52, 53, 0, 15}), row({})},
  };
  EXPECT_EQ(line_of(kyoku),
            R"({"type":"start_kyoku","bakaze":"E","dora_marker":"2p","kyoku":1,"honba":0,"kyotaku":0,"oya":0,)"
            R"("scores":[25000,25000,25000,25000],"tehais":[)"
            R"(["1m","2m","3m","4m","5m","6m","7m","8m","9m","1p","2p","3p","4p"],)"
            R"(["5p","6p","7p","8p","9p","1s","2s","3s","4s","5s","6s","7s","8s"],)"
            R"(["9s","E","S","W","N","P","F","C","5mr","5pr","5sr","?","5m"],)"
            R"(["?","?","?","?","?","?","?","?","?","?","?","?","?"]]})");
}

TEST(MjaiLine, RefusesWhatHasNoValidText) {
  struct Case {
    std::string_view label;
    Event event;
  };
  const Case cases[] = {
      {"lone continuation byte", game_with_first_name("a\x80")},
      {"truncated sequence", game_with_first_name("\xE3\x81")},
      {"truncated at the end of a later name", ev::StartGame{{"A", "B", "C", "\xE3"}, 0, true}},
      {"encoded surrogate", game_with_first_name("\xED\xA0\x80")},
      {"overlong form", game_with_first_name("\xC0\xAF")},
      {"above U+10FFFF", game_with_first_name("\xF4\x90\x80\x80")},
      {"byte FF", game_with_first_name("\xFF")},
      {"tile without a name", ev::Tsumo{0, Tile(Tile::kCount)}},
      {"tile without a name in a hand", ev::StartKyoku{tile(41), tile(41), 0, 0, 0, 0, {},
                                                       {row({}), row({}), row({}), row({}, Tile(200))}}},
      {"tile without a name in ura markers", ev::Hora{0, 0, std::nullopt, std::vector{tile(11), Tile(255)}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    MjaiLines lines;
    lines.add(ev::EndGame{});
    EXPECT_FALSE(lines.add(c.event));
    // A line that cannot be written leaves nothing behind.
    EXPECT_EQ(lines.text(), "{\"type\":\"end_game\"}\n");
    EXPECT_EQ(lines.size(), 1u);
  }
}

// What `make` returns and how many heap allocations it took.
template <typename Make>
auto with_allocations(Make make) {
  const std::size_t before = allocation_count;
  auto made = make();
  return std::pair{std::move(made), allocation_count - before};
}

// Long games and lines far longer than the typical.
std::vector<Event> game_of(std::size_t draws, std::size_t name_bytes) {
  std::vector<Event> events{ev::StartGame{{std::string(name_bytes, 'n'), "B", "C", "D"}, 0, true}};
  for (std::size_t i = 0; i < draws; ++i) {
    events.push_back(ev::Tsumo{static_cast<std::uint8_t>(i % 4), tile(11 + static_cast<int>(i % 9))});
    events.push_back(ev::Dahai{static_cast<std::uint8_t>(i % 4), tile(51), i % 2 == 0});
  }
  events.push_back(ev::EndGame{});
  return events;
}

TEST(MjaiLines, LinesShareOneBuffer) {
  struct Case {
    std::string_view label;
    std::vector<Event> events;
  };
  const Case cases[] = {
      {"no events", {}},
      {"one short line", {ev::None{}}},
      {"a game", game_of(300, 1)},
      {"a game ten times as long", game_of(3000, 1)},
      {"a name far longer than the whole game", game_of(2, 100'000)},
      {"two games back to back", [] {
         auto events = game_of(2, 1);
         const auto second = game_of(1, 1);
         events.insert(events.end(), second.begin(), second.end());
         return events;
       }()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const auto [lines, allocations] = with_allocations([&] { return lines_of(c.events); });
    ASSERT_TRUE(lines.has_value());
    ASSERT_EQ(lines->size(), c.events.size());
    std::string joined;
    std::size_t i = 0;
    lines->for_each_line([&](std::string_view line, bool may_hold_non_ascii) {
      EXPECT_EQ(line, (*lines)[i]);
      EXPECT_EQ(std::string(line), line_of(c.events[i]));
      EXPECT_EQ(may_hold_non_ascii, std::holds_alternative<ev::StartGame>(c.events[i])) << i;
      joined += line_of(c.events[i++]) + "\n";
      return true;
    });
    EXPECT_EQ(i, c.events.size());
    EXPECT_EQ(lines->text(), joined);
    // From a later line on, the same lines follow.
    const std::size_t middle = c.events.size() / 2;
    std::size_t named = 0, from_middle = middle;
    lines->for_each_line(
        [&](std::string_view line, bool may_hold_non_ascii) {
          named += may_hold_non_ascii;
          EXPECT_EQ(line, (*lines)[from_middle++]);
          return true;
        },
        middle);
    EXPECT_EQ(from_middle, c.events.size());
    const auto is_start = [](const Event& e) { return std::holds_alternative<ev::StartGame>(e); };
    EXPECT_EQ(named, static_cast<std::size_t>(std::count_if(c.events.begin() + static_cast<std::ptrdiff_t>(middle),
                                                             c.events.end(), is_start)));
    // The text (grown once more for a line far longer than the typical), the
    // line ends and the lines with names: never one per line.
    EXPECT_LE(allocations, 4u + static_cast<std::size_t>(std::ranges::count_if(c.events, is_start)));
  }
}

}  // namespace
}  // namespace paiscribe
