#include "paiscribe/xml/details_reader.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <ranges>
#include <string>
#include <utility>

#include "paiscribe/xml/attribute_values.hpp"

namespace paiscribe::xml {
namespace {

constexpr std::int64_t kIntLimit = std::numeric_limits<std::int32_t>::max();

std::string count_fault(std::size_t count, std::string_view belong) {
  return std::to_string(count) + " numbers where " + std::string(belong) + " belong";
}

// The yaku and their han, then the yakuman, in the record's order. A yaku
// worth no han (the ura dora of a win without them) is not written.
TagRead<std::vector<WinDetails::Yaku>> yaku_of(const Tag& tag) {
  auto pairs = tag.optional_list("yaku", 0, 255);
  if (!pairs) return std::unexpected(std::move(pairs.error()));
  auto yakuman = tag.optional_list("yakuman", 0, kTenhouYakuIdCount - 1);
  if (!yakuman) return std::unexpected(std::move(yakuman.error()));
  if (pairs->size() % 2 != 0) return tag.fail_attribute("yaku", "a yaku without its han");
  std::vector<WinDetails::Yaku> yaku;
  for (std::size_t at = 0; at < pairs->size(); at += 2) {
    const auto id = (*pairs)[at];
    if (id >= static_cast<std::int64_t>(kTenhouYakuIdCount)) return tag.fail_attribute("yaku", std::to_string(id) + " names no yaku");
    if ((*pairs)[at + 1] != 0)
      yaku.push_back({static_cast<std::uint8_t>(id), static_cast<std::uint8_t>((*pairs)[at + 1])});
  }
  for (const auto id : *yakuman) yaku.push_back({static_cast<std::uint8_t>(id), 0});
  return yaku;
}

}  // namespace

TagRead<void> read_player_details(const Tag& tag, GameDetails& details) {
  if (tag.has("dan")) {
    auto dan = tag.integers<4>("dan", 0, kDanCount - 1);
    if (!dan) return std::unexpected(std::move(dan.error()));
    details.dan.emplace();
    for (std::size_t seat = 0; seat < 4; ++seat) (*details.dan)[seat] = static_cast<std::uint8_t>((*dan)[seat]);
  }
  if (tag.has("rate")) {
    auto rate = read_decimal_list(*tag.text("rate"));
    if (!rate) return tag.fail_attribute("rate", rate.error());
    if (rate->size() != 4) return tag.fail_attribute("rate", count_fault(rate->size(), "4"));
    details.rate.emplace();
    std::ranges::copy(*rate, details.rate->begin());
  }
  if (tag.has("sx")) {
    const std::string sx = without_references(*tag.text("sx"));
    details.sx.emplace();
    std::size_t seat = 0;
    for (const auto piece : std::views::split(std::string_view(sx), ',')) {
      if (seat == 4) return tag.fail_attribute("sx", "more than 4 values");
      (*details.sx)[seat++] = std::string(std::string_view(piece));
    }
    if (seat != 4) return tag.fail_attribute("sx", std::to_string(seat) + " values where 4 belong");
  }
  return {};
}

TagRead<WinDetails> read_win_details(const Tag& tag, Seat who, Seat from_who, bool dealer) {
  WinDetails win{who, from_who, who, 0, 0, 0, WinLimit::None, {}};
  if (tag.has("paoWho")) {
    auto liable = tag.seat("paoWho");
    if (!liable) return std::unexpected(std::move(liable.error()));
    win.pao_who = *liable;
  }
  auto yaku = yaku_of(tag);
  if (!yaku) return std::unexpected(std::move(yaku.error()));
  win.yaku = std::move(*yaku);
  auto ten = tag.integers<3>("ten", 0, kIntLimit);
  if (!ten) return std::unexpected(std::move(ten.error()));
  const auto [fu, points, limit] = *ten;
  auto limit_reached = win_limit_of(limit);
  if (!limit_reached) return tag.fail_attribute("ten", limit_reached.error());
  // The JSON log writes the points as the payments that make them.
  if (auto paid = payments_of(static_cast<std::int32_t>(points), who == from_who, dealer); !paid)
    return tag.fail_attribute("ten", paid.error());
  win.fu = static_cast<std::int32_t>(fu);
  win.points = static_cast<std::int32_t>(points);
  win.limit = *limit_reached;
  // A record's size keeps the sum far within 32 bits.
  for (const auto& one : win.yaku) win.han += one.han;
  return win;
}

TagRead<std::vector<double>> read_final_scores(const Tag& tag) {
  auto scores = read_decimal_list(*tag.text("owari"));
  if (!scores) return tag.fail_attribute("owari", scores.error());
  if (scores->size() != 8 && scores->size() != 16) return tag.fail_attribute("owari", count_fault(scores->size(), "8 or 16"));
  // Scores are in hundreds, held as 32-bit points like the kyokus' own.
  for (std::size_t seat = 0; seat < 4; ++seat) {
    if (std::fabs((*scores)[2 * seat]) > static_cast<double>(kHundredsLimit))
      return tag.fail_attribute("owari", "the score of seat " + std::to_string(seat) + " is out of range");
  }
  return std::move(*scores);
}

}  // namespace paiscribe::xml
