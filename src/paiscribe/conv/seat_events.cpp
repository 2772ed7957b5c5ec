#include "paiscribe/conv/seat_events.hpp"

#include <cstddef>
#include <utility>
#include <variant>

#include "paiscribe/conv/decode_items.hpp"

namespace paiscribe {
namespace {

// A discard of code 0 is a hidden tile that was not the drawn one: it takes
// up a turn of the take list but is no discard of its own.
bool is_placeholder(const Event& event) {
  const auto* dahai = std::get_if<ev::Dahai>(&event);
  return dahai && !dahai->tsumogiri && dahai->pai == Tile::hidden();
}

// Walks both lists side by side, one take per discard step. Removed
// placeholders are squeezed out in the same pass (the kept events slide
// forward), so a long run of them costs no more than one walk.
void pair_discards(const std::vector<Event>& takes, std::vector<Event>& discards) {
  const std::size_t count = discards.size();
  std::size_t kept = 0;
  std::size_t at = 0;
  const auto keep = [&](std::size_t index) {
    if (kept != index) discards[kept] = std::move(discards[index]);
    ++kept;
  };
  for (const Event& take : takes) {
    if (at == count) break;
    // A reach is never paired: it stays in place and its dahai takes the step.
    if (std::holds_alternative<ev::Reach>(discards[at])) {
      if (at + 1 == count) break;
      keep(at++);
    }
    Event& looked_at = discards[at];
    if (is_placeholder(looked_at)) {
      ++at;  // dropped; the next discard is looked at with the next take
      continue;
    }
    auto* dahai = std::get_if<ev::Dahai>(&looked_at);
    const auto* tsumo = std::get_if<ev::Tsumo>(&take);
    // A tsumogiri discard learns its tile from the draw it pairs with.
    if (dahai && dahai->tsumogiri && tsumo) dahai->pai = tsumo->pai;
    keep(at++);
  }
  while (at < count) keep(at++);
  discards.erase(discards.begin() + static_cast<std::ptrdiff_t>(kept), discards.end());
}

}  // namespace

std::expected<void, ConversionError> build_seat_events(const SeatAt& seat, const ActionItems& take_items,
                                                       const ActionItems& discard_items, SeatEvents& actions) {
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
