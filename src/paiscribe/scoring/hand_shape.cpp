#include "paiscribe/scoring/hand_shape.hpp"

#include <algorithm>
#include <bit>
#include <cstring>

namespace paiscribe::scoring {
namespace {

using Suit = std::array<std::uint8_t, 9>;

// The copies of the lowest tile left either make triplets or start
// sequences; three equal sequences are three triplets, so only the count
// modulo three has to start sequences. Written without a branch: hands
// give no pattern to foresee. A tile short two places on shows up as one
// short a place on, a step later (past the 9, as a count below zero).
bool splits_into_sets(const Suit& suit) {
  int here = suit[0], next = suit[1];
  bool broken = false;
  for (int at = 0; at < 9; ++at) {
    const int runs = here % 3;
    broken |= next < runs;
    here = next - runs;
    next = (at + 2 < 9 ? suit[at + 2] : 0) - runs;
  }
  return !broken;
}

// Every set adds a multiple of 3 to the sum of number x count, and a pair
// at `at` adds 2 x at: only every third place can hold the pair.
bool splits_into_sets_and_pair(Suit suit) {
  int weighted = 0;
  for (int at = 0; at < 9; ++at) weighted += at * suit[at];
  for (int at = 2 * weighted % 3; at < 9; at += 3) {
    if (suit[at] < 2) continue;
    suit[at] = static_cast<std::uint8_t>(suit[at] - 2);
    if (splits_into_sets(suit)) return true;
    suit[at] = static_cast<std::uint8_t>(suit[at] + 2);
  }
  return false;
}

// How one suit's tiles (3: the honours) fit a standard winning hand: as
// sets alone (0), as sets and the pair (1), or not at all (-1). Suits are
// independent, so a hand wins when each fits and one holds the pair.
int suit_fit(const KindCounts& counts, int suit) {
  if (suit == 3) {
    int pairs = 0;
    for (Kind kind = 27; kind < kKinds; ++kind) {
      if (counts[kind] == 1 || counts[kind] == 4) return -1;
      pairs += counts[kind] == 2;
    }
    return pairs <= 1 ? pairs : -1;
  }
  Suit tiles;
  std::memcpy(tiles.data(), counts.data() + 9 * suit, tiles.size());
  int total = 0;
  for (const auto count : tiles) total += count;
  if (total % 3 == 0) return splits_into_sets(tiles) ? 0 : -1;
  if (total % 3 == 2) return splits_into_sets_and_pair(tiles) ? 1 : -1;
  return -1;
}

// Kinds a tile could join: those held, and in a suit neighbours within two.
KindMask near_kinds(KindMask held) {
  KindMask near = held & (KindMask{0x7F} << 27);
  for (int suit = 0; suit < 3; ++suit) {
    const KindMask own = (held >> (9 * suit)) & 0x1FF;
    near |= ((own | own << 1 | own << 2 | own >> 1 | own >> 2) & 0x1FF) << (9 * suit);
  }
  return near;
}

// Waits of seven pairs and thirteen orphans, for all thirteen tiles concealed.
KindMask pairs_and_orphans_waits(const KindCounts& concealed, const KindsHeld& kinds) {
  if (tile_total(concealed) != 13) return 0;
  const KindMask held = kinds.at_least[1];
  const KindMask singles = held & ~kinds.at_least[2];
  const KindMask pairs = kinds.at_least[2] & ~kinds.at_least[3];
  KindMask waits = 0;
  if (count_of(pairs) == 6 && count_of(singles) == 1) waits |= singles;
  if ((held & ~kOrphans) == 0 && count_of(held) == 13) waits |= kOrphans;
  if ((held & ~kOrphans) == 0 && count_of(held) == 12) waits |= kOrphans & ~held;
  return waits;
}

}  // namespace

bool is_seven_pairs(const KindCounts& concealed) {
  int pairs = 0;
  for (const auto count : concealed) {
    if (count != 0 && count != 2) return false;
    pairs += count == 2;
  }
  return pairs == 7;
}

bool is_thirteen_orphans(const KindCounts& concealed) {
  int total = 0;
  for (Kind kind = 0; kind < kKinds; ++kind) {
    if (is_orphan(kind) ? concealed[kind] == 0 : concealed[kind] != 0) return false;
    total += concealed[kind];
  }
  return total == 14;
}

namespace {

// Each suit is fitted once as it is. A tile added to a suit must leave
// its count at 0 or 2 modulo 3, and the other suits must then fit with the
// pair where it is needed; only then is its own suit refitted.
KindMask waits_up_to(const KindCounts& concealed, const KindCounts& held, bool first_only) {
  std::array<int, 4> fits{}, totals{};
  for (int suit = 0; suit < 4; ++suit) {
    fits[suit] = suit_fit(concealed, suit);
    const int size = suit == 3 ? 7 : 9;
    for (int at = 0; at < size; ++at) totals[suit] += concealed[9 * suit + at];
  }
  KindMask candidates = 0;
  for (int suit = 0; suit < 4; ++suit) {
    const int modulo = (totals[suit] + 1) % 3;
    int others_pairs = 0;
    bool others_fit = modulo != 1;
    for (int other = 0; other < 4; ++other) {
      if (other == suit) continue;
      others_fit = others_fit && fits[other] >= 0;
      others_pairs += fits[other];
    }
    if (others_fit && others_pairs == (modulo == 2 ? 0 : 1)) candidates |= suit_kinds(suit);
  }
  const KindsHeld concealed_kinds = kinds_held(concealed);
  const KindMask all_four = kinds_held(held).at_least[4];
  candidates &= near_kinds(concealed_kinds.at_least[1]) & ~all_four;

  KindMask waits = pairs_and_orphans_waits(concealed, concealed_kinds);
  KindCounts hand = concealed;
  for (KindMask left = candidates; left != 0; left &= left - 1) {
    const auto kind = static_cast<Kind>(std::countr_zero(left));
    ++hand[kind];
    if (suit_fit(hand, suit_of(kind)) >= 0) waits |= bit(kind);
    --hand[kind];
    if (first_only && (waits & ~all_four) != 0) break;
  }
  return waits & ~all_four;
}

}  // namespace

KindMask waits_of(const KindCounts& concealed, const KindCounts& held) { return waits_up_to(concealed, held, false); }

bool is_tenpai(const KindCounts& concealed, const KindCounts& held) {
  return waits_up_to(concealed, held, true) != 0;
}

}  // namespace paiscribe::scoring
