#include "paiscribe/scoring/split_hand.hpp"

namespace paiscribe::scoring {
namespace {

// Takes the lowest tile left either as a triplet or as the start of a run;
// each choice leads to different sets, so no reading comes twice.
void split_sets(KindCounts& tiles, Kind from, Split& split, Splits& out) {
  while (from < kKinds && tiles[from] == 0) ++from;
  if (from == kKinds) {
    if (out.count < Splits::kRoom) out.items[out.count++] = split;
    return;
  }
  if (split.set_count == split.sets.size()) return;  // more tiles than a hand holds
  const auto take = [&](SetShape shape, auto&& recurse) {
    split.sets[split.set_count++] = {shape, from};
    recurse();
    --split.set_count;
  };
  if (tiles[from] >= 3) {
    take(SetShape::Triplet, [&] {
      tiles[from] = static_cast<std::uint8_t>(tiles[from] - 3);
      split_sets(tiles, from, split, out);
      tiles[from] = static_cast<std::uint8_t>(tiles[from] + 3);
    });
  }
  const bool run_fits = from < 27 && from % 9 <= 6 && tiles[from + 1] > 0 && tiles[from + 2] > 0;
  if (run_fits) {
    take(SetShape::Run, [&] {
      for (int step = 0; step < 3; ++step) --tiles[from + step];
      split_sets(tiles, from, split, out);
      for (int step = 0; step < 3; ++step) ++tiles[from + step];
    });
  }
}

}  // namespace

Splits splits_of(const KindCounts& concealed) {
  Splits out;
  KindCounts tiles = concealed;
  for (Kind pair = 0; pair < kKinds; ++pair) {
    if (tiles[pair] < 2) continue;
    tiles[pair] = static_cast<std::uint8_t>(tiles[pair] - 2);
    Split split;
    split.pair = pair;
    split_sets(tiles, 0, split, out);
    tiles[pair] = static_cast<std::uint8_t>(tiles[pair] + 2);
  }
  return out;
}

}  // namespace paiscribe::scoring
