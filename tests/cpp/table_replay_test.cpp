// The table a viewer draws: kept whole through every real game, and each
// kind of line leaving what a player sees on the table.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "paiscribe/mjai/tile_names.hpp"
#include "paiscribe/pipeline/game_lines.hpp"
#include "paiscribe/pipeline/table_lines.hpp"
#include "paiscribe/table/table_replay.hpp"
#include "rules_test_support.hpp"

namespace paiscribe::table {
namespace {

std::string names_of(const std::vector<Tile>& tiles) {
  std::string text;
  for (const Tile tile : tiles) text += std::string(text.empty() ? "" : " ") + std::string(mjai_name(tile));
  return text;
}

// Every copy on the table, by tile: hands, melds, rivers (a called discard
// counts in its meld) and dora markers.
std::array<int, Tile::kCount> copies_on(const TableState& state) {
  std::array<int, Tile::kCount> copies{};
  for (const Tile tile : state.dora_markers) ++copies[tile.index()];
  for (const SeatTable& seat : state.seats) {
    for (const Tile tile : seat.hand) ++copies[tile.index()];
    for (const RiverTile& discard : seat.river) copies[discard.tile.index()] += discard.called ? 0 : 1;
    for (const TableMeld& meld : seat.melds) {
      for (const Tile tile : meld.consumed) ++copies[tile.index()];
      if (meld.pai) ++copies[meld.pai->index()];
      if (meld.added) ++copies[meld.added->index()];
    }
  }
  return copies;
}

// Across every real game: a hand with its melds is always 13 tiles, 14 on
// the seat's turn; no tile shows more than its copies; scores and riichi
// sticks always hold the 100,000 points the game started with; and a
// kyoku's scores at its end are those the next one starts from (unless the
// kyoku ended on a riichi discard, whose stick only the next start shows).
TEST(TableReplay, RealGamesKeepEveryTileAndPoint) {
  for (const auto& path : rules_test::real_games()) {
    SCOPED_TRACE(path.string());
    TableReplay replay;
    std::optional<TableState> ended;
    std::size_t number = 0;
    for (const std::string& line : rules_test::mjai_lines_of(path)) {
      SCOPED_TRACE(++number);
      replay.feed(line);
      const TableState& state = replay.state();
      if (state.kyoku == 0) continue;
      std::int64_t points = 1000 * state.kyotaku;
      for (const SeatTable& seat : state.seats) {
        points += seat.score;
        const std::size_t tiles = seat.hand.size() + 3 * seat.melds.size();
        EXPECT_TRUE(tiles == 13 || tiles == 14) << tiles;
      }
      EXPECT_EQ(points, 100000);
      if (state.event == "start_kyoku" && ended && ended->kyotaku == state.kyotaku) {
        for (Seat seat = 0; seat < 4; ++seat) EXPECT_EQ(ended->seats[seat].score, state.seats[seat].score);
      }
      if (state.event == "end_kyoku") ended = state;
      const auto copies = copies_on(state);
      for (std::uint8_t index = 0; index < Tile::kCount - 1; ++index)
        EXPECT_LE(copies[index], index >= 34 ? 1 : 4) << mjai_name(Tile(index));
    }
  }
}

constexpr std::string_view kStart =
    R"({"type":"start_kyoku","bakaze":"S","dora_marker":"1m","kyoku":2,"honba":1,"kyotaku":1,"oya":1,)"
    R"("scores":[24000,25000,25000,25000],"tehais":[["5m","1m","5mr","E","5m","2p","3p","4p","7s","8s","9s","C","C"],)"
    R"(["?","?","?","?","?","?","?","?","?","?","?","?","?"],["1p","1p","1p","2s","3s","4s","5s","6s","7s","8s","9s","N","N"],)"
    R"(["1s","1s","2m","3m","4m","6p","7p","8p","9p","9p","P","P","F"]]})";

struct PlayCase {
  std::string_view name;
  std::vector<std::string_view> lines;  // after kStart
  Seat seat;
  std::string_view hand;
  std::string_view river;  // each discard's name, then ' tsumogiri, * riichi, ^ called
  std::string_view melds;  // each meld's kind and tiles
  std::string_view event;
};

std::string river_of(const SeatTable& seat) {
  std::string text;
  for (const RiverTile& discard : seat.river) {
    text += std::string(text.empty() ? "" : " ") + std::string(mjai_name(discard.tile));
    text += std::string(discard.tsumogiri ? "'" : "") + (discard.riichi ? "*" : "") + (discard.called ? "^" : "");
  }
  return text;
}

std::string melds_of(const SeatTable& seat) {
  std::string text;
  for (const TableMeld& meld : seat.melds) {
    std::vector<Tile> tiles(meld.consumed);
    if (meld.pai) tiles.insert(tiles.begin(), *meld.pai);
    if (meld.added) tiles.push_back(*meld.added);
    text += std::string(text.empty() ? "" : "; ") + std::string(kMeldKindNames[static_cast<int>(meld.kind)]) + " " +
            names_of(tiles);
  }
  return text;
}

TEST(TableReplay, WhatEachLineLeaves) {
  const PlayCase cases[] = {
      {"hand order: a red five after its plain fives", {}, 0, "1m 5m 5m 5mr 2p 3p 4p 7s 8s 9s E C C", "", "", "start_kyoku"},
      {"a draw joins the hand in order",
       {R"({"type":"tsumo","actor":1,"pai":"?"})", R"({"type":"dahai","actor":1,"pai":"3m","tsumogiri":false})",
        R"({"type":"tsumo","actor":2,"pai":"5pr"})"},
       2, "1p 1p 1p 5pr 2s 3s 4s 5s 6s 7s 8s 9s N N", "", "", "tsumo"},
      {"a hidden hand gives up a hidden tile for its discard",
       {R"({"type":"tsumo","actor":1,"pai":"?"})", R"({"type":"dahai","actor":1,"pai":"3m","tsumogiri":false})"},
       1, "? ? ? ? ? ? ? ? ? ? ? ? ?", "3m", "", "dahai"},
      {"riichi marks its discard; a tsumogiri is marked",
       {R"({"type":"tsumo","actor":1,"pai":"?"})", R"({"type":"dahai","actor":1,"pai":"3m","tsumogiri":true})",
        R"({"type":"tsumo","actor":2,"pai":"E"})", R"({"type":"reach","actor":2})",
        R"({"type":"dahai","actor":2,"pai":"E","tsumogiri":true})"},
       2, "1p 1p 1p 2s 3s 4s 5s 6s 7s 8s 9s N N", "E'*", "", "dahai"},
      {"a pon takes the discard from its river",
       {R"({"type":"tsumo","actor":1,"pai":"?"})", R"({"type":"dahai","actor":1,"pai":"C","tsumogiri":false})",
        R"({"type":"pon","actor":0,"target":1,"pai":"C","consumed":["C","C"]})"},
       0, "1m 5m 5m 5mr 2p 3p 4p 7s 8s 9s E", "", "pon C C C", "pon"},
      {"the called discard stays in its river, marked",
       {R"({"type":"tsumo","actor":1,"pai":"?"})", R"({"type":"dahai","actor":1,"pai":"C","tsumogiri":false})",
        R"({"type":"pon","actor":0,"target":1,"pai":"C","consumed":["C","C"]})"},
       1, "? ? ? ? ? ? ? ? ? ? ? ? ?", "C^", "", "pon"},
      {"an added kan grows its pon",
       {R"({"type":"tsumo","actor":1,"pai":"?"})", R"({"type":"dahai","actor":1,"pai":"C","tsumogiri":false})",
        R"({"type":"pon","actor":0,"target":1,"pai":"C","consumed":["C","C"]})",
        R"({"type":"dahai","actor":0,"pai":"E","tsumogiri":false})", R"({"type":"tsumo","actor":1,"pai":"?"})",
        R"({"type":"dahai","actor":1,"pai":"1m","tsumogiri":false})", R"({"type":"tsumo","actor":2,"pai":"2m"})",
        R"({"type":"dahai","actor":2,"pai":"2m","tsumogiri":true})", R"({"type":"tsumo","actor":3,"pai":"3m"})",
        R"({"type":"dahai","actor":3,"pai":"3m","tsumogiri":true})", R"({"type":"tsumo","actor":0,"pai":"C"})",
        R"({"type":"kakan","actor":0,"pai":"C","consumed":["C","C","C"]})"},
       0, "1m 5m 5m 5mr 2p 3p 4p 7s 8s 9s", "E", "kakan C C C C", "kakan"},
      {"a closed kan, its dora shown",
       {R"({"type":"tsumo","actor":1,"pai":"?"})", R"({"type":"dahai","actor":1,"pai":"3m","tsumogiri":false})",
        R"({"type":"tsumo","actor":2,"pai":"1p"})", R"({"type":"ankan","actor":2,"consumed":["1p","1p","1p","1p"]})",
        R"({"type":"dora","dora_marker":"7p"})"},
       2, "2s 3s 4s 5s 6s 7s 8s 9s N N", "", "ankan 1p 1p 1p 1p", "dora"},
      {"a line that is no event leaves the table",
       {R"({"type":"tsumo","actor":1,"pai":"?"})", R"({"type":"tsumo","actor":1)"},
       1, "? ? ? ? ? ? ? ? ? ? ? ? ? ?", "", "", ""},
  };
  for (const PlayCase& c : cases) {
    SCOPED_TRACE(c.name);
    TableReplay replay;
    replay.feed(kStart);
    for (const std::string_view line : c.lines) replay.feed(line);
    const TableState& state = replay.state();
    const SeatTable& seat = state.seats[c.seat];
    EXPECT_EQ(names_of(seat.hand), c.hand);
    EXPECT_EQ(river_of(seat), c.river);
    EXPECT_EQ(melds_of(seat), c.melds);
    EXPECT_EQ(state.event, c.event);
  }
}

TEST(TableReplay, SticksScoresAndDora) {
  TableReplay replay;
  for (const std::string_view line :
       {kStart, std::string_view(R"({"type":"tsumo","actor":1,"pai":"?"})"),
        std::string_view(R"({"type":"reach","actor":1})"),
        std::string_view(R"({"type":"dahai","actor":1,"pai":"9m","tsumogiri":true})"),
        std::string_view(R"({"type":"reach_accepted","actor":1})")})
    replay.feed(line);
  EXPECT_EQ(replay.state().seats[1].score, 24000);
  EXPECT_EQ(replay.state().kyotaku, 2);
  EXPECT_EQ(replay.state().kyoku_index(), 5);  // South 2
  replay.feed(R"({"type":"hora","actor":2,"target":1,"deltas":[0,-2300,4300,0],"ura_markers":[]})");
  EXPECT_EQ(replay.state().seats[2].score, 29300);
  EXPECT_EQ(replay.state().kyotaku, 0);
  EXPECT_EQ(names_of(replay.state().dora_markers), "1m");
}

// Two games one after another: each keeps its own kyokus, results and
// wins, at their lines in the whole text; every kyoku runs from a
// start_kyoku to an end_kyoku, and holds the results.
TEST(TableLines, GamesKyokusAndResults) {
  const auto lines = rules_test::mjai_lines_of(rules_test::kData / "tonpuu_double_ron.json");
  TableLines view;
  std::vector<std::string_view> events;
  for (int copy = 0; copy < 2; ++copy) {
    for (const std::string& line : lines) {
      view.feed(line);
      events.push_back(view.table().event);
    }
  }
  const auto games = std::move(view).finish();
  ASSERT_EQ(games.size(), 2u);
  for (const ViewedGame& game : games) {
    SCOPED_TRACE(game.first_line);
    EXPECT_EQ(game.line_count, lines.size());
    EXPECT_EQ(game.findings.size(), 0u);
    EXPECT_EQ(game.kyokus.size(), static_cast<std::size_t>(std::ranges::count(lines, true, [](const std::string& line) {
                return line.starts_with(R"({"type":"start_kyoku")");
              })));
    for (const ViewedKyoku& kyoku : game.kyokus) {
      EXPECT_EQ(events[kyoku.first_line - 1], "start_kyoku");
      EXPECT_EQ(events[kyoku.last_line - 1], "end_kyoku");
    }
    std::size_t wins = 0;
    for (const ShownResult& result : game.results) {
      EXPECT_EQ(events[result.line - 1], result.event);
      EXPECT_TRUE(std::ranges::any_of(game.kyokus, [&](const ViewedKyoku& kyoku) {
        return kyoku.first_line < result.line && result.line < kyoku.last_line;
      }));
      if (result.event == "hora") {
        ASSERT_LT(wins, game.wins.size());
        EXPECT_EQ(game.wins[wins].record.line, result.line);
        for (Seat seat = 0; seat < 4; ++seat) EXPECT_EQ(game.wins[wins].record.deltas[seat], result.deltas[seat]);
        ++wins;
      }
    }
    EXPECT_EQ(wins, game.wins.size());
  }
}

TEST(GameLines, MjaiLinesAreToldFromRecords) {
  const std::pair<std::string_view, bool> cases[] = {
      {R"({"type":"start_game","names":["a","b","c","d"]})", true},
      {"\xEF\xBB\xBF  \n{ \"type\":\"start_game\"}", true},
      {R"({"title":["",""],"name":["a","b","c","d"],"log":[]})", false},
      {"{\n  \"log\": []\n}", false},
      {"<mjloggm ver=\"2.3\">", false},
      {"", false},
  };
  for (const auto& [text, mjai] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(is_mjai_lines(text), mjai);
  }
}

}  // namespace
}  // namespace paiscribe::table
