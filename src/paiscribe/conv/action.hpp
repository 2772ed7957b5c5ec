#pragma once

#include <array>
#include <cstdint>

#include "paiscribe/base/seat.hpp"
#include "paiscribe/base/tile.hpp"
#include "paiscribe/mjai/event.hpp"

namespace paiscribe {

// One item of a seat's take or discard list, decoded: what the replay needs
// to put it in the game's order and to write its line. A take is a draw or a
// call on another seat's discard; a discard a dahai, a riichi (a reach,
// followed by its own dahai) or a kan from the hand. The seat is the list's.
struct Action {
  enum class Kind : std::uint8_t { Tsumo, Chi, Pon, Daiminkan, Dahai, Reach, Kakan, Ankan };

  Kind kind;
  Seat target = 0;             // chi, pon and daiminkan: the seat whose discard it took
  Tile pai = Tile::hidden();   // all but reach and ankan
  bool tsumogiri = false;      // dahai
  std::array<Tile, 4> consumed{Tile::hidden(), Tile::hidden(), Tile::hidden(), Tile::hidden()};  // calls

  bool is_call() const { return kind == Kind::Chi || kind == Kind::Pon || kind == Kind::Daiminkan; }
  bool is_dahai() const { return kind == Kind::Dahai; }
  // A discard of code 0 is a hidden tile that was not the drawn one: it
  // holds a turn of the take list but is no discard of its own.
  bool is_placeholder() const { return kind == Kind::Dahai && !tsumogiri && pai == Tile::hidden(); }

  friend bool operator==(const Action&, const Action&) = default;
};

// The event an action of `actor`'s list stands for, for the lines of calls
// and riichi, which are few.
Event event_of(Seat actor, const Action& action);

}  // namespace paiscribe
