#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "paiscribe/mjai/event.hpp"
#include "paiscribe/mjai/read_event.hpp"
#include "paiscribe/table/table_state.hpp"

namespace paiscribe::table {

// Follows a game's mjai lines, one at a time, and keeps the table as each
// line leaves it: hands, melds, rivers, scores, sticks and dora. It draws
// what the lines say and judges nothing: a line that is no event, or a tile
// a hand does not hold, leaves the table as well as it can be kept (the
// rules replay reports such lines), and any input is taken without fail.
// Seats come checked by the line reader. A start_game begins a new game.
class TableReplay {
 public:
  void feed(std::string_view line);
  const TableState& state() const { return state_; }
  // Seat 0 first, from the last start_game.
  const std::array<std::string, 4>& names() const { return names_; }

 private:
  void on(const ev::None&) {}
  void on(const ev::StartGame& e);
  void on(const ev::StartKyoku& e);
  void on(const ev::Tsumo& e);
  void on(const ev::Dahai& e);
  void on(const ev::Chi& e) { call(e.actor, e.target, e.pai, e.consumed, MeldKind::Chi); }
  void on(const ev::Pon& e) { call(e.actor, e.target, e.pai, e.consumed, MeldKind::Pon); }
  void on(const ev::Daiminkan& e) { call(e.actor, e.target, e.pai, e.consumed, MeldKind::Daiminkan); }
  void on(const ev::Kakan& e);
  void on(const ev::Ankan& e);
  void on(const ev::Dora& e) { state_.dora_markers.push_back(e.dora_marker); }
  void on(const ev::Reach& e);
  void on(const ev::ReachAccepted& e);
  void on(const ev::Hora& e);
  void on(const ev::Ryukyoku& e);
  void on(const ev::EndKyoku&) {}
  void on(const ev::EndGame&) {}

  void call(Seat actor, Seat target, Tile pai, std::span<const Tile> consumed, MeldKind kind);
  void add_deltas(const std::optional<Deltas>& deltas);

  EventReader reader_;
  TableState state_;
  std::array<std::string, 4> names_;
  std::array<bool, 4> riichi_discard_due_{};  // a reach waits for its discard
};

}  // namespace paiscribe::table
