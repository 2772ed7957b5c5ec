// Real game logs convert whole, and the converted events make sense as a
// game: every tile a seat discards or melds is in its hand at that moment.

#include <gtest/gtest.h>

#include <array>
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

// Replays the events seat by seat and reports the first thing a real game
// could not do. Hands count concealed tiles; a meld counts as three.
class HandReplay {
 public:
  std::string check(const std::vector<Event>& events) {
    for (std::size_t i = 0; i < events.size(); ++i) {
      std::visit([&](const auto& e) { apply(e); }, events[i]);
      if (!fault_.empty()) return "event " + std::to_string(i) + " (" + test_support::summary(events[i]) + "): " + fault_;
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

  void apply(const ev::StartKyoku& e) {
    for (Seat s = 0; s < 4; ++s) {
      hands_[s] = Hand{};
      for (Tile t : e.tehais[s]) add(s, t);
    }
  }
  void apply(const ev::Tsumo& e) {
    add(e.actor, e.pai);
    hands_[e.actor].drawn = e.pai;
  }
  void apply(const ev::Dahai& e) {
    Hand& hand = hands_[e.actor];
    if (e.tsumogiri && hand.drawn != e.pai) fault("tsumogiri of a tile that was not just drawn");
    take(e.actor, e.pai);
    hand.drawn.reset();
    if (hand.concealed + 3 * hand.melds != 13) fault("hand of " + std::to_string(hand.concealed + 3 * hand.melds));
  }
  template <typename Call>
  void meld(const Call& e) {
    for (Tile t : e.consumed) take(e.actor, t);
    hands_[e.actor].melds += 1;
    hands_[e.actor].drawn.reset();
  }
  void apply(const ev::Chi& e) { meld(e); }
  void apply(const ev::Pon& e) { meld(e); }
  void apply(const ev::Daiminkan& e) { meld(e); }
  // A kan's fourth tile is made up for by the rinshan draw.
  void apply(const ev::Ankan& e) { meld(e); }
  void apply(const ev::Kakan& e) { take(e.actor, e.pai); }
  template <typename Other>
  void apply(const Other&) {}

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
    auto events = convert_log(*log);
    ASSERT_TRUE(events.has_value()) << "conversion failed";
    ASSERT_TRUE(std::holds_alternative<ev::StartGame>(events->front()));
    ASSERT_TRUE(std::holds_alternative<ev::EndGame>(events->back()));
    EXPECT_EQ(std::get<ev::StartGame>(events->front()).kyoku_first, c.kyoku_first);
    std::size_t starts = 0, ends = 0, horas = 0;
    for (const Event& e : *events) {
      starts += std::holds_alternative<ev::StartKyoku>(e);
      ends += std::holds_alternative<ev::EndKyoku>(e);
      horas += std::holds_alternative<ev::Hora>(e);
    }
    EXPECT_EQ(starts, c.kyokus);
    EXPECT_EQ(ends, c.kyokus);
    EXPECT_GT(horas, 0u);
    EXPECT_EQ(HandReplay().check(*events), "");
  }
}

// A record read into the room of another's kyokus keeps nothing of theirs.
TEST(ConvertSamples, RecordInSpareKyokusIsTheRecordReadAfresh) {
  const std::string files[] = {"hanchan_double_ron.json", "tonpuu_double_ron.json", "four_kan_abort.json"};
  for (const auto& spare_file : files) {
    for (const auto& file : files) {
      SCOPED_TRACE(spare_file + " then " + file);
      auto spare = test_support::parse_text(read_file(spare_file));
      ASSERT_TRUE(spare.has_value());
      const std::string text = read_file(file);
      const auto reused = parse_json_log(PaddedText(text), std::move(spare->kyokus));
      ASSERT_TRUE(reused.has_value());
      EXPECT_EQ(convert_log(*reused).value(), convert_log(*test_support::parse_text(text)).value());
    }
  }
}

TEST(ConvertSamples, ThreePlayerGameIsRefused) {
  // A real three-player log leaves the fourth seat's hand empty, which no
  // four-player log may do; one shaped like a four-player log is refused by its rule.
  EXPECT_FALSE(test_support::parse_text(read_file("three_player.json")).has_value());
  auto log = test_support::parse_text(read_file("hanchan_double_ron.json"));
  ASSERT_TRUE(log.has_value());
  log->rule.disp = "\xE4\xB8\x89\xE9\xB3\xB3\xE5\x8D\x97\xE5\x96\xB0\xE8\xB5\xA4";  // 三鳳南喰赤
  auto events = convert_log(*log);
  ASSERT_FALSE(events.has_value());
  EXPECT_TRUE(std::holds_alternative<InvalidLog>(events.error()));
}

TEST(ConvertSamples, ReplayCatchesAWrongPairing) {
  // The replay check itself must notice a tsumogiri that names the wrong tile.
  auto log = test_support::parse_text(read_file("hanchan_double_ron.json"));
  ASSERT_TRUE(log.has_value());
  auto events = convert_log(*log);
  ASSERT_TRUE(events.has_value());
  for (Event& e : *events) {
    if (auto* dahai = std::get_if<ev::Dahai>(&e); dahai && dahai->tsumogiri) {
      dahai->pai = Tile(static_cast<std::uint8_t>((dahai->pai.index() + 1) % 34));
      break;
    }
  }
  EXPECT_NE(HandReplay().check(*events), "");
}

}  // namespace
}  // namespace paiscribe
