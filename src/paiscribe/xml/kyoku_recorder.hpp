#pragma once

#include <array>
#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "paiscribe/base/seat.hpp"
#include "paiscribe/record/notation.hpp"
#include "paiscribe/record/raw_log.hpp"
#include "paiscribe/xml/call_bits.hpp"
#include "paiscribe/xml/tile_ids.hpp"

namespace paiscribe::xml {

// What a win tag says of one winner; seats already checked to be 0..3.
struct WinTagFields {
  Seat winner;
  Seat loser;        // the winner for a win by self-draw
  std::array<std::int32_t, 4> deltas;
  std::vector<std::uint8_t> ura_ids;
};

// Writes one kyoku's play into the seats' take and discard lists as the
// JSON log writes them, from the moment its opening is known to its ending,
// into a kyoku of the log that holds its opening already. A play the game
// cannot make is refused with a sentence saying why.
class KyokuRecorder {
 public:
  using Step = std::expected<void, std::string>;

  KyokuRecorder(RawKyoku& kyoku, bool red_fives);

  Step draw(Seat seat, std::uint8_t id) { return try_draw(seat, id) ? Step() : refuse_draw(seat); }
  Step discard(Seat seat, std::uint8_t id) { return try_discard(seat, id) ? Step() : check_turn(seat, "discards"); }
  // The same when the seat may play so now; false leaves all as it was. Inline,
  // without a sentence to carry: draws and discards are most of a record.
  bool try_draw(Seat seat, std::uint8_t id) {
    if (ended() || to_discard_) return false;
    lists(seat).take_items.add(code_of_id(id, red_fives_));
    to_discard_ = seat;
    drawn_ = id;
    claimable_.reset();
    return true;
  }
  bool try_discard(Seat seat, std::uint8_t id) {
    if (ended() || to_discard_ != seat) return false;
    auto& items = lists(seat).discard_items;
    if (riichi_declared_ == seat) {
      add_riichi_discard(items, id);
    } else {
      items.add(drawn_ == id ? notation::kDrawnTile : code_of_id(id, red_fives_));
    }
    claimable_ = Discard{seat, id};
    to_discard_.reset();
    drawn_.reset();
    return true;
  }
  Step declare_riichi(Seat seat);
  Step confirm_riichi();
  Step call(Seat seat, const CallBits& decoded);
  Step reveal_dora(std::uint8_t id);
  Step win(WinTagFields win);
  // `deltas` absent: the log names the draw and gives no score changes.
  Step draw_game(std::string_view name, const std::optional<std::array<std::int32_t, 4>>& deltas);

  bool ended() const { return ending_ != Ending::None; }

 private:
  enum class Ending : std::uint8_t { None, Win, Draw };
  struct Discard {
    Seat seat;
    std::uint8_t id;
  };

  Step still_playing() const;
  Step check_turn(Seat seat, std::string_view action) const;
  Step refuse_draw(Seat seat) const;
  void add_riichi_discard(ActionItems& items, std::uint8_t id);
  Step check_claim(Seat seat, const CallBits& decoded) const;
  RawSeat& lists(Seat seat) { return kyoku_->seats[seat]; }

  RawKyoku* kyoku_;
  bool red_fives_;
  std::optional<Seat> to_discard_;       // the seat whose turn it is, after its draw or call
  std::optional<std::uint8_t> drawn_;    // the tile that seat just drew
  std::optional<Discard> claimable_;     // the last discard, until the next draw or call
  std::optional<Seat> riichi_declared_;  // a riichi waiting for its discard
  Ending ending_ = Ending::None;
};

}  // namespace paiscribe::xml
