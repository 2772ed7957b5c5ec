#include "paiscribe/conv/kyoku_result.hpp"

#include <optional>
#include <string_view>

namespace paiscribe {
namespace {

// "和了", the only result name that means somebody won.
constexpr std::string_view kWinText = "\xE5\x92\x8C\xE4\xBA\x86";

// A seat number from a win's details: non-negative integers wrap to 8 bits,
// other numbers read as 0, anything that is no number is malformed.
std::optional<Seat> seat_from_detail(const ResultItem::Detail& detail) {
  switch (detail.kind) {
    case ResultItem::Detail::Kind::kNonNegative: return static_cast<Seat>(detail.non_negative & 0xFF);
    case ResultItem::Detail::Kind::kOtherNumber: return Seat{0};
    case ResultItem::Detail::Kind::kNoNumber: return std::nullopt;
  }
  return std::nullopt;
}

Draw digest_draw(std::span<const ResultItem> result) {
  Draw draw;
  if (result.size() >= 2) {
    if (const auto* deltas = std::get_if<ResultItem::Deltas>(&result[1].value)) draw.deltas = deltas->values;
  }
  return draw;
}

}  // namespace

std::expected<KyokuResult, InvalidLog> digest_result(std::span<const ResultItem> result) {
  if (result.empty()) return Draw{};
  const auto* name = std::get_if<ResultItem::Text>(&result.front().value);
  if (name == nullptr) return Draw{};
  if (name->value != kWinText) return digest_draw(result);

  Wins wins;
  const std::size_t pair_count = (result.size() - 1) / 2;
  for (std::size_t pair = 0; pair < pair_count; ++pair) {
    const auto* deltas = std::get_if<ResultItem::Deltas>(&result[1 + 2 * pair].value);
    const auto* details = std::get_if<ResultItem::Details>(&result[2 + 2 * pair].value);
    if (deltas == nullptr || details == nullptr) continue;
    if (details->count < 2) return std::unexpected(InvalidLog{"win details without winner and loser"});
    const auto actor = seat_from_detail(details->first[0]);
    const auto target = seat_from_detail(details->first[1]);
    if (!actor || !target) return std::unexpected(InvalidLog{"win details with a seat that is no number"});
    wins.wins.push_back(Win{deltas->values, *actor, *target});
  }
  return wins;
}

void close_kyoku(std::vector<Event>& events, const KyokuResult& result, std::span<const Tile> ura_indicators) {
  if (const auto* draw = std::get_if<Draw>(&result)) {
    events.emplace_back(ev::Ryukyoku{draw->deltas});
  } else {
    for (const Win& win : std::get<Wins>(result).wins) {
      events.emplace_back(ev::Hora{win.actor, win.target, win.deltas,
                                   std::vector<Tile>(ura_indicators.begin(), ura_indicators.end())});
    }
  }
  events.emplace_back(ev::EndKyoku{});
}

}  // namespace paiscribe
