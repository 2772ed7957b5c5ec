#include "paiscribe/conv/seat_actions.hpp"

#include <cstddef>

#include "paiscribe/conv/decode_items.hpp"

namespace paiscribe {
namespace {

// Walks both lists side by side, one take per discard step. Removed
// placeholders are squeezed out in the same pass (the kept actions slide
// forward), so a long run of them costs no more than one walk.
void pair_discards(const std::vector<Action>& takes, std::vector<Action>& discards) {
  const std::size_t count = discards.size();
  std::size_t kept = 0;
  std::size_t at = 0;
  const auto keep = [&](std::size_t index) { discards[kept++] = discards[index]; };
  for (const Action& take : takes) {
    if (at == count) break;
    // A reach is never paired: it stays in place and its dahai takes the step.
    if (discards[at].kind == Action::Kind::Reach) {
      if (at + 1 == count) break;
      keep(at++);
    }
    Action& looked_at = discards[at];
    if (looked_at.is_placeholder()) {
      ++at;  // dropped; the next discard is looked at with the next take
      continue;
    }
    // A tsumogiri discard learns its tile from the draw it pairs with.
    if (looked_at.is_dahai() && looked_at.tsumogiri && take.kind == Action::Kind::Tsumo) looked_at.pai = take.pai;
    keep(at++);
  }
  while (at < count) keep(at++);
  discards.erase(discards.begin() + static_cast<std::ptrdiff_t>(kept), discards.end());
}

}  // namespace

std::expected<void, ConversionError> build_seat_actions(const SeatAt& seat, const ActionItems& take_items,
                                                        const ActionItems& discard_items, SeatActions& actions) {
  actions.takes.clear();
  actions.takes.reserve(take_items.size());
  if (auto decoded = append_takes(seat, take_items, actions.takes); !decoded) return decoded;

  actions.discards.clear();
  // One more than the items: room for the usual single riichi, which adds a reach.
  actions.discards.reserve(discard_items.size() + 1);
  if (auto decoded = append_discards(seat, discard_items, actions.discards); !decoded) return decoded;

  pair_discards(actions.takes, actions.discards);
  return {};
}

}  // namespace paiscribe
