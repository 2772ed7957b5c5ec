#include "paiscribe/scoring/fu.hpp"

#include "paiscribe/scoring/shape_yaku.hpp"

namespace paiscribe::scoring {

int fu_of(const Reading& reading, const Situation& situation) {
  if (is_pinfu(reading, situation)) return situation.tsumo ? 20 : 30;
  int fu = 20;
  if (reading.closed_hand && !situation.tsumo) fu += 10;
  if (situation.tsumo) fu += 2;
  for (const auto& group : reading.groups) {
    if (group.shape != SetShape::Triplet) continue;
    int set_fu = 2;
    if (is_orphan(group.first)) set_fu *= 2;
    if (group.concealed) set_fu *= 2;
    if (group.kan) set_fu *= 4;
    fu += set_fu;
  }
  // A pair of the seat's and the round's wind counts twice.
  if (is_dragon(reading.pair)) fu += 2;
  if (reading.pair == situation.seat_wind) fu += 2;
  if (reading.pair == situation.round_wind) fu += 2;
  if (reading.wait == Wait::Kanchan || reading.wait == Wait::Penchan || reading.wait == Wait::Tanki) fu += 2;
  fu = (fu + 9) / 10 * 10;
  // An open hand of nothing but its base is still worth 30.
  return fu == 20 ? 30 : fu;
}

}  // namespace paiscribe::scoring
