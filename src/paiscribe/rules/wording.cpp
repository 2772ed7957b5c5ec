#include "paiscribe/rules/wording.hpp"

#include "paiscribe/mjai/tile_names.hpp"

namespace paiscribe::rules {

using scoring::HandValue;

std::string format_finding(const Finding& finding) {
  std::optional<std::string> kyoku;
  if (finding.kyoku_index != kBeforeFirstKyoku) kyoku = kyoku_name(finding.kyoku_index);
  return finding_text(finding.line, kyoku ? std::optional<std::string_view>(*kyoku) : std::nullopt, finding.seat,
                      finding.message);
}

std::string finding_text(std::uint64_t line, std::optional<std::string_view> kyoku, std::optional<std::int64_t> seat,
                         std::string_view message) {
  std::string text = "line " + std::to_string(line);
  if (kyoku) text.append(", ").append(*kyoku);
  if (seat) text += ", seat " + std::to_string(*seat);
  return text.append(": ").append(message);
}

std::string tile_name(Tile tile) { return std::string(mjai_name(tile)); }

std::string tile_names(std::span<const Tile> tiles) {
  std::string text;
  for (const Tile tile : tiles) {
    if (!text.empty()) text += ' ';
    text += mjai_name(tile);
  }
  return text;
}

std::string grouped(std::int64_t points) {
  const auto magnitude = points < 0 ? 0 - static_cast<std::uint64_t>(points) : static_cast<std::uint64_t>(points);
  const std::string digits = std::to_string(magnitude);
  std::string text = points < 0 ? "-" : "";
  for (std::size_t at = 0; at < digits.size(); ++at) {
    if (at != 0 && (digits.size() - at) % 3 == 0) text += ',';
    text += digits[at];
  }
  return text;
}

std::string seats_listed(std::span<const bool, 4> seats) {
  std::string text;
  for (Seat seat = 0; seat < 4; ++seat) {
    if (seats[seat]) text += (text.empty() ? "" : ", ") + std::to_string(seat);
  }
  return text.empty() ? "none" : text;
}

std::string describe_value(const HandValue& value, bool dealer, bool tsumo) {
  using namespace scoring;
  const int base = base_points(value);
  const Limit limit = limit_of(value);
  std::string text;
  if (value.yakuman > 1) text = std::to_string(value.yakuman) + " yakuman";
  else if (limit != Limit::None) text = limit_name(limit);
  else text = std::to_string(value.fu) + " fu " + std::to_string(value.han) + " han";
  text += " = ";
  if (!tsumo) return text + grouped(ron_payment(base, dealer));
  if (dealer) return text + grouped(tsumo_payment(base, true, false)) + " all";
  return text + grouped(tsumo_payment(base, false, false)) + "/" + grouped(tsumo_payment(base, false, true));
}

std::string explain_win(const scoring::WinTerms& terms, const HandValue& value) {
  const bool tsumo = terms.winner == terms.target;
  std::string text = "the hand scores " + describe_value(value, terms.winner == terms.dealer, tsumo);
  if (terms.honba > 0) text += " + " + grouped((tsumo ? 100 : 300) * terms.honba) + (tsumo ? " honba each" : " honba");
  if (terms.deposits > 0) text += " + " + grouped(1000 * terms.deposits) + " deposits";
  if (terms.liable) text += ", seat " + std::to_string(*terms.liable) + " liable (pao)";
  return text;
}

}  // namespace paiscribe::rules
