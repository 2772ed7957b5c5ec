// Mjai lines back into Tenhou's record: what the real logs do not show, as
// Tenhou writes it. The real logs themselves come back whole in
// tests/python/test_tenhou_json.py.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "paiscribe/json/tenhou_texts.hpp"
#include "paiscribe/mjai/tile_lookup.hpp"
#include "paiscribe/rebuild/call_texts.hpp"
#include "paiscribe/rebuild/win_details.hpp"

namespace paiscribe::rebuild {
namespace {

Tile tile(std::string_view name) { return tile_named(name).value(); }

// The reader takes these back to the same tiles; the real logs show the
// rest of the forms.
TEST(CallTexts, TenhousOneForm) {
  const std::array red_pon{tile("5p"), tile("5pr")};
  const std::array plain_pon{tile("5p"), tile("5p")};
  const std::array red_kan{tile("5sr"), tile("5s"), tile("5s"), tile("5s")};
  const struct {
    std::string_view name;
    std::string text;
    std::string_view expected;
  } cases[] = {
      {"chi: own tiles by kind, the red five as a five", chi_text(tile("7p"), std::array{tile("6p"), tile("5pr")}),
       "c275226"},
      {"pon from the seat before", pon_text(tile("5p"), red_pon, 3), "p252552"},
      {"pon from across", pon_text(tile("5p"), red_pon, 2), "25p2552"},
      {"pon from the seat after", pon_text(tile("5pr"), plain_pon, 1), "2525p52"},
      {"open kan from the seat after", open_kan_text(tile("E"), std::array{tile("E"), tile("E"), tile("E")}, 1),
       "414141m41"},
      {"closed kan: the red five after the letter", closed_kan_text(red_kan), "353535a53"},
      {"added kan: a red five added", added_kan_text("25p2525", tile("5pr")), "25k522525"},
      {"added kan onto a pon with a red five", added_kan_text(pon_text(tile("5p"), red_pon, 3), tile("5p")),
       "k25252552"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.text, c.expected) << c.name;
}

scoring::KindCounts counts_of(std::initializer_list<std::string_view> names) {
  scoring::KindCounts counts{};
  for (const auto name : names) ++counts[scoring::kind_of(tile(name))];
  return counts;
}

std::string texts_of(const WinDetails& win) {
  std::string text;
  for (const auto& yaku : win.yaku) text += yaku_text(yaku) + " ";
  return text;
}

// Yakuman Tenhou names by their wait, and honour yaku in the order of their
// sets: the concealed ones by kind, then the called ones as called.
TEST(WinDetails, TenhousNamesAndOrder) {
  using scoring::Yaku;
  const auto yakuman = [](Yaku yaku) {
    scoring::HandValue value;
    value.yaku.add(yaku, 1);
    value.yakuman = 1;
    return value;
  };
  scoring::HandValue honours;
  for (const Yaku yaku : {Yaku::Red, Yaku::SeatWindEast, Yaku::White, Yaku::RoundWindEast, Yaku::Dora})
    honours.yaku.add(yaku, 1);
  honours.han = 5;
  const std::array called_red{scoring::kind_of(tile("C"))};
  const struct {
    std::string_view name;
    scoring::HandValue value;
    scoring::KindCounts concealed;
    std::string_view winning;
    std::vector<scoring::Kind> called;
    std::string_view expected;
  } cases[] = {
      {"four concealed triplets on a single wait", yakuman(Yaku::Suuankou),
       counts_of({"1m", "1m", "1m", "5p", "5p", "5p", "9s", "9s", "9s", "E", "E", "E", "N", "N"}), "N", {},
       "四暗刻単騎(役満) "},
      {"four concealed triplets on two pairs", yakuman(Yaku::Suuankou),
       counts_of({"1m", "1m", "1m", "5p", "5p", "5p", "9s", "9s", "9s", "E", "E", "E", "N", "N"}), "E", {},
       "四暗刻(役満) "},
      {"thirteen orphans on all thirteen", yakuman(Yaku::Kokushi),
       counts_of({"1m", "9m", "1p", "9p", "1s", "9s", "E", "S", "W", "N", "P", "F", "C", "C"}), "C", {},
       "国士無双１３面(役満) "},
      {"thirteen orphans on one", yakuman(Yaku::Kokushi),
       counts_of({"1m", "9m", "1p", "9p", "1s", "9s", "E", "S", "W", "N", "P", "F", "C", "C"}), "9m", {},
       "国士無双(役満) "},
      {"nine gates on all nine", yakuman(Yaku::Chuuren),
       counts_of({"1s", "1s", "1s", "2s", "3s", "4s", "5s", "5s", "6s", "7s", "8s", "9s", "9s", "9s"}), "5s", {},
       "純正九蓮宝燈(役満) "},
      {"nine gates on one", yakuman(Yaku::Chuuren),
       counts_of({"1s", "1s", "1s", "2s", "3s", "4s", "5s", "5s", "6s", "7s", "8s", "9s", "9s", "9s"}), "9s", {},
       "九蓮宝燈(役満) "},
      {"honours: concealed sets by kind, then the called", honours,
       counts_of({"E", "E", "E", "P", "P", "P", "1m", "2m", "3m", "4p", "4p"}), "1m",
       std::vector<scoring::Kind>(called_red.begin(), called_red.end()),
       "場風 東(1飜) 自風 東(1飜) 役牌 白(1飜) 役牌 中(1飜) ドラ(1飜) "},
  };
  for (const auto& c : cases) {
    const rules::ScoredWin win{1, 0, 0, c.value, {}, c.concealed, scoring::kind_of(tile(c.winning)), std::nullopt};
    EXPECT_EQ(texts_of(win_details(win, c.called, 0)), c.expected) << c.name;
  }
}

}  // namespace
}  // namespace paiscribe::rebuild
