#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <string>
#include <string_view>

#include "paiscribe/xml/game_details.hpp"

// The texts Tenhou's JSON log writes where the XML record writes numbers:
// yaku, ranks and a win's points.
namespace paiscribe::xml {

// Yaku ids run from 0 (門前清自摸和) to 54 (赤ドラ).
inline constexpr std::size_t kYakuCount = 55;
// Ranks run from 0 (新人) to 20 (天鳳位).
inline constexpr std::size_t kDanCount = 21;

// "立直(1飜)", "ドラ(2飜)", or for a yakuman "大三元(役満)"; the id is below kYakuCount.
std::string yaku_text(WinDetails::Yaku yaku);

// "七段"; the rank is below kDanCount.
std::string_view dan_name(std::uint8_t dan);

// What a win scored (the record's "ten": fu, points without the honba,
// limit) as the JSON log writes it: "30符1飜1000点" for a win on a discard,
// "満貫2000-4000点" for a self-draw (the others' payment, then the dealer's),
// "跳満6000点∀" for the dealer's self-draw (what each pays). A limit runs from
// 0 (none, so fu and han are shown) to 5 (役満). Refused when the points
// cannot be paid so.
struct WinScore {
  std::int64_t fu;
  std::int64_t han;
  std::int64_t points;
  std::int64_t limit;
  bool self_draw;
  bool dealer;
};
std::expected<std::string, std::string> point_text(const WinScore& score);

}  // namespace paiscribe::xml
