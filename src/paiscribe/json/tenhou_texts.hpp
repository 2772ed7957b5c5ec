#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>

#include "paiscribe/record/game_details.hpp"

// The texts Tenhou's JSON log writes where the XML record writes numbers:
// yaku, ranks and a win's points.
namespace paiscribe {

// "立直(1飜)", "ドラ(2飜)", or for a yakuman "大三元(役満)"; the id is below kTenhouYakuIdCount.
std::string yaku_text(WinDetails::Yaku yaku);
// The same added to `text`, in the room it has.
void append_yaku_text(std::string& text, WinDetails::Yaku yaku);

// "七段"; the rank is below kDanCount.
std::string_view dan_name(std::uint8_t dan);

// What a win scored as the JSON log writes it: "30符1飜1000点" for a win on
// a discard, "満貫2000-4000点" for a self-draw (the others' payment, then the
// dealer's), "跳満6000点∀" for the dealer's self-draw (what each pays); a
// limit is named instead of fu and han. `dealer`: the winner deals. Refused
// when no payments make the points (see payments_of).
std::expected<std::string, std::string> point_text(const WinDetails& win, bool dealer);

}  // namespace paiscribe
