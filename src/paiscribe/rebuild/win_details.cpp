#include "paiscribe/rebuild/win_details.hpp"

#include <algorithm>
#include <array>
#include <tuple>
#include <vector>

#include "paiscribe/scoring/points.hpp"

namespace paiscribe::rebuild {
namespace {

using scoring::Kind;
using scoring::Yaku;

constexpr std::size_t index_of(Yaku yaku) { return static_cast<std::size_t>(yaku); }

// Tenhou's id of each yaku; a yakuman Tenhou names two ways has the plain
// one here (see variant_id).
constexpr std::array<std::uint8_t, scoring::kScorerYakuCount> kTenhouIds = {
    0,  1,  21, 2,  3,  4,  5,  6,  7,  8,  9,   // menzen tsumo .. iipeikou
    10, 11, 12, 13, 14, 15, 16, 17,              // seat winds, round winds
    18, 19, 20,                                  // dragons
    22, 23, 24, 25, 26, 27, 28, 29, 30,          // chiitoitsu .. shousangen
    31, 32, 33, 34, 35,                          // honroutou .. chinitsu
    37, 38, 39, 40, 42, 43, 44, 45, 47, 49, 50, 51,  // tenhou .. suukantsu
    52, 54, 53,                                  // dora, aka dora, ura dora
};
static_assert(kTenhouIds[index_of(Yaku::Tenhou)] == 37 && kTenhouIds[index_of(Yaku::UraDora)] == 53);

// The order Tenhou lists a win's yaku in, as its logs show it. The honour
// yaku stand together where Value is, in the order of their sets: the
// concealed ones first, then the called ones as they were called. Yaku no
// real log shows side by side keep the order of their group here.
constexpr std::array kListOrder = {
    Yaku::Riichi, Yaku::DoubleRiichi, Yaku::Ippatsu, Yaku::RinshanKaihou, Yaku::Chankan, Yaku::Haitei,
    Yaku::Houtei, Yaku::MenzenTsumo, Yaku::Pinfu, Yaku::Iipeikou, Yaku::Ryanpeikou, Yaku::Chiitoitsu,
    Yaku::SanshokuDoujun, Yaku::Ittsu, Yaku::SanshokuDoukou, Yaku::Sankantsu, Yaku::Shousangen, Yaku::Toitoi,
    Yaku::Sanankou, Yaku::Honroutou, Yaku::Tanyao, Yaku::White /* Value */, Yaku::Chanta, Yaku::Junchan,
    Yaku::Honitsu, Yaku::Chinitsu, Yaku::Tenhou, Yaku::Chiihou, Yaku::Daisangen, Yaku::Suuankou, Yaku::Tsuuiisou,
    Yaku::Ryuuiisou, Yaku::Chinroutou, Yaku::Chuuren, Yaku::Kokushi, Yaku::Daisuushii, Yaku::Shousuushii,
    Yaku::Suukantsu, Yaku::Dora, Yaku::AkaDora, Yaku::UraDora,
};

// The honour yaku and the kind of tile each is for.
constexpr bool is_value(Yaku yaku) { return yaku >= Yaku::SeatWindEast && yaku <= Yaku::Red; }
constexpr Kind value_kind(Yaku yaku) {
  if (yaku >= Yaku::White) return static_cast<Kind>(scoring::kWhite + index_of(yaku) - index_of(Yaku::White));
  if (yaku >= Yaku::RoundWindEast)
    return static_cast<Kind>(scoring::kEast + index_of(yaku) - index_of(Yaku::RoundWindEast));
  return static_cast<Kind>(scoring::kEast + index_of(yaku) - index_of(Yaku::SeatWindEast));
}

constexpr std::array<std::uint8_t, scoring::kScorerYakuCount> kListRank = [] {
  std::array<std::uint8_t, scoring::kScorerYakuCount> rank{};
  for (std::size_t at = 0; at < kListOrder.size(); ++at) rank[index_of(kListOrder[at])] = static_cast<std::uint8_t>(at);
  for (std::size_t yaku = 0; yaku < rank.size(); ++yaku) {
    if (is_value(static_cast<Yaku>(yaku))) rank[yaku] = rank[index_of(Yaku::White)];
  }
  return rank;
}();
static_assert(kListOrder.size() + index_of(Yaku::Red) - index_of(Yaku::SeatWindEast) == scoring::kScorerYakuCount);

// The yakuman Tenhou names apart by the wait: four concealed triplets on
// a single wait, thirteen orphans on all thirteen, and the nine gates on all
// nine of their suit (the hand before the winning tile 1112345678999).
std::uint8_t variant_id(Yaku yaku, const rules::ScoredWin& win) {
  const auto& hand = win.concealed;
  const bool single_wait = hand[win.winning] == 2;
  switch (yaku) {
    case Yaku::Suuankou: return single_wait ? 41 : 40;
    case Yaku::Kokushi: return single_wait ? 48 : 47;
    case Yaku::Chuuren: {
      const int base = win.winning / 9 * 9;
      bool pure = true;
      for (int number = 0; number < 9; ++number) {
        const int held = hand[base + number] - (base + number == win.winning ? 1 : 0);
        pure = pure && held == (number == 0 || number == 8 ? 3 : 1);
      }
      return pure ? 46 : 45;
    }
    default: return kTenhouIds[index_of(yaku)];
  }
}

// Where the set of an honour yaku's kind stands: the concealed ones first,
// then the called ones in the order they were called.
std::size_t set_place(Kind kind, std::span<const Kind> called) {
  const auto at = std::ranges::find(called, kind);
  return at == called.end() ? 0 : 1 + static_cast<std::size_t>(at - called.begin());
}

WinLimit win_limit_of(const scoring::HandValue& value) {
  switch (scoring::limit_of(value)) {
    case scoring::Limit::None: return WinLimit::None;
    case scoring::Limit::Mangan: return WinLimit::Mangan;
    case scoring::Limit::Haneman: return WinLimit::Haneman;
    case scoring::Limit::Baiman: return WinLimit::Baiman;
    case scoring::Limit::Sanbaiman: return WinLimit::Sanbaiman;
    default: return WinLimit::Yakuman;  // a counted yakuman too
  }
}

}  // namespace

WinDetails win_details(const rules::ScoredWin& win, std::span<const Kind> called, Seat dealer) {
  const scoring::HandValue& value = win.value;
  const bool tsumo = win.actor == win.target;
  WinDetails details{
      .who = win.actor,
      .from_who = win.target,
      .pao_who = win.liable.value_or(win.actor),
      .fu = value.fu,
      .han = value.han,
      .points = scoring::hand_points(scoring::base_points(value), win.actor == dealer, tsumo),
      .limit = win_limit_of(value),
      .yaku = {},
  };
  // The sort key: the list's rank, then for an honour yaku its set's place
  // and kind, the round wind before the seat wind of one kind.
  using Key = std::tuple<std::uint8_t, std::size_t, Kind, bool>;
  const auto key = [&](const scoring::YakuHan& item) {
    if (!is_value(item.yaku)) return Key{kListRank[index_of(item.yaku)], 0, 0, false};
    const Kind kind = value_kind(item.yaku);
    return Key{kListRank[index_of(item.yaku)], set_place(kind, called), kind, item.yaku < Yaku::RoundWindEast};
  };
  std::vector<scoring::YakuHan> sorted(value.yaku.items().begin(), value.yaku.items().end());
  std::ranges::sort(sorted, {}, key);  // no two yaku share a key
  details.yaku.reserve(sorted.size());
  for (const scoring::YakuHan& item : sorted) {
    const std::uint8_t han = value.yakuman > 0 ? 0 : item.han;
    details.yaku.push_back({variant_id(item.yaku, win), han});
  }
  return details;
}

}  // namespace paiscribe::rebuild
