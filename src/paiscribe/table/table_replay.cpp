#include "paiscribe/table/table_replay.hpp"

#include <algorithm>
#include <type_traits>
#include <variant>

#include "paiscribe/mjai/line_keys.hpp"

namespace paiscribe::table {
namespace {

template <typename Alternative, std::size_t Index = 0>
constexpr std::size_t alternative_index() {
  if constexpr (std::is_same_v<std::variant_alternative_t<Index, Event>, Alternative>) return Index;
  else return alternative_index<Alternative, Index + 1>();
}

template <typename E>
std::optional<Seat> actor_of(const E& e) {
  if constexpr (requires { e.actor; }) return e.actor;
  else return std::nullopt;
}

void add_tile(std::vector<Tile>& hand, Tile tile) {
  const auto at = std::ranges::upper_bound(hand, hand_order(tile), {}, hand_order);
  hand.insert(at, tile);
}

// Takes `tile` out of the hand: the tile itself, or a hidden one where the
// hand is not shown; a tile the hand cannot hold stays where it is.
void take_tile(std::vector<Tile>& hand, Tile tile) {
  auto at = std::ranges::find(hand, tile);
  if (at == hand.end()) at = std::ranges::find(hand, Tile::hidden());
  if (at != hand.end()) hand.erase(at);
}

constexpr bool same_kind(Tile a, Tile b) { return hand_order(a) / 2 == hand_order(b) / 2; }

}  // namespace

std::optional<std::uint8_t> TableState::kyoku_index() const {
  if (!bakaze || kyoku < 1 || kyoku > 4) return std::nullopt;
  const int wind = bakaze->index() - 27;  // East's index
  if (wind < 0 || wind > 3) return std::nullopt;
  return static_cast<std::uint8_t>(wind * 4 + kyoku - 1);
}

void TableReplay::feed(std::string_view line) {
  const auto read = reader_.read_with(line, [this](const auto& e) {
    on(e);
    state_.event = line_reading::kTypeNames[alternative_index<std::remove_cvref_t<decltype(e)>>()];
    state_.actor = actor_of(e);
  });
  if (!read) {
    state_.event = {};
    state_.actor.reset();
  }
}

void TableReplay::on(const ev::StartGame& e) {
  state_ = TableState{};
  for (std::size_t seat = 0; seat < 4; ++seat) names_[seat] = e.names[seat];
  riichi_discard_due_ = {};
}

void TableReplay::on(const ev::StartKyoku& e) {
  for (Seat seat = 0; seat < 4; ++seat) {
    SeatTable& table = state_.seats[seat];
    table.hand.assign(e.tehais[seat].begin(), e.tehais[seat].end());
    std::ranges::stable_sort(table.hand, {}, hand_order);
    table.melds.clear();
    table.river.clear();
    table.score = e.scores[seat];
    table.riichi = false;
  }
  state_.dora_markers.assign(1, e.dora_marker);
  state_.ura_markers.clear();
  state_.bakaze = e.bakaze;
  state_.kyoku = e.kyoku;
  state_.honba = e.honba;
  state_.kyotaku = e.kyotaku;
  state_.oya = e.oya;
  state_.drawn_by.reset();
  riichi_discard_due_ = {};
}

void TableReplay::on(const ev::Tsumo& e) {
  SeatTable& table = state_.seats[e.actor];
  add_tile(table.hand, e.pai);
  state_.drawn_by = e.actor;
  state_.drawn = e.pai;
}

void TableReplay::on(const ev::Dahai& e) {
  SeatTable& table = state_.seats[e.actor];
  take_tile(table.hand, e.pai);
  table.river.push_back({e.pai, e.tsumogiri, riichi_discard_due_[e.actor], false});
  riichi_discard_due_[e.actor] = false;
  state_.drawn_by.reset();
}

void TableReplay::call(Seat actor, Seat target, Tile pai, std::span<const Tile> consumed, MeldKind kind) {
  SeatTable& table = state_.seats[actor];
  for (const Tile tile : consumed) take_tile(table.hand, tile);
  table.melds.push_back({kind, target, pai, {consumed.begin(), consumed.end()}, std::nullopt});
  std::vector<RiverTile>& river = state_.seats[target].river;
  if (!river.empty() && river.back().tile == pai) river.back().called = true;
  state_.drawn_by.reset();
}

void TableReplay::on(const ev::Kakan& e) {
  SeatTable& table = state_.seats[e.actor];
  take_tile(table.hand, e.pai);
  const auto pon = std::ranges::find_if(table.melds, [&](const TableMeld& meld) {
    return meld.kind == MeldKind::Pon && meld.pai && same_kind(*meld.pai, e.pai);
  });
  if (pon != table.melds.end()) {
    pon->kind = MeldKind::Kakan;
    pon->added = e.pai;
  } else {
    table.melds.push_back({MeldKind::Kakan, e.actor, std::nullopt, {e.consumed.begin(), e.consumed.end()}, e.pai});
  }
  state_.drawn_by.reset();
}

void TableReplay::on(const ev::Ankan& e) {
  SeatTable& table = state_.seats[e.actor];
  for (const Tile tile : e.consumed) take_tile(table.hand, tile);
  table.melds.push_back({MeldKind::Ankan, e.actor, std::nullopt, {e.consumed.begin(), e.consumed.end()}, std::nullopt});
  state_.drawn_by.reset();
}

void TableReplay::on(const ev::Reach& e) {
  state_.seats[e.actor].riichi = true;
  riichi_discard_due_[e.actor] = true;
}

void TableReplay::on(const ev::ReachAccepted& e) {
  state_.seats[e.actor].score -= 1000;
  ++state_.kyotaku;
}

void TableReplay::on(const ev::Hora& e) {
  if (e.ura_markers && !e.ura_markers->empty()) state_.ura_markers = *e.ura_markers;
  add_deltas(e.deltas);
  // The winner's deltas hold the sticks on the table.
  if (e.deltas) state_.kyotaku = 0;
}

void TableReplay::on(const ev::Ryukyoku& e) { add_deltas(e.deltas); }

void TableReplay::add_deltas(const std::optional<Deltas>& deltas) {
  if (!deltas) return;
  for (Seat seat = 0; seat < 4; ++seat) state_.seats[seat].score += (*deltas)[seat];
}

}  // namespace paiscribe::table
