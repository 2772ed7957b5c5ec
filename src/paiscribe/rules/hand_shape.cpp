#include "paiscribe/rules/hand_shape.hpp"

#include <algorithm>

namespace paiscribe::rules {
namespace {

using Suit = std::array<std::uint8_t, 9>;

// The copies of the lowest tile left either make triplets or start
// sequences; three equal sequences are three triplets, so only the count
// modulo three has to start sequences.
bool splits_into_sets(Suit suit) {
  for (int at = 0; at < 9; ++at) {
    const int runs = suit[at] % 3;
    if (runs == 0) continue;
    if (at > 6 || suit[at + 1] < runs || suit[at + 2] < runs) return false;
    suit[at + 1] = static_cast<std::uint8_t>(suit[at + 1] - runs);
    suit[at + 2] = static_cast<std::uint8_t>(suit[at + 2] - runs);
  }
  return true;
}

bool splits_into_sets_and_pair(Suit suit) {
  for (int at = 0; at < 9; ++at) {
    if (suit[at] < 2) continue;
    suit[at] = static_cast<std::uint8_t>(suit[at] - 2);
    if (splits_into_sets(suit)) return true;
    suit[at] = static_cast<std::uint8_t>(suit[at] + 2);
  }
  return false;
}

}  // namespace

bool splits_into_sets_and_pair(const KindCounts& concealed) {
  int pairs = 0;
  for (Kind kind = 27; kind < kKinds; ++kind) {
    if (concealed[kind] == 1 || concealed[kind] == 4) return false;
    pairs += concealed[kind] == 2;
  }
  for (int suit = 0; suit < 3; ++suit) {
    Suit tiles;
    std::copy_n(concealed.begin() + 9 * suit, 9, tiles.begin());
    int total = 0;
    for (const auto count : tiles) total += count;
    if (total % 3 == 1) return false;
    const bool split = total % 3 == 0 ? splits_into_sets(tiles) : splits_into_sets_and_pair(tiles);
    if (!split) return false;
    pairs += total % 3 == 2;
  }
  return pairs == 1;
}

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

bool is_complete(const KindCounts& concealed) {
  return splits_into_sets_and_pair(concealed) || is_seven_pairs(concealed) || is_thirteen_orphans(concealed);
}

KindMask waits_of(const KindCounts& concealed, const KindCounts& held) {
  KindMask waits = 0;
  KindCounts hand = concealed;
  for (Kind kind = 0; kind < kKinds; ++kind) {
    if (held[kind] >= 4) continue;
    ++hand[kind];
    if (is_complete(hand)) waits |= bit(kind);
    --hand[kind];
  }
  return waits;
}

}  // namespace paiscribe::rules
