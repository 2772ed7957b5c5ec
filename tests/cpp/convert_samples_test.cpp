// Real game logs convert whole, and the converted events make sense as a
// game: every tile a seat discards or melds is in its hand at that moment.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "conversion_test_support.hpp"
#include "paiscribe/conv/game_conversion.hpp"
#include "paiscribe/json/parse_json_log.hpp"

namespace paiscribe {
namespace {

std::string read_file(const std::string& name) {
  std::ifstream in(std::string(PAISCRIBE_TEST_DATA) + "/" + name, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

// The tiles named in a line's member, in order ("tehais" gives all four rows).
std::vector<Tile> tiles_in(std::string_view line, std::string_view key) {
  std::vector<Tile> tiles;
  std::size_t at = line.find("\"" + std::string(key) + "\":");
  if (at == std::string_view::npos) return tiles;
  const std::size_t end = key == "pai" ? line.find(',', at + 3 + key.size()) : line.find(key == "tehais" ? "]]" : "]", at);
  for (at = line.find('"', at + key.size() + 2); at < end; at = line.find('"', at + 1)) {
    const std::size_t close = line.find('"', at + 1);
    const auto name = line.substr(at + 1, close - at - 1);
    tiles.push_back(Tile(static_cast<std::uint8_t>(std::ranges::find(kMjaiNames, name) - kMjaiNames.begin())));
    at = close;
  }
  return tiles;
}

// Replays the lines seat by seat and reports the first thing a real game
// could not do. Hands count concealed tiles; a meld counts as three.
class HandReplay {
 public:
  std::string check(const std::vector<std::string>& lines) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      apply(lines[i]);
      if (!fault_.empty()) return "line " + std::to_string(i) + " (" + test_support::summary(lines[i]) + "): " + fault_;
    }
    return "";
  }

 private:
  struct Hand {
    std::array<int, Tile::kCount> count{};
    int concealed = 0;
    int melds = 0;
    std::optional<Tile> drawn;
  };

  void apply(std::string_view line) {
    const std::string type = test_support::member_of(line, "type");
    const auto actor = static_cast<Seat>(std::atoi(test_support::member_of(line, "actor").c_str()));
    if (type == "start_kyoku") {
      const auto tehais = tiles_in(line, "tehais");
      for (Seat s = 0; s < 4; ++s) {
        hands_[s] = Hand{};
        for (std::size_t i = 0; i < 13; ++i) add(s, tehais.at(13 * s + i));
      }
    } else if (type == "tsumo") {
      const Tile pai = tiles_in(line, "pai").at(0);
      add(actor, pai);
      hands_[actor].drawn = pai;
    } else if (type == "dahai") {
      Hand& hand = hands_[actor];
      const Tile pai = tiles_in(line, "pai").at(0);
      if (test_support::member_of(line, "tsumogiri") == "true" && hand.drawn != pai)
        fault("tsumogiri of a tile that was not just drawn");
      take(actor, pai);
      hand.drawn.reset();
      if (hand.concealed + 3 * hand.melds != 13) fault("hand of " + std::to_string(hand.concealed + 3 * hand.melds));
    } else if (type == "chi" || type == "pon" || type == "daiminkan" || type == "ankan") {
      // A kan's fourth tile is made up for by the rinshan draw.
      for (Tile t : tiles_in(line, "consumed")) take(actor, t);
      hands_[actor].melds += 1;
      hands_[actor].drawn.reset();
    } else if (type == "kakan") {
      take(actor, tiles_in(line, "pai").at(0));
    }
  }

  void add(Seat s, Tile t) {
    hands_.at(s).count[t.index()] += 1;
    hands_[s].concealed += 1;
  }
  void take(Seat s, Tile t) {
    if (s > 3) return fault("seat out of range");
    if (t == Tile::hidden()) return fault("hidden tile");
    if (hands_[s].count[t.index()] == 0) return fault(std::string(mjai_name(t)) + " not in hand");
    hands_[s].count[t.index()] -= 1;
    hands_[s].concealed -= 1;
  }
  void fault(std::string what) {
    if (fault_.empty()) fault_ = std::move(what);
  }

  std::array<Hand, 4> hands_{};
  std::string fault_;
};

TEST(ConvertSamples, RealGamesConvertAndPlayOut) {
  const struct {
    std::string_view file;
    std::size_t kyokus;
    std::uint8_t kyoku_first;
  } cases[] = {
      {"hanchan_double_ron.json", 7, 0},
      {"tonpuu_double_ron.json", 9, 4},
      {"four_kan_abort.json", 11, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    auto log = test_support::parse_text(read_file(std::string(c.file)));
    ASSERT_TRUE(log.has_value()) << log.error().description;
    auto lines = test_support::converted(*log);
    ASSERT_TRUE(lines.has_value()) << "conversion failed";
    ASSERT_EQ(test_support::member_of(lines->front(), "type"), "start_game");
    ASSERT_EQ(lines->back(), R"({"type":"end_game"})");
    EXPECT_EQ(test_support::member_of(lines->front(), "kyoku_first"), std::to_string(c.kyoku_first));
    std::size_t starts = 0, ends = 0, horas = 0;
    for (const std::string& line : *lines) {
      const std::string type = test_support::member_of(line, "type");
      starts += type == "start_kyoku";
      ends += type == "end_kyoku";
      horas += type == "hora";
    }
    EXPECT_EQ(starts, c.kyokus);
    EXPECT_EQ(ends, c.kyokus);
    EXPECT_GT(horas, 0u);
    EXPECT_EQ(HandReplay().check(*lines), "");
  }
}

TEST(ConvertSamples, ThreePlayerGameIsRefused) {
  // A real three-player log leaves the fourth seat's hand empty, which no
  // four-player log may do; one shaped like a four-player log is refused by its rule.
  EXPECT_FALSE(test_support::parse_text(read_file("three_player.json")).has_value());
  auto log = test_support::parse_text(read_file("hanchan_double_ron.json"));
  ASSERT_TRUE(log.has_value());
  log->rule.disp = "\xE4\xB8\x89\xE9\xB3\xB3\xE5\x8D\x97\xE5\x96\xB0\xE8\xB5\xA4";  // 三鳳南喰赤
  auto lines = test_support::converted(*log);
  ASSERT_FALSE(lines.has_value());
  EXPECT_TRUE(std::holds_alternative<InvalidLog>(lines.error()));
}

TEST(ConvertSamples, ReplayCatchesAWrongPairing) {
  // The replay check itself must notice a tsumogiri that names the wrong tile.
  auto log = test_support::parse_text(read_file("hanchan_double_ron.json"));
  ASSERT_TRUE(log.has_value());
  auto lines = test_support::converted(*log);
  ASSERT_TRUE(lines.has_value());
  for (std::string& line : *lines) {
    if (line.ends_with(R"("tsumogiri":true})")) {
      const Tile pai = tiles_in(line, "pai").at(0);
      const std::string other(mjai_name(Tile(static_cast<std::uint8_t>((pai.index() + 1) % 34))));
      line.replace(line.find(R"("pai":")") + 7, mjai_name(pai).size(), other);
      break;
    }
  }
  EXPECT_NE(HandReplay().check(*lines), "");
}

}  // namespace
}  // namespace paiscribe
