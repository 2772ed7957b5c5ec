#include <algorithm>

#include "paiscribe/rules/kyoku_checker.hpp"
#include "paiscribe/rules/wording.hpp"
#include "paiscribe/scoring/hand_shape.hpp"

namespace paiscribe::rules {

using namespace scoring;

namespace {

bool all_of_kind(std::span<const Tile> tiles, Kind kind) {
  return std::ranges::all_of(tiles, [kind](Tile tile) { return kind_of(tile) == kind; });
}

int reds_in(std::span<const Tile> tiles) {
  return static_cast<int>(std::ranges::count_if(tiles, [](Tile tile) { return is_red(tile); }));
}

// After a chi no tile of the called kind may go out, nor the one that
// would make the same sequence from the other end.
KindMask chi_kuikae(Kind called, Kind low, Kind high) {
  KindMask forbidden = bit(called);
  if (called < low && number_of(high) < 9) forbidden |= bit(static_cast<Kind>(high + 1));
  if (called > high && number_of(low) > 1) forbidden |= bit(static_cast<Kind>(low - 1));
  return forbidden;
}

}  // namespace

bool KyokuChecker::check_claimed(Seat actor, Seat target, Tile pai, std::string_view what) {
  const auto call = [&] { return std::string(what) + " of " + tile_name(pai) + " from seat " + std::to_string(target); };
  if (phase_ != Phase::Draw || !claim_ || claim_->kind != ClaimKind::Discard) {
    find_lost(actor, call() + ", but no discard waits to be called");
    return false;
  }
  if (claim_->from != target || actor == target || pai != claim_->tile) {
    find_lost(actor, call() + ", but the last discard is " + tile_name(claim_->tile) + " from seat " +
                         std::to_string(claim_->from));
    return false;
  }
  if (claim_->last_tile) {
    find_lost(actor, call() + ": the last discard of the kyoku may only be won on");
    return false;
  }
  if (seats_[actor].riichi != Riichi::None) {
    find_lost(actor, call() + " while in riichi");
    return false;
  }
  before_take(actor);
  check_dora_shown(actor);
  return true;
}

bool KyokuChecker::take_consumed(Seat actor, std::span<const Tile> consumed) {
  SeatHand& hand = seats_[actor].hand;
  if (!hand.holds_all(consumed) || !hand.has_room_for_meld()) {
    find_lost(actor, "the call consumes " + tile_names(consumed) + ", which the hand does not hold");
    return false;
  }
  for (const Tile tile : consumed) hand.remove(tile);
  return true;
}

bool KyokuChecker::check_kan_room(Seat actor) {
  if (kans_ == 4) find_lost(actor, "a fifth kan, but the dead wall holds four replacement tiles");
  else if (live_left_ == 0) find_lost(actor, "a kan, but no tile is left to draw");
  return !lost_;
}

void KyokuChecker::lay_down(Seat actor, Seat target, Tile pai, std::span<const Tile> consumed, MeldKind kind) {
  Kind first = kind_of(pai);
  for (const Tile tile : consumed) first = std::min(first, kind_of(tile));
  const int reds = reds_in(consumed) + (is_red(pai) ? 1 : 0);
  seats_[actor].hand.add_meld({kind, first, target, static_cast<std::uint8_t>(reds)});
  seats_[target].nagashi = false;
  interrupt();
  settle_claim();
  drawn_.reset();
  seat_ = actor;
}

// Any call ends every ippatsu and the first go-around.
void KyokuChecker::interrupt() {
  any_call_ = true;
  for (SeatState& seat : seats_) seat.ippatsu = false;
}

// A kan's player draws next from the dead wall; an added or closed kan's
// tile may be robbed first.
void KyokuChecker::start_rinshan(Seat actor, std::optional<Claim> robbable) {
  ++kans_;
  kan_seats_ |= static_cast<std::uint8_t>(1 << actor);
  interrupt();
  claim_ = robbable;
  drawn_.reset();
  phase_ = Phase::Rinshan;
}

// Who fed the third dragon or the fourth wind set pays for the yakuman.
void KyokuChecker::note_liability(Seat actor, Seat target) {
  const auto melds = seats_[actor].hand.melds();
  int dragons = 0, winds = 0;
  for (const Meld& meld : melds) {
    if (meld.kind == MeldKind::Chi) continue;
    dragons += is_dragon(meld.first);
    winds += is_wind(meld.first);
  }
  const Kind called = melds.back().first;
  if ((is_dragon(called) && dragons == 3) || (is_wind(called) && winds == 4)) seats_[actor].liable = target;
}

void KyokuChecker::on(const ev::Chi& e) {
  if (lost_ || !check_claimed(e.actor, e.target, e.pai, "chi")) return;
  if (e.target != (e.actor + 3) % 4)
    return find_lost(e.actor, "chi from seat " + std::to_string(e.target) + ", which does not sit before it");
  std::array<Kind, 3> kinds = {kind_of(e.pai), kind_of(e.consumed[0]), kind_of(e.consumed[1])};
  std::ranges::sort(kinds);
  const bool run = !is_honor(kinds[0]) && suit_of(kinds[0]) == suit_of(kinds[2]) && kinds[1] == kinds[0] + 1 &&
                   kinds[2] == kinds[0] + 2;
  if (!run)
    return find_lost(e.actor, "chi of " + tile_name(e.pai) + " with " + tile_names(e.consumed) + ": no sequence");
  if (!take_consumed(e.actor, e.consumed)) return;
  lay_down(e.actor, e.target, e.pai, e.consumed, MeldKind::Chi);
  const Kind low = std::min(kind_of(e.consumed[0]), kind_of(e.consumed[1]));
  const Kind high = std::max(kind_of(e.consumed[0]), kind_of(e.consumed[1]));
  kuikae_ = chi_kuikae(kind_of(e.pai), low, high);
  phase_ = Phase::CallDiscard;
}

void KyokuChecker::on(const ev::Pon& e) {
  if (lost_ || !check_claimed(e.actor, e.target, e.pai, "pon")) return;
  if (!all_of_kind(e.consumed, kind_of(e.pai)))
    return find_lost(e.actor, "pon of " + tile_name(e.pai) + " with " + tile_names(e.consumed) + ": not one kind");
  if (!take_consumed(e.actor, e.consumed)) return;
  lay_down(e.actor, e.target, e.pai, e.consumed, MeldKind::Pon);
  note_liability(e.actor, e.target);
  kuikae_ = bit(kind_of(e.pai));
  phase_ = Phase::CallDiscard;
}

void KyokuChecker::on(const ev::Daiminkan& e) {
  if (lost_ || !check_claimed(e.actor, e.target, e.pai, "daiminkan")) return;
  if (!all_of_kind(e.consumed, kind_of(e.pai)))
    return find_lost(e.actor,
                     "daiminkan of " + tile_name(e.pai) + " with " + tile_names(e.consumed) + ": not one kind");
  if (!check_kan_room(e.actor) || !take_consumed(e.actor, e.consumed)) return;
  lay_down(e.actor, e.target, e.pai, e.consumed, MeldKind::OpenKan);
  note_liability(e.actor, e.target);
  ++dora_after_draw_;
  start_rinshan(e.actor, std::nullopt);
}

void KyokuChecker::on(const ev::Kakan& e) {
  if (lost_ || !on_turn(e.actor, phases({Phase::Act}), "kakan")) return;
  SeatState& seat = seats_[e.actor];
  const Kind kind = kind_of(e.pai);
  Meld* pon = seat.hand.pon_of(kind);
  if (seat.riichi != Riichi::None) return find_lost(e.actor, "kakan while in riichi");
  if (pon == nullptr) return find_lost(e.actor, "kakan of " + tile_name(e.pai) + " without a pon of it");
  if (seat.hand.count(e.pai) == 0)
    return find_lost(e.actor, "kakan of " + tile_name(e.pai) + ", which the hand does not hold");
  if (!all_of_kind(e.consumed, kind) || reds_in(e.consumed) != pon->reds)
    find(e.actor, "kakan consumes " + tile_names(e.consumed) + ", which are not the tiles of its pon");
  if (!check_kan_room(e.actor)) return;
  seat.hand.remove(e.pai);
  pon->kind = MeldKind::AddedKan;
  pon->reds = static_cast<std::uint8_t>(pon->reds + (is_red(e.pai) ? 1 : 0));
  ++dora_after_draw_;
  start_rinshan(e.actor, Claim{e.pai, e.actor, ClaimKind::AddedKan, false, false});
}

void KyokuChecker::on(const ev::Ankan& e) {
  if (lost_ || !on_turn(e.actor, phases({Phase::Act}), "ankan")) return;
  check_dora_shown(e.actor);
  SeatState& seat = seats_[e.actor];
  const Kind kind = kind_of(e.consumed[0]);
  if (!all_of_kind(e.consumed, kind))
    return find_lost(e.actor, "ankan of " + tile_names(e.consumed) + ": not one kind");
  if (!seat.hand.holds_all(e.consumed) || !seat.hand.has_room_for_meld())
    return find_lost(e.actor, "ankan of " + tile_names(e.consumed) + ", which the hand does not hold");
  if (!check_kan_room(e.actor)) return;
  if (seat.riichi == Riichi::Standing) {
    KindCounts before = seat.hand.kinds(), after = seat.hand.kinds();
    --before[kind_of(*drawn_)];
    after[kind] = static_cast<std::uint8_t>(after[kind] - 4);
    const KindCounts held = seat.hand.held();
    if (kind != kind_of(*drawn_) || waits_of(before, held) != waits_of(after, held))
      find(e.actor, "ankan in riichi that is not of the drawn tile or changes the waits");
  }
  for (const Tile tile : e.consumed) seat.hand.remove(tile);
  seat.hand.add_meld({MeldKind::ClosedKan, kind, e.actor, static_cast<std::uint8_t>(reds_in(e.consumed))});
  ++dora_due_;
  start_rinshan(e.actor, Claim{e.consumed[0], e.actor, ClaimKind::ClosedKan, false, false});
}

}  // namespace paiscribe::rules
