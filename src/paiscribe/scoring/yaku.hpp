#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace paiscribe::scoring {

// Every yaku Tenhou scores, the dora counts after them.
enum class Yaku : std::uint8_t {
  MenzenTsumo, Riichi, DoubleRiichi, Ippatsu, Chankan, RinshanKaihou, Haitei, Houtei, Pinfu, Tanyao, Iipeikou,
  SeatWindEast, SeatWindSouth, SeatWindWest, SeatWindNorth,
  RoundWindEast, RoundWindSouth, RoundWindWest, RoundWindNorth,
  White, Green, Red,
  Chiitoitsu, Chanta, Ittsu, SanshokuDoujun, SanshokuDoukou, Sankantsu, Toitoi, Sanankou, Shousangen,
  Honroutou, Ryanpeikou, Junchan, Honitsu, Chinitsu,
  Tenhou, Chiihou, Daisangen, Suuankou, Tsuuiisou, Ryuuiisou, Chinroutou, Chuuren, Kokushi, Daisuushii,
  Shousuushii, Suukantsu,
  Dora, AkaDora, UraDora,
};
inline constexpr std::size_t kScorerYakuCount = static_cast<std::size_t>(Yaku::UraDora) + 1;

// han closed and open (0: not open); a yakuman counts one yakuman instead.
struct YakuInfo {
  std::string_view name;
  std::uint8_t closed_han;
  std::uint8_t open_han;
  bool yakuman = false;
};

inline constexpr std::array<YakuInfo, kScorerYakuCount> kYakuInfo = {{
    {"menzen tsumo", 1, 0}, {"riichi", 1, 0}, {"double riichi", 2, 0}, {"ippatsu", 1, 0},
    {"chankan", 1, 1}, {"rinshan kaihou", 1, 1}, {"haitei", 1, 1}, {"houtei", 1, 1},
    {"pinfu", 1, 0}, {"tanyao", 1, 1}, {"iipeikou", 1, 0},
    {"seat wind East", 1, 1}, {"seat wind South", 1, 1}, {"seat wind West", 1, 1}, {"seat wind North", 1, 1},
    {"round wind East", 1, 1}, {"round wind South", 1, 1}, {"round wind West", 1, 1}, {"round wind North", 1, 1},
    {"white dragon", 1, 1}, {"green dragon", 1, 1}, {"red dragon", 1, 1},
    {"chiitoitsu", 2, 0}, {"chanta", 2, 1}, {"ittsu", 2, 1}, {"sanshoku doujun", 2, 1},
    {"sanshoku doukou", 2, 2}, {"sankantsu", 2, 2}, {"toitoi", 2, 2}, {"sanankou", 2, 2},
    {"shousangen", 2, 2}, {"honroutou", 2, 2}, {"ryanpeikou", 3, 0}, {"junchan", 3, 2},
    {"honitsu", 3, 2}, {"chinitsu", 6, 5},
    {"tenhou", 0, 0, true}, {"chiihou", 0, 0, true}, {"daisangen", 0, 0, true}, {"suuankou", 0, 0, true},
    {"tsuuiisou", 0, 0, true}, {"ryuuiisou", 0, 0, true}, {"chinroutou", 0, 0, true}, {"chuuren poutou", 0, 0, true},
    {"kokushi musou", 0, 0, true}, {"daisuushii", 0, 0, true}, {"shousuushii", 0, 0, true},
    {"suukantsu", 0, 0, true},
    {"dora", 0, 0}, {"aka dora", 0, 0}, {"ura dora", 0, 0},
}};

constexpr const YakuInfo& info(Yaku yaku) { return kYakuInfo[static_cast<std::size_t>(yaku)]; }
constexpr Yaku yaku_at(Yaku first, int offset) { return static_cast<Yaku>(static_cast<int>(first) + offset); }

}  // namespace paiscribe::scoring
