// Tenhou's XML records read into the same record as their JSON twins, and
// every malformed record ends in an error that says what and where.

#include "paiscribe/xml/parse_mjlog.hpp"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "conversion_test_support.hpp"
#include "paiscribe/io/gzip.hpp"
#include "paiscribe/xml/call_bits.hpp"

namespace paiscribe {
namespace {

std::string read_file(std::string_view name) {
  std::ifstream in(std::string(PAISCRIBE_TEST_DATA) + "/mjlog/" + std::string(name), std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

std::string edited(std::string text, std::string_view find, std::string_view replace);

std::expected<RawLog, MjlogError> parse_xml(std::string_view text) {
  PaddedText xml(text);
  return parse_mjlog(xml);
}

TEST(Mjlog, GivesTheLinesOfItsJsonTwin) {
  const struct {
    std::string_view xml;
    std::string_view json;
    std::vector<std::string> xml_names;  // when the twins name the players differently
    std::size_t kyokus;
  } cases[] = {
      {"mjlog_001.xml", "real_001.json", {}, 10},
      {"mjlog_023.xml", "real_011.json", {"player1", "player2", "player3", "player4"}, 12},
      {"mjlog_005.xml", "real_005.json", {}, 12},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.xml);
    auto from_xml = parse_xml(read_file(c.xml));
    ASSERT_TRUE(from_xml.has_value()) << from_xml.error().message;
    auto from_json = test_support::parse_text(read_file(c.json));
    ASSERT_TRUE(from_json.has_value()) << from_json.error().description;
    EXPECT_EQ(from_xml->kyokus.size(), c.kyokus);
    if (!c.xml_names.empty()) {
      EXPECT_EQ(std::vector(from_xml->name.begin(), from_xml->name.end()), c.xml_names);
      from_xml->name = from_json->name;
    }
    const auto expected = test_support::lines_of(*from_json);
    const auto actual = test_support::lines_of(*from_xml);
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t at = 0; at < actual.size(); ++at) EXPECT_EQ(actual[at], expected[at]) << "line " << at;
  }
}

// Any four-player room converts, from what its kyokus hold: an East-only
// type whose game reaches South gives what its JSON log gives.
TEST(Mjlog, AnyFourPlayerTypeConvertsFromItsContents) {
  const std::string xml = read_file("mjlog_001.xml");
  const std::string json = read_file("real_001.json");
  const struct {
    std::string_view rule;
    std::string_view type;
    std::string_view disp;  // the JSON log's name of that rule
  } cases[] = {
      {"East-only, South reached all the same", "161", "鳳東喰赤"},
      {"played for chips", "1705", "鳳南喰赤"},
      {"fast", "233", "鳳南喰赤速"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rule);
    auto from_xml = parse_xml(edited(xml, R"(<GO type="169")", R"(<GO type=")" + std::string(c.type) + '"'));
    ASSERT_TRUE(from_xml.has_value()) << from_xml.error().message;
    EXPECT_EQ(from_xml->rule.disp, c.disp);
    auto from_json = test_support::parse_text(edited(json, R"("disp":"鳳南喰赤")", R"("disp":")" + std::string(c.disp) + '"'));
    ASSERT_TRUE(from_json.has_value()) << from_json.error().description;
    EXPECT_EQ(test_support::lines_of(*from_xml), test_support::lines_of(*from_json));
  }
}

// Names come %-escaped, and a record may write a character as a reference too.
TEST(Mjlog, NamesAreDecoded) {
  const std::string game = read_file("mjlog_023.xml");
  const struct {
    std::string_view written;
    std::string_view name;
  } cases[] = {
      {"%E9%AC%BC%E3%83%85%E3%83%A2", "鬼ヅモ"},
      {"a&amp;b &lt;&gt;&quot;&apos;", "a&b <>\"'"},
      {"&#x41;&#66;&#x9B3C;", "AB鬼"},
      {"%26amp;", "&amp;"},
      {"&bogus; &#x110000; &amp", "&bogus; &#x110000; &amp"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.written);
    const auto log = parse_xml(edited(game, R"(n0="player1")", R"(n0=")" + std::string(c.written) + '"'));
    ASSERT_TRUE(log.has_value()) << log.error().message;
    EXPECT_EQ(log->name[0], c.name);
  }
}

std::string gunzipped(const std::string& packed) {
  PaddedText text;
  auto inflated = gunzip(packed, text);
  if (!inflated) ADD_FAILURE() << inflated.error().message;
  return std::string(text.view());
}

// A game played for chips writes each result's chips after its scores; the
// same game without them gives the same lines.
TEST(Mjlog, ChipGameConverts) {
  auto chips = parse_xml(read_file("chip_game.xml"));
  ASSERT_TRUE(chips.has_value()) << chips.error().message;
  auto plain = parse_xml(gunzipped(read_file("mjlog_007.mjlog")));
  ASSERT_TRUE(plain.has_value()) << plain.error().message;
  const auto lines = test_support::lines_of(*chips);
  EXPECT_EQ(lines.size(), 378u);
  EXPECT_EQ(lines, test_support::lines_of(*plain));
}

TEST(Mjlog, CompressedRecordConvertsAfterGunzip) {
  const std::string packed = read_file("mjlog_007.mjlog");
  ASSERT_TRUE(is_gzip(packed));
  PaddedText xml;
  auto inflated = gunzip(packed, xml);
  ASSERT_TRUE(inflated.has_value()) << inflated.error().message;
  auto log = parse_mjlog(xml);
  ASSERT_TRUE(log.has_value()) << log.error().message;
  const auto lines = test_support::lines_of(*log);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_TRUE(lines.front().starts_with(R"({"type":"start_game","names":["NoName","liuch031","tnjs5566","三色豆大好き"],)"))
      << lines.front();
  EXPECT_NE(lines.front().find(R"("kyoku_first":4,"aka_flag":true)"), std::string::npos) << lines.front();
  ASSERT_GE(lines.size(), 5u);
  // The last kyoku ends in a double ron; both wins show the one winner in riichi's ura indicator.
  EXPECT_EQ(lines[lines.size() - 4],
            R"({"type":"hora","actor":2,"target":1,"deltas":[0,-8000,9000,0],"ura_markers":["6m"]})");
  EXPECT_EQ(lines[lines.size() - 3],
            R"({"type":"hora","actor":0,"target":1,"deltas":[5200,-5200,0,0],"ura_markers":["6m"]})");
}

TEST(Mjlog, ThreePlayerGameIsRefused) {
  auto log = parse_xml(read_file("mjlog_011.xml"));
  ASSERT_FALSE(log.has_value());
  EXPECT_EQ(log.error().kind, MjlogErrorKind::ThreePlayerGame);
  EXPECT_EQ(log.error().message, "<GO> (tag 1, before the first kyoku): type 185 is a three-player game");
  const std::string game = read_file("mjlog_023.xml");
  log = parse_xml(game.substr(0, game.find("<GO type=\"9\"")) + "<GO type=\"25\"" +
                  game.substr(game.find("<GO type=\"9\"") + 12));
  ASSERT_FALSE(log.has_value());
  EXPECT_EQ(log.error().kind, MjlogErrorKind::ThreePlayerGame);
}

// The bits of <N m>, packed as the record packs them.
constexpr unsigned kKinds5m = 4, kKinds5p = 13, kKinds5s = 22, kKindEast = 27;
constexpr unsigned kFromNext = 1, kFromAcross = 2, kFromBefore = 3;

unsigned chi_bits(unsigned first_kind, unsigned taken_at, std::array<unsigned, 3> copies) {
  const unsigned start = first_kind / 9 * 7 + first_kind % 9;
  return ((start * 3 + taken_at) << 10) | (copies[0] << 3) | (copies[1] << 5) | (copies[2] << 7) | 0x4 | kFromBefore;
}
// A pon (or the added kan made of it): `left_out` is the copy not in the pon,
// `taken_at` the taken one's place among the other three.
unsigned triplet_bits(unsigned kind_bit, unsigned kind, unsigned taken_at, unsigned left_out, unsigned from) {
  return ((kind * 3 + taken_at) << 9) | (left_out << 5) | kind_bit | from;
}
unsigned pon_bits(unsigned kind, unsigned taken_at, unsigned left_out, unsigned from) {
  return triplet_bits(0x8, kind, taken_at, left_out, from);
}
unsigned added_kan_bits(unsigned kind, unsigned taken_at, unsigned added, unsigned from) {
  return triplet_bits(0x10, kind, taken_at, added, from);
}
unsigned kan_bits(unsigned id, unsigned from) { return (id << 8) | from; }

// Every call kind with and without a red five (ids 16, 52, 88) among the
// caller's own tiles: the JSON log lists them in hand order, a red five after
// its plain fives, and an added kan writes the added tile before its pon's taken one.
TEST(Mjlog, CallBitsBecomeNotation) {
  const struct {
    std::string_view call;
    unsigned bits;
    std::string_view notation;  // empty: the bits make no call
    bool red_fives = true;
  } cases[] = {
      {"chi 3m 4m 5m taking the 4m", chi_bits(2, 1, {0, 0, 1}), "c141315"},
      {"chi taking 4m, red 5m and 6m in hand", chi_bits(3, 0, {0, 0, 0}), "c145116"},
      {"chi taking the red 5m", chi_bits(2, 2, {0, 0, 0}), "c511314"},
      {"chi without red fives in the rule", chi_bits(3, 0, {0, 0, 0}), "c141516", false},
      {"pon 5p from across, the red five left out", pon_bits(kKinds5p, 0, 0, kFromAcross), "25p2525"},
      {"pon 5p from across, red five in hand", pon_bits(kKinds5p, 1, 3, kFromAcross), "25p2552"},
      {"pon 5s from the seat before, red five in hand", pon_bits(kKinds5s, 1, 1, kFromBefore), "p353553"},
      {"pon 5p from the next seat, taking the red five", pon_bits(kKinds5p, 0, 3, kFromNext), "2525p52"},
      {"pon 5m from the next seat, red five in hand", pon_bits(kKinds5m, 1, 3, kFromNext), "1551p15"},
      {"pon without red fives in the rule", pon_bits(kKinds5p, 1, 3, kFromAcross), "25p2525", false},
      {"open kan 1m from across", kan_bits(1, kFromAcross), "11m111111"},
      {"open kan 5s from the seat before, red five in hand", kan_bits(89, kFromBefore), "m35353553"},
      {"open kan 5m from the next seat, red five in hand", kan_bits(17, kFromNext), "151551m15"},
      {"open kan 5m from across, taking the red five", kan_bits(16, kFromAcross), "15m511515"},
      {"open kan W from the next seat", kan_bits(118, kFromNext), "434343m43"},
      {"closed kan of N", kan_bits(120, 0), "444444a44"},
      {"closed kan 5p named by its red five", kan_bits(52, 0), "252525a52"},
      {"closed kan 5p named by a plain five", kan_bits(54, 0), "252525a52"},
      {"closed kan 5p without red fives in the rule", kan_bits(52, 0), "252525a25", false},
      {"added kan of E on a pon from the seat before", added_kan_bits(kKindEast, 2, 1, kFromBefore), "k41414141"},
      {"added plain 5m on a pon that took the red five", added_kan_bits(kKinds5m, 0, 3, kFromBefore), "k15511515"},
      {"added red 5m on a pon from across", added_kan_bits(kKinds5m, 0, 0, kFromAcross), "15k511515"},
      {"added plain 5m on a pon from the next seat, red five in hand", added_kan_bits(kKinds5m, 1, 3, kFromNext),
       "1551k1515"},
      {"chi that starts at a wind", (21 * 3 << 10) | 0x4 | 3, ""},
      {"chi from across", (1 << 10) | 0x4 | 2, ""},
      {"pon of kind 34", (34 * 3 << 9) | 0x8 | 1, ""},
      {"kan of id 136", (136 << 8) | 1, ""},
      {"north set aside", 0x20, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.call);
    const auto call = xml::decode_call_bits(c.bits);
    EXPECT_EQ(call.has_value(), !c.notation.empty());
    if (call) {
      EXPECT_EQ(xml::call_notation(*call, c.red_fives), c.notation);
    }
  }
}

std::string edited(std::string text, std::string_view find, std::string_view replace) {
  const auto at = text.find(find);
  if (at == std::string::npos) {
    ADD_FAILURE() << "the sample holds no " << find;
  } else {
    text.replace(at, find.size(), replace);
  }
  return text;
}

TEST(Mjlog, MalformedRecordsSayWhatAndWhere) {
  const std::string game = read_file("mjlog_023.xml");  // one tag per line
  const std::string minimal = R"(<mjloggm ver="2.3"><GO type="9"/><UN n0="a" n1="b" n2="c" n3="d"/></mjloggm>)";
  const struct {
    std::string_view name;
    std::string text;
    std::string_view message_holds;
  } cases[] = {
      {"empty text", "", "No document element"},
      {"cut short", game.substr(0, game.size() / 2), "before the record does: is the file cut short?"},
      {"cut short after a tag", game.substr(0, game.find("<T127/>") + 7), "is the file cut short?"},
      {"a tag closed wrong", edited(game, "<T127/>", "<T127></U>"), "mismatch at byte"},
      {"no tag first", "{\"log\": 1}<", "at byte"},
      {"another root", "<html><T1/></html>", "<mjloggm>"},
      {"text between tags", edited(game, "<T127/>", "<T127/>x"), "text (tag 7"},
      {"no kyoku", minimal, "no kyoku"},
      {"no rule", edited(game, "<GO ", "<BYE "), "before the rule"},
      {"no first INIT", edited(game, "<INIT ", "<BYE "), "<T127> (tag 6, before the first kyoku)"},
      {"no final scores", edited(game, " owari=", " x="), "final scores"},
      {"unknown tag", edited(game, "<T127/>", "<X127/>"), "<X127>"},
      {"draw with no id", edited(game, "<T127/>", "<T/>"), "<T>"},
      {"score no number", edited(game, R"(ten="250,250)", R"(ten="250,25x)"), "ten: \"25x\""},
      {"hand of 12", edited(game, R"(hai0="17,)", R"(hai0=")"), "hai0: 12 numbers"},
      {"tile id 136", edited(game, "<T127/>", "<T136/>"), "kyoku 1): tile id"},
      {"dora id 136", edited(game, R"(seed="0,0,0,4,4,100")", R"(seed="0,0,0,4,4,136")"), "seed"},
      {"seat 4", edited(game, R"(who="3" m="15945")", R"(who="4" m="15945")"), "who: \"4\""},
      {"huge m", edited(game, R"(m="15945")", R"(m="99999999999999999999999")"), "m: "},
      {"north set aside", edited(game, R"(m="15945")", R"(m="32")"), "three players"},
      {"huge score", edited(game, R"(ten="250,)", R"(ten="22000000,)"), "out of range"},
      {"name not UTF-8", edited(game, R"(n0="player1")", R"(n0="%FF")"), "n0:"},
      {"result with 7 numbers", edited(game, R"(sc="250,-20,)", R"(sc="-20,)"), "sc: 7 numbers where 8 or 16 belong"},
      {"result with 9 numbers", edited(game, R"(sc="250,-20,)", R"(sc="0,250,-20,)"), "sc: 9 numbers where 8 or 16 belong"},
      {"result with 17 numbers", edited(game, R"(sc="250,-20,)", R"(sc="0,0,0,0,0,0,0,0,0,250,-20,)"),
       "sc: more than 16 numbers"},
      {"final scores of 7", edited(game, R"(owari="219,-18.0,)", R"(owari="-18.0,)"), "owari: 7 numbers where 8 or 16 belong"},
      {"final score no number", edited(game, R"(owari="219,)", R"(owari="nan,)"), "owari: \"nan\" is no decimal number"},
      {"unknown draw", edited(game, R"(type="kaze4")", R"(type="kaze5")"), "kaze5"},
      {"wrong dealer", edited(game, R"(oya="0" hai0)", R"(oya="1" hai0)"), "oya"},
      {"call on nobody's discard", edited(game, R"(who="3" m="15945")", R"(who="1" m="15945")"),
       "did not just discard"},
      {"discard out of turn", edited(game, "<D118/>", "<E118/>"), "seat 1 discards out of turn"},
      {"two draws in a row", edited(game, "<D118/>", "<U5/>"), "yet to discard"},
      {"play after the result", edited(game, R"(<INIT seed="1,0,0)", R"(<T1/><INIT seed="1,0,0)"),
       "after the kyoku's result"},
      {"draw after a win", edited(game, "<RYUUKYOKU ", "<AGARI who=\"0\" fromWho=\"0\" sc=\"0,0,0,0,0,0,0,0\"/><RYUUKYOKU "), "draw after the kyoku's result"},
      {"kyoku without result", edited(game, "<AGARI ba=\"0,1\"", "<BYE ba=\"0,1\""),
       "before the last one had its result"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto log = parse_xml(c.text);
    ASSERT_FALSE(log.has_value());
    EXPECT_EQ(log.error().kind, MjlogErrorKind::NotAGame) << log.error().message;
    EXPECT_NE(log.error().message.find(c.message_holds), std::string::npos) << log.error().message;
  }
}

}  // namespace
}  // namespace paiscribe
