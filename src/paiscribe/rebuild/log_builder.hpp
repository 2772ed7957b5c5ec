#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "paiscribe/mjai/event.hpp"
#include "paiscribe/record/game_details.hpp"
#include "paiscribe/record/notation.hpp"
#include "paiscribe/record/raw_log.hpp"
#include "paiscribe/record/tile_code.hpp"
#include "paiscribe/rules/game_checker.hpp"
#include "paiscribe/scoring/tile_kind.hpp"

namespace paiscribe::rebuild {

// A game's record as Tenhou's JSON log holds it.
struct RebuiltGame {
  RawLog log;
  GameDetails details;
};

// Writes a game's events into Tenhou's record as they come: each kyoku's
// header, hands, take and discard lists and results, and the details of its
// wins. It is given only events the rules found legal so far, each after
// `checker` has checked it, which then holds its win's or draw's ruling.
// The record is written into the room of the game `into` held before.
class LogBuilder {
 public:
  LogBuilder(const rules::GameChecker& checker, RebuiltGame& into);

  void on(const ev::None&) {}
  void on(const ev::StartGame& e);
  void on(const ev::StartKyoku& e);
  // Draws and discards, most of a game, are written inline.
  void on(const ev::Tsumo& e) { kyoku_->seats[e.actor].take_items.add(code_of_tile(e.pai)); }
  void on(const ev::Dahai& e) {
    if (riichi_ || kan_turn_) [[unlikely]]
      return on_marked_dahai(e);
    kyoku_->seats[e.actor].discard_items.add(e.tsumogiri ? notation::kDrawnTile : code_of_tile(e.pai));
  }
  void on(const ev::Chi& e);
  void on(const ev::Pon& e);
  void on(const ev::Daiminkan& e);
  void on(const ev::Kakan& e);
  void on(const ev::Ankan& e);
  void on(const ev::Dora& e);
  void on(const ev::Reach& e);
  void on(const ev::ReachAccepted& e);
  void on(const ev::Hora& e);
  void on(const ev::Ryukyoku& e);
  void on(const ev::EndKyoku&) {}
  void on(const ev::EndGame& e);

  // After the last event: the kyokus left from the game before go.
  void finish() { log_.kyokus.resize(kyokus_); }

 private:
  // A set a seat called or declared: its kind, and a pon's text for the kan it may become.
  struct CalledSet {
    scoring::Kind kind;
    std::string text;
  };
  struct SeatCalls {
    std::array<CalledSet, 4> sets;
    std::size_t count = 0;
    void add(scoring::Kind kind, std::string text) { sets[count++] = {kind, std::move(text)}; }
  };

  RawKyoku& kyoku() { return *kyoku_; }
  RawSeat& seat(Seat seat) { return kyoku_->seats[seat]; }
  ActionItems& discards(Seat actor);
  // A discard after a riichi declared or an open kan made.
  void on_marked_dahai(const ev::Dahai& e);
  void call(Seat actor, scoring::Kind kind, std::string text);
  void pay(const Deltas& deltas);
  void put_stick(Seat seat);
  void write_final_scores();

  const rules::GameChecker& checker_;
  RawLog& log_;
  GameDetails& details_;
  std::size_t kyokus_ = 0;
  RawKyoku* kyoku_ = nullptr;  // the kyoku being played

  std::array<SeatCalls, 4> calls_;
  std::optional<Seat> kan_turn_;  // made an open kan, no discard yet
  std::optional<Seat> riichi_;  // declared, its discard to come
  std::optional<Seat> stick_due_;  // its riichi discard out, its stick not yet down
  std::array<std::int32_t, 4> scores_{};
  int deposits_ = 0;
};

}  // namespace paiscribe::rebuild
