#include "paiscribe/scoring/shape_yaku.hpp"

#include <algorithm>

namespace paiscribe::scoring {
namespace {

bool is_value_pair(Kind pair, const Situation& situation) {
  return is_dragon(pair) || pair == situation.seat_wind || pair == situation.round_wind;
}

bool holds_orphan(const Group& group) {
  if (group.shape == SetShape::Triplet) return is_orphan(group.first);
  return group.first % 9 == 0 || group.first % 9 == 6;
}

// Runs of equal first kind in all three suits, or triplets.
bool three_suits(const Reading& reading, SetShape shape) {
  std::array<std::uint8_t, 9> suits_at{};  // a bit per suit at each number
  for (const auto& group : reading.groups) {
    if (group.shape == shape && !is_honor(group.first))
      suits_at[group.first % 9] |= static_cast<std::uint8_t>(1 << suit_of(group.first));
  }
  return std::ranges::find(suits_at, std::uint8_t{7}) != suits_at.end();
}

bool has_straight(const Reading& reading) {
  for (int suit = 0; suit < 3; ++suit) {
    int found = 0;
    for (const auto& group : reading.groups) {
      if (group.shape != SetShape::Run || suit_of(group.first) != suit) continue;
      if (group.first % 9 == 0) found |= 1;
      if (group.first % 9 == 3) found |= 2;
      if (group.first % 9 == 6) found |= 4;
    }
    if (found == 7) return true;
  }
  return false;
}

// Pairs of equal runs: one for iipeikou, two for ryanpeikou.
int equal_run_pairs(const Reading& reading) {
  std::array<std::uint8_t, 27> runs_from{};
  for (const auto& group : reading.groups) {
    if (group.shape == SetShape::Run) ++runs_from[group.first];
  }
  int pairs = 0;
  for (const auto runs : runs_from) pairs += runs / 2;
  return pairs;
}

void add_value_triplets(const Reading& reading, const Situation& situation, YakuList& out) {
  for (const auto& group : reading.groups) {
    if (group.shape != SetShape::Triplet || !is_honor(group.first)) continue;
    const Kind kind = group.first;
    if (is_dragon(kind)) out.add(yaku_at(Yaku::White, kind - kWhite), 1);
    if (kind == situation.seat_wind) out.add(yaku_at(Yaku::SeatWindEast, kind - kEast), 1);
    if (kind == situation.round_wind) out.add(yaku_at(Yaku::RoundWindEast, kind - kEast), 1);
  }
}

}  // namespace

bool is_pinfu(const Reading& reading, const Situation& situation) {
  if (!reading.closed_hand || reading.wait != Wait::Ryanmen || is_value_pair(reading.pair, situation)) return false;
  return std::ranges::all_of(reading.groups, [](const Group& group) { return group.shape == SetShape::Run; });
}

void add_shape_yaku(const Reading& reading, const Situation& situation, YakuList& out) {
  const int open = reading.closed_hand ? 0 : 1;
  if (is_pinfu(reading, situation)) out.add(Yaku::Pinfu, 1);
  if (reading.closed_hand) {
    const int pairs = equal_run_pairs(reading);
    if (pairs == 1) out.add(Yaku::Iipeikou, 1);
    if (pairs == 2) out.add(Yaku::Ryanpeikou, 3);
  }
  add_value_triplets(reading, situation, out);

  int runs = 0, concealed_triplets = 0, kans = 0, dragon_triplets = 0;
  for (const auto& group : reading.groups) {
    runs += group.shape == SetShape::Run;
    concealed_triplets += group.shape == SetShape::Triplet && group.concealed;
    kans += group.kan;
    dragon_triplets += group.shape == SetShape::Triplet && is_dragon(group.first);
  }
  const bool outside = is_orphan(reading.pair) && std::ranges::all_of(reading.groups, holds_orphan);
  if (outside && runs > 0) {
    const bool honors = is_honor(reading.pair) ||
                        std::ranges::any_of(reading.groups, [](const Group& group) { return is_honor(group.first); });
    out.add(honors ? Yaku::Chanta : Yaku::Junchan, honors ? 2 - open : 3 - open);
  }
  if (has_straight(reading)) out.add(Yaku::Ittsu, 2 - open);
  if (three_suits(reading, SetShape::Run)) out.add(Yaku::SanshokuDoujun, 2 - open);
  if (three_suits(reading, SetShape::Triplet)) out.add(Yaku::SanshokuDoukou, 2);
  if (runs == 0) out.add(Yaku::Toitoi, 2);
  if (concealed_triplets == 3) out.add(Yaku::Sanankou, 2);
  if (kans == 3) out.add(Yaku::Sankantsu, 2);
  if (dragon_triplets == 2 && is_dragon(reading.pair)) out.add(Yaku::Shousangen, 2);
}

void add_tile_yaku(KindMask kinds, bool closed_hand, const Situation& situation, YakuList& out) {
  const int open = closed_hand ? 0 : 1;
  const bool honors = (kinds & kHonors) != 0;
  int suits = 0;
  for (int suit = 0; suit < 3; ++suit) suits += (kinds & suit_kinds(suit)) != 0;
  if ((kinds & kOrphans) == 0 && (closed_hand || situation.open_tanyao)) out.add(Yaku::Tanyao, 1);
  if ((kinds & ~kOrphans) == 0 && (kinds & ~kHonors) != 0) out.add(Yaku::Honroutou, 2);
  if (suits == 1) out.add(honors ? Yaku::Honitsu : Yaku::Chinitsu, honors ? 3 - open : 6 - open);
}

}  // namespace paiscribe::scoring
