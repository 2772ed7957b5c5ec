// Hands on their own: waits against a plain search, and the scoring of the
// yaku that the real logs never show.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "paiscribe/scoring/hand_shape.hpp"
#include "paiscribe/scoring/hand_value.hpp"
#include "paiscribe/scoring/points.hpp"
#include "paiscribe/scoring/split_hand.hpp"

namespace paiscribe::scoring {
namespace {

// "123m55z": digits then their suit, z for the honours E S W N P F C.
KindCounts counts(std::string_view text) {
  KindCounts counts{};
  std::vector<int> digits;
  for (const char c : text) {
    if (c >= '0' && c <= '9') {
      digits.push_back(c - '1');
      continue;
    }
    const int base = c == 'm' ? 0 : c == 'p' ? 9 : c == 's' ? 18 : 27;
    for (const int digit : digits) ++counts[base + digit];
    digits.clear();
  }
  return counts;
}

Kind kind(std::string_view text) {
  const KindCounts one = counts(text);
  return static_cast<Kind>(std::ranges::find(one, 1) - one.begin());
}

// Waits by the slow road: add each kind and look for any reading at all.
KindMask plain_waits(const KindCounts& concealed, const KindCounts& held) {
  KindMask waits = 0;
  for (Kind each = 0; each < kKinds; ++each) {
    if (held[each] >= 4) continue;
    KindCounts hand = concealed;
    ++hand[each];
    if (splits_of(hand).count > 0 || is_seven_pairs(hand) || is_thirteen_orphans(hand)) waits |= bit(each);
  }
  return waits;
}

// A fixed sequence of numbers, so a failing hand comes again.
class Dice {
 public:
  int below(int bound) {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<int>((state_ >> 33) % static_cast<std::uint64_t>(bound));
  }

 private:
  std::uint64_t state_ = 12345;
};

// Sets and a pair, one tile taken out: tenpai by construction, as most
// riichi and ron hands are; or loose random tiles, as most draw hands are.
KindCounts random_hand(Dice& dice, int sets) {
  KindCounts hand{};
  const auto fits = [&] { return std::ranges::all_of(hand, [](auto count) { return count <= 4; }); };
  do {
    hand.fill(0);
    if (dice.below(3) == 0) {
      for (int tile = 0; tile < 3 * sets + 1; ++tile) ++hand[dice.below(kKinds)];
      continue;
    }
    for (int set = 0; set < sets; ++set) {
      const bool run = dice.below(2) == 0;
      const int first = run ? dice.below(3) * 9 + dice.below(7) : dice.below(kKinds);
      for (int step = 0; step < 3; ++step) ++hand[run ? first + step : first];
    }
    hand[dice.below(kKinds)] += 2;
    std::vector<Kind> held;
    for (Kind each = 0; each < kKinds; ++each)
      if (hand[each] > 0) held.push_back(each);
    --hand[held[dice.below(static_cast<int>(held.size()))]];
  } while (!fits());
  return hand;
}

TEST(Waits, MatchAPlainSearchOverManyHands) {
  Dice dice;
  int tenpai = 0;
  for (int round = 0; round < 20000; ++round) {
    const int sets = 1 + round % 4;
    const KindCounts hand = random_hand(dice, sets);
    const KindMask waits = waits_of(hand, hand);
    ASSERT_EQ(waits, plain_waits(hand, hand)) << "round " << round;
    ASSERT_EQ(is_tenpai(hand, hand), waits != 0) << "round " << round;
    tenpai += waits != 0;
  }
  EXPECT_GT(tenpai, 5000);  // the search met many waits, not only empty ones
}

TEST(Waits, SevenPairsOrphansAndTilesHeldInFull) {
  struct Case {
    std::string_view hand;
    std::string_view held_too;  // melded tiles, which count towards the four
    std::string_view waits;
  };
  const Case cases[] = {
      {"19m19p19s1234567z", "", "19m19p19s1234567z"},  // thirteen-sided
      {"119m19p19s123456z", "", "7z"},
      {"1122m3344p5566s7z", "", "7z"},
      {"1112345678999m", "", "123456789m"},  // nine gates
      {"1111m234p", "", ""},                 // a wait on a fifth 1m is none
      {"2223m", "", "134m"},
      {"5m", "555p", "5m"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hand);
    KindCounts held = counts(c.hand);
    const KindCounts melded = counts(c.held_too);
    for (Kind each = 0; each < kKinds; ++each) held[each] = static_cast<std::uint8_t>(held[each] + melded[each]);
    KindMask expected = 0;
    const KindCounts wanted = counts(c.waits);
    for (Kind each = 0; each < kKinds; ++each) expected |= wanted[each] ? bit(each) : 0;
    EXPECT_EQ(waits_of(counts(c.hand), held), expected);
  }
}

struct ValueCase {
  std::string_view name;
  std::string_view concealed;  // with the winning tile
  std::string_view winning;
  std::vector<Meld> melds;
  Situation situation;
  std::vector<Yaku> yaku;  // dora aside
  int han;                 // or yakuman count
  int fu;                  // 0 for a limit hand
  int points;              // what the others pay, honba aside
};

Meld pon(std::string_view tile) { return {MeldKind::Pon, kind(tile), 1, 0}; }
Meld open_kan(std::string_view tile) { return {MeldKind::OpenKan, kind(tile), 1, 0}; }

TEST(HandValue, YakuTheRealLogsNeverShow) {
  const Situation ron{.seat_wind = 28};
  const Situation tsumo{.seat_wind = 28, .tsumo = true};
  const Situation dealer_first{.tsumo = true, .first_draw = true};
  const Situation child_first{.seat_wind = 29, .tsumo = true, .first_draw = true};
  const Situation late_riichi{.seat_wind = 28, .riichi = true, .double_riichi = true, .ippatsu = true, .houtei = true};
  const Situation riichi{.seat_wind = 28, .riichi = true};
  const ValueCase cases[] = {
      {"kokushi", "19m19p19s12345677z", "7z", {}, ron, {Yaku::Kokushi}, 1, 0, 32000},
      {"chuuren", "11123455678999m", "5m", {}, ron, {Yaku::Chuuren}, 1, 0, 32000},
      {"ryuuiisou", "223344666888s66z", "6z", {}, tsumo, {Yaku::Ryuuiisou}, 1, 0, 32000},
      {"chinroutou and suuankou on a single wait stack", "111999m111999p11s", "1s", {}, ron,
       {Yaku::Chinroutou, Yaku::Suuankou}, 2, 0, 64000},
      {"a triplet won by ron is open: no suuankou", "111m999m111p222z33z", "2z", {}, ron,
       {Yaku::Toitoi, Yaku::Sanankou, Yaku::Honroutou, Yaku::SeatWindSouth}, 7, 0, 12000},
      {"daisuushii", "111222333z11m", "1m", {pon("4z")}, ron, {Yaku::Daisuushii}, 1, 0, 32000},
      {"shousuushii", "11122233344z123m", "3m", {}, ron, {Yaku::Shousuushii}, 1, 0, 32000},
      {"suukantsu", "55p", "5p", {open_kan("1m"), open_kan("2p"), open_kan("3s"), open_kan("4m")}, ron,
       {Yaku::Suukantsu}, 1, 0, 32000},
      {"tsuuiisou as seven pairs", "11223344556677z", "7z", {}, tsumo, {Yaku::Tsuuiisou}, 1, 0, 32000},
      {"tenhou", "123m456p789s11122z", "2z", {}, dealer_first, {Yaku::Tenhou}, 1, 0, 48000},
      {"chiihou", "123m456p789s11122z", "2z", {}, child_first, {Yaku::Chiihou}, 1, 0, 32000},
      {"sanshoku doukou", "222m222p222s77m", "7m", {pon("9s")}, ron,
       {Yaku::SanshokuDoukou, Yaku::Toitoi, Yaku::Sanankou}, 6, 0, 12000},
      {"sankantsu with open kans' fu", "234m77z", "4m", {open_kan("1p"), open_kan("2s"), open_kan("9m")}, ron,
       {Yaku::Sankantsu}, 2, 70, 4500},
      {"double riichi, ippatsu, houtei", "123456m234p67899s", "6s", {}, late_riichi,
       {Yaku::DoubleRiichi, Yaku::Ippatsu, Yaku::Houtei, Yaku::Pinfu}, 5, 0, 8000},
      {"4 han 30 fu is no mangan", "223344m567p234s88p", "4m", {}, riichi,
       {Yaku::Riichi, Yaku::Pinfu, Yaku::Tanyao, Yaku::Iipeikou}, 4, 30, 7700},
  };
  for (const ValueCase& c : cases) {
    SCOPED_TRACE(c.name);
    const WinningHand hand{counts(c.concealed), c.melds, kind(c.winning), 0};
    const auto value = value_hand(hand, c.situation);
    ASSERT_TRUE(value.has_value());
    std::vector<Yaku> yaku;
    for (const YakuHan& item : value->yaku.items()) yaku.push_back(item.yaku);
    std::ranges::sort(yaku);
    std::vector<Yaku> expected = c.yaku;
    std::ranges::sort(expected);
    EXPECT_EQ(yaku, expected);
    EXPECT_EQ(value->yakuman > 0 ? value->yakuman : value->han, c.han);
    if (c.fu != 0) {
      EXPECT_EQ(value->fu, c.fu);
    }
    EXPECT_EQ(hand_points(base_points(*value), c.situation.dealer(), c.situation.tsumo), c.points);
  }
}

TEST(HandValue, NoWinSaysWhy) {
  const Situation ron{.seat_wind = 28};
  const WinningHand incomplete{counts("123m456p789s12345z"), {}, kind("5z"), 0};
  EXPECT_EQ(value_hand(incomplete, ron).error(), NoWin::Incomplete);
  const std::vector<Meld> chi{{MeldKind::Chi, kind("1m"), 0, 0}};
  const WinningHand no_yaku{counts("456p789s234s99m"), chi, kind("9m"), 0};
  EXPECT_EQ(value_hand(no_yaku, ron).error(), NoWin::NoYaku);
}

}  // namespace
}  // namespace paiscribe::scoring
