#include "paiscribe/xml/kyoku_recorder.hpp"

#include "paiscribe/record/notation.hpp"
#include "paiscribe/xml/tile_ids.hpp"

namespace paiscribe::xml {
namespace {

std::string seat_text(Seat seat) { return "seat " + std::to_string(seat); }

ResultItem::Detail seat_detail(Seat seat) { return {ResultItem::Detail::Kind::kNonNegative, seat}; }

// Room for a long kyoku's turns, so the lists seldom grow item by item.
constexpr std::size_t kTypicalTurns = 24;

}  // namespace

KyokuRecorder::KyokuRecorder(RawKyoku& kyoku, bool red_fives) : kyoku_(&kyoku), red_fives_(red_fives) {
  for (RawSeat& seat : kyoku_->seats) {
    seat.take_items.reserve(kTypicalTurns);
    seat.discard_items.reserve(kTypicalTurns);
  }
}

KyokuRecorder::Step KyokuRecorder::still_playing() const {
  if (ended()) return std::unexpected("play after the kyoku's result");
  return {};
}

KyokuRecorder::Step KyokuRecorder::check_turn(Seat seat, std::string_view action) const {
  if (!ended() && to_discard_ == seat) return {};
  if (auto playing = still_playing(); !playing) return playing;
  return std::unexpected(seat_text(seat) + " " + std::string(action) + " out of turn");
}

KyokuRecorder::Step KyokuRecorder::refuse_draw(Seat seat) const {
  if (auto playing = still_playing(); !playing) return playing;
  return std::unexpected(seat_text(seat) + " draws while " + seat_text(*to_discard_) + " has yet to discard");
}

void KyokuRecorder::add_riichi_discard(ActionItems& items, std::uint8_t id) {
  // A riichi discard is written "r" and the tile's code, 60 for the drawn one.
  const std::uint8_t code = drawn_ == id ? notation::kDrawnTile : code_of_id(id, red_fives_);
  items.add(std::string{notation::kRiichiLetter, static_cast<char>('0' + code / 10), static_cast<char>('0' + code % 10)});
  riichi_declared_.reset();
}

KyokuRecorder::Step KyokuRecorder::declare_riichi(Seat seat) {
  if (auto turn = check_turn(seat, "declares riichi"); !turn) return turn;
  riichi_declared_ = seat;
  return {};
}

KyokuRecorder::Step KyokuRecorder::confirm_riichi() { return still_playing(); }

KyokuRecorder::Step KyokuRecorder::check_claim(Seat seat, const CallBits& decoded) const {
  if (auto playing = still_playing(); !playing) return playing;
  const Seat giver = static_cast<Seat>((seat + decoded.from) % 4);
  if (!claimable_ || claimable_->seat != giver || claimable_->id != decoded.taken)
    return std::unexpected(seat_text(seat) + " calls tile " + std::to_string(decoded.taken) + " from " +
                           seat_text(giver) + ", who did not just discard it");
  return {};
}

KyokuRecorder::Step KyokuRecorder::call(Seat seat, const CallBits& decoded) {
  if (!takes_a_discard(decoded.kind)) {
    if (auto turn = check_turn(seat, "declares a kan"); !turn) return turn;
    lists(seat).discard_items.add(call_notation(decoded, red_fives_));
    to_discard_.reset();  // the replacement draw comes next
    drawn_.reset();
    return {};
  }
  if (auto claim = check_claim(seat, decoded); !claim) return claim;
  lists(seat).take_items.add(call_notation(decoded, red_fives_));
  claimable_.reset();
  drawn_.reset();
  if (decoded.kind == CallKind::OpenKan) {
    // The kan's turn has no discard of its own: the list holds its place with a hidden tile.
    lists(seat).discard_items.add(notation::kHiddenTile);
    to_discard_.reset();
  } else {
    to_discard_ = seat;
  }
  return {};
}

KyokuRecorder::Step KyokuRecorder::reveal_dora(std::uint8_t id) {
  if (auto playing = still_playing(); !playing) return playing;
  kyoku_->dora_indicators.push_back(tile_of_id(id, red_fives_));
  return {};
}

KyokuRecorder::Step KyokuRecorder::win(WinTagFields win) {
  if (ending_ == Ending::Draw) return std::unexpected("a win after the kyoku's draw");
  auto& result = kyoku_->result;
  if (ending_ == Ending::None) result.emplace_back(ResultItem::Text{std::string(notation::kWin)});
  ending_ = Ending::Win;
  result.emplace_back(ResultItem::Deltas{win.deltas});
  // The details a JSON log gives a win start with these three seats.
  result.emplace_back(ResultItem::Details{3, {seat_detail(win.winner), seat_detail(win.loser)}});
  // Only a winner in riichi sees the ura indicators; of two, the first says them.
  if (kyoku_->ura_indicators.empty()) {
    for (const std::uint8_t id : win.ura_ids) kyoku_->ura_indicators.push_back(tile_of_id(id, red_fives_));
  }
  return {};
}

KyokuRecorder::Step KyokuRecorder::draw_game(std::string_view name,
                                             const std::optional<std::array<std::int32_t, 4>>& deltas) {
  if (ended()) return std::unexpected("a draw after the kyoku's result");
  ending_ = Ending::Draw;
  kyoku_->result.emplace_back(ResultItem::Text{std::string(name)});
  if (deltas) kyoku_->result.emplace_back(ResultItem::Deltas{*deltas});
  return {};
}

}  // namespace paiscribe::xml
