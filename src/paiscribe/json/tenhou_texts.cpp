#include "paiscribe/json/tenhou_texts.hpp"

#include <array>
#include <charconv>

namespace paiscribe {
namespace {

constexpr std::array<std::string_view, kTenhouYakuIdCount> kYakuNames = {
    "門前清自摸和", "立直", "一発", "槍槓", "嶺上開花", "海底摸月", "河底撈魚", "平和", "断幺九", "一盃口",
    "自風 東", "自風 南", "自風 西", "自風 北", "場風 東", "場風 南", "場風 西", "場風 北",
    "役牌 白", "役牌 發", "役牌 中", "両立直", "七対子", "混全帯幺九", "一気通貫", "三色同順", "三色同刻",
    "三槓子", "対々和", "三暗刻", "小三元", "混老頭", "二盃口", "純全帯幺九", "混一色", "清一色",
    "人和", "天和", "地和", "大三元", "四暗刻", "四暗刻単騎", "字一色", "緑一色", "清老頭", "九蓮宝燈",
    "純正九蓮宝燈", "国士無双", "国士無双１３面", "大四喜", "小四喜", "四槓子", "ドラ", "裏ドラ", "赤ドラ",
};

constexpr std::array<std::string_view, kDanCount> kDanNames = {
    "新人", "９級", "８級", "７級", "６級", "５級", "４級", "３級", "２級", "１級", "初段",
    "二段", "三段", "四段", "五段", "六段", "七段", "八段", "九段", "十段", "天鳳位",
};

// WinLimit::None has no name: fu and han are written instead.
constexpr std::array<std::string_view, kWinLimitCount> kLimitNames = {"", "満貫", "跳満", "倍満", "三倍満", "役満"};

constexpr std::string_view kFu = "符";
constexpr std::string_view kHan = "飜";
constexpr std::string_view kYakuman = "役満";
constexpr std::string_view kPoints = "点";
constexpr std::string_view kFromEach = "∀";

}  // namespace

void append_yaku_text(std::string& text, WinDetails::Yaku yaku) {
  text += kYakuNames[yaku.id];
  text += '(';
  if (yaku.han == 0) {
    text += kYakuman;
  } else {
    char digits[4];
    text.append(digits, std::to_chars(digits, digits + sizeof digits, yaku.han).ptr);
    text += kHan;
  }
  text += ')';
}

std::string yaku_text(WinDetails::Yaku yaku) {
  std::string text;
  append_yaku_text(text, yaku);
  return text;
}

std::string_view dan_name(std::uint8_t dan) { return kDanNames[dan]; }

std::expected<std::string, std::string> point_text(const WinDetails& win, bool dealer) {
  const auto payments = payments_of(win.points, win.who == win.from_who, dealer);
  if (!payments) return std::unexpected(payments.error());
  const auto limit = static_cast<std::size_t>(win.limit);
  if (limit >= kWinLimitCount) return std::unexpected("limit " + std::to_string(limit) + " names no limit");
  std::string text;
  if (win.limit == WinLimit::None) {
    text = std::to_string(win.fu).append(kFu).append(std::to_string(win.han)).append(kHan);
  } else {
    text = kLimitNames[limit];
  }
  text += std::to_string(payments->from_each);
  switch (payments->kind) {
    case WinPayments::Kind::Discard: return text.append(kPoints);
    case WinPayments::Kind::DealerSelfDraw: return text.append(kPoints).append(kFromEach);
    case WinPayments::Kind::SelfDraw: break;
  }
  return text.append("-").append(std::to_string(payments->from_dealer)).append(kPoints);
}

}  // namespace paiscribe
