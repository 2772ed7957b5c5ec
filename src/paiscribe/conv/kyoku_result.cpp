#include "paiscribe/conv/kyoku_result.hpp"

#include <optional>
#include <string_view>

#include "paiscribe/record/notation.hpp"

namespace paiscribe {
namespace {

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

KyokuResult digest_draw(std::span<const ResultItem> result) {
  KyokuResult draw;
  if (result.size() >= 2) {
    if (const auto* deltas = std::get_if<ResultItem::Deltas>(&result[1].value)) draw.draw_deltas = deltas->values;
  }
  return draw;
}

}  // namespace

std::expected<KyokuResult, InvalidLog> digest_result(std::span<const ResultItem> result, std::vector<Win>& wins) {
  if (result.empty()) return KyokuResult{};
  const auto* name = std::get_if<ResultItem::Text>(&result.front().value);
  if (name == nullptr) return KyokuResult{};
  if (name->value != notation::kWin) return digest_draw(result);

  KyokuResult won{true, wins.size(), 0, {}};
  const std::size_t pair_count = (result.size() - 1) / 2;
  for (std::size_t pair = 0; pair < pair_count; ++pair) {
    const auto* deltas = std::get_if<ResultItem::Deltas>(&result[1 + 2 * pair].value);
    const auto* details = std::get_if<ResultItem::Details>(&result[2 + 2 * pair].value);
    if (deltas == nullptr || details == nullptr) continue;
    if (details->count < 2) return std::unexpected(InvalidLog{"win details without winner and loser"});
    const auto actor = seat_from_detail(details->first[0]);
    const auto target = seat_from_detail(details->first[1]);
    if (!actor || !target) return std::unexpected(InvalidLog{"win details with a seat that is no number"});
    wins.push_back(Win{deltas->values, *actor, *target});
    ++won.win_count;
  }
  return won;
}

void close_kyoku(GameLines& lines, const KyokuResult& result, std::span<const Win> wins,
                 std::span<const Tile> ura_indicators) {
  if (!result.won) {
    lines.add(ev::Ryukyoku{result.draw_deltas});
  } else {
    for (const Win& win : wins.subspan(result.first_win, result.win_count))
      lines.add_hora(HoraParts{win.actor, win.target, win.deltas, ura_indicators});
  }
  lines.add(ev::EndKyoku{});
}

}  // namespace paiscribe
