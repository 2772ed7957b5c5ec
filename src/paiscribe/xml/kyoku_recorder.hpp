#pragma once

#include <array>
#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "paiscribe/base/seat.hpp"
#include "paiscribe/xml/meld.hpp"
#include "paiscribe/record/raw_log.hpp"

namespace paiscribe::xml {

// What a win tag says of one winner; seats already checked to be 0..3.
struct WinRecord {
  Seat winner;
  Seat loser;        // the winner for a win by self-draw
  std::array<std::int32_t, 4> deltas;
  std::vector<std::uint8_t> ura_ids;
};

// Writes one kyoku's play into the seats' take and discard lists as the
// JSON log writes them, from the moment its opening is known to its ending.
// A play the game cannot make is refused with a sentence saying why.
class KyokuRecorder {
 public:
  using Step = std::expected<void, std::string>;

  KyokuRecorder(RawKyoku opening, bool red_fives);

  Step draw(Seat seat, std::uint8_t id);
  Step discard(Seat seat, std::uint8_t id);
  Step declare_riichi(Seat seat);
  Step confirm_riichi();
  Step call(Seat seat, const Meld& meld);
  Step reveal_dora(std::uint8_t id);
  Step win(WinRecord win);
  // `deltas` absent: the log names the draw and gives no score changes.
  Step draw_game(std::string_view name, const std::optional<std::array<std::int32_t, 4>>& deltas);

  bool ended() const { return ending_ != Ending::None; }
  RawKyoku take_kyoku() && { return std::move(kyoku_); }

 private:
  enum class Ending : std::uint8_t { None, Win, Draw };
  struct Discard {
    Seat seat;
    std::uint8_t id;
  };

  Step still_playing() const;
  Step check_turn(Seat seat, std::string_view action) const;
  Step check_claim(Seat seat, const Meld& meld) const;
  RawSeat& lists(Seat seat) { return kyoku_.seats[seat]; }

  RawKyoku kyoku_;
  bool red_fives_;
  std::optional<Seat> to_discard_;       // the seat whose turn it is, after its draw or call
  std::optional<std::uint8_t> drawn_;    // the tile that seat just drew
  std::optional<Discard> claimable_;     // the last discard, until the next draw or call
  std::optional<Seat> riichi_declared_;  // a riichi waiting for its discard
  Ending ending_ = Ending::None;
};

}  // namespace paiscribe::xml
