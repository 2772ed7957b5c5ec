// An XML record written as Tenhou's JSON log: the texts Tenhou writes where
// the record holds numbers, the details checked on the way, and the game id
// a downloaded file is named after. The whole log against its JSON twins is
// in tests/python/test_mjlog.py.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "paiscribe/json/tenhou_texts.hpp"
#include "paiscribe/pipeline/tenhou_json_export.hpp"
#include "paiscribe/xml/parse_mjlog.hpp"

namespace paiscribe {
namespace {

// Texts as Tenhou's own logs hold them (the 三倍満 row excepted, which no sample has).
TEST(TenhouJson, PointTexts) {
  constexpr Seat kRon = 1, kSelfDraw = 0;
  constexpr bool kOther = false, kDealer = true;
  using enum WinLimit;
  const struct {
    std::int32_t fu, han, points;
    WinLimit limit;
    Seat from_who;  // the winner is seat 0
    bool dealer;
    std::string_view text;  // or the refusal's
  } cases[] = {
      {30, 1, 1000, None, kRon, kOther, "30符1飜1000点"},
      {30, 4, 11600, None, kRon, kDealer, "30符4飜11600点"},
      {30, 1, 1100, None, kSelfDraw, kOther, "30符1飜300-500点"},
      {20, 2, 1500, None, kSelfDraw, kOther, "20符2飜400-700点"},
      {30, 4, 7900, None, kSelfDraw, kOther, "30符4飜2000-3900点"},
      {30, 1, 1500, None, kSelfDraw, kDealer, "30符1飜500点∀"},
      {20, 3, 3900, None, kSelfDraw, kDealer, "20符3飜1300点∀"},
      {20, 4, 8000, Mangan, kSelfDraw, kOther, "満貫2000-4000点"},
      {40, 5, 12000, Mangan, kRon, kDealer, "満貫12000点"},
      {30, 6, 18000, Haneman, kSelfDraw, kDealer, "跳満6000点∀"},
      {40, 8, 16000, Baiman, kSelfDraw, kOther, "倍満4000-8000点"},
      {40, 11, 24000, Sanbaiman, kSelfDraw, kOther, "三倍満6000-12000点"},
      {40, 14, 32000, Yakuman, kSelfDraw, kOther, "役満8000-16000点"},
      {0, 0, 32000, Yakuman, kRon, kOther, "役満32000点"},
      {0, 0, 64000, Yakuman, kSelfDraw, kOther, "役満16000-32000点"},
      {30, 1, 1050, None, kRon, kOther, "1050 points are no positive hundreds"},
      {30, 1, 0, None, kRon, kOther, "0 points are no positive hundreds"},
      {30, 1, 1000, None, kSelfDraw, kOther, "1000 points are no self-draw's payments"},
      {30, 1, 1000, None, kSelfDraw, kDealer, "1000 points are no self-draw's payments"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const WinDetails win{0, c.from_who, 0, c.fu, c.han, c.points, c.limit, {}};
    const auto text = point_text(win, c.dealer);
    EXPECT_EQ(text ? *text : text.error(), c.text);
  }
}

TEST(TenhouJson, YakuAndRankTexts) {
  const struct {
    WinDetails::Yaku yaku;
    std::string_view text;
  } yaku[] = {
      {{1, 1}, "立直(1飜)"},         {{52, 2}, "ドラ(2飜)"},   {{20, 1}, "役牌 中(1飜)"},
      {{14, 1}, "場風 東(1飜)"},     {{39, 0}, "大三元(役満)"}, {{41, 0}, "四暗刻単騎(役満)"},
      {{48, 0}, "国士無双１３面(役満)"}, {{54, 13}, "赤ドラ(13飜)"},
  };
  for (const auto& c : yaku) EXPECT_EQ(yaku_text(c.yaku), c.text);
  const struct {
    std::uint8_t dan;
    std::string_view name;
  } ranks[] = {{0, "新人"}, {6, "４級"}, {9, "１級"}, {10, "初段"}, {16, "七段"}, {19, "十段"}, {20, "天鳳位"}};
  for (const auto& c : ranks) EXPECT_EQ(dan_name(c.dan), c.name);
}

std::string read_sample(std::string_view name) {
  std::ifstream in(std::string(PAISCRIBE_TEST_DATA) + "/mjlog/" + std::string(name), std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

// The conversion does not read these, so only a reader asked for the
// details refuses them.
TEST(TenhouJson, DetailsAreChecked) {
  const std::string game = read_sample("mjlog_001.xml");
  const struct {
    std::string_view name;
    std::string_view find;
    std::string_view replace;
    std::string_view message_ends;
  } cases[] = {
      {"a yaku id past the last", R"(yaku="28,2,)", R"(yaku="55,2,)", "yaku: 55 names no yaku"},
      {"a yaku without its han", R"(yaku="28,2,)", R"(yaku="28,)", "yaku: a yaku without its han"},
      {"a yakuman id past the last", R"(yaku="28,2,14,1,12,1,34,2")", R"(yakuman="55")", "yakuman: \"55\" is out of range 0..54"},
      {"points no payment makes", R"(ten="40,12000,2")", R"(ten="40,12100,0")", "ten: 12100 points are no self-draw's payments"},
      {"a limit past 役満", R"(ten="40,12000,2")", R"(ten="40,12000,6")", "ten: limit 6 is none of 0 to 5"},
      {"a rank past 天鳳位", R"(dan="16,16,16,18")", R"(dan="16,16,16,21")", "dan: \"21\" is out of range 0..20"},
      {"three ratings", R"(rate="2074.70,)", R"(rate=")", "rate: 3 numbers where 4 belong"},
      {"five sexes", R"(sx="M,M,F,M")", R"(sx="M,M,F,M,M")", "sx: more than 4 values"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string text = game;
    const auto at = text.find(c.find);
    ASSERT_NE(at, std::string::npos);
    text.replace(at, c.find.size(), c.replace);
    PaddedText plain(text);
    EXPECT_TRUE(parse_mjlog(plain).has_value());
    PaddedText asked(text);
    GameDetails details;
    const auto log = parse_mjlog(asked, {}, &details);
    ASSERT_FALSE(log.has_value());
    EXPECT_TRUE(log.error().message.ends_with(c.message_ends)) << log.error().message;
  }
}

TEST(TenhouJson, GameIdOfAFileName) {
  const struct {
    std::string_view path;
    std::string_view id;
  } cases[] = {
      {"2019021004gm-00a9-0000-e2f6516d.xml", "2019021004gm-00a9-0000-e2f6516d"},
      {"logs/2022060222gm-0001-0000-a87679bc&tw=3.mjlog", "2022060222gm-0001-0000-a87679bc"},
      {"/a/2018020420gm-0001-14423-3290b527.xml.gz", "2018020420gm-0001-14423-3290b527"},
      {"2019021004gm-00a9-0000-e2f6516d", "2019021004gm-00a9-0000-e2f6516d"},
      {"2019021004gm-00a9-0000-e2f6516d/game.xml", ""},
      {"game.xml", ""},
      {"2019021004gm-00a9-0000-e2f6516dx.xml", ""},
      {"2019021004gm-00a9-0000-e2f6516.xml", ""},
      {"201902100gm-00a9-0000-e2f6516d.xml", ""},
      {"2019021004gm-00A9-0000-e2f6516d.xml", ""},
      {"2019021004gm--0000-e2f6516d.xml", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(game_id_of_path(c.path), c.id) << c.path;
}

}  // namespace
}  // namespace paiscribe
