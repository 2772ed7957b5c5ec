#include "paiscribe/rules/kyoku_checker.hpp"

#include <algorithm>

#include "paiscribe/rules/wording.hpp"
#include "paiscribe/scoring/hand_shape.hpp"

namespace paiscribe::rules {

using namespace scoring;

namespace {

constexpr Seat next_seat(Seat seat) { return static_cast<Seat>((seat + 1) % 4); }

// How many of each tile the set holds: with red fives, one of each five is red.
constexpr std::array<std::uint8_t, Tile::kCount> copies_in_set(bool aka) {
  std::array<std::uint8_t, Tile::kCount> copies{};
  for (std::uint8_t index = 0; index < Tile::kCount; ++index) {
    const Tile tile(index);
    if (!is_real(tile)) copies[index] = 0;
    else if (is_red(tile)) copies[index] = aka ? 1 : 0;
    else copies[index] = aka && is_five(kind_of(tile)) ? 3 : 4;
  }
  return copies;
}
constexpr auto kCopiesWithRed = copies_in_set(true);
constexpr auto kCopiesWithoutRed = copies_in_set(false);

}  // namespace

std::string_view KyokuChecker::abort_name(Abort abort) {
  static constexpr std::array<std::string_view, 4> kNames = {"", "four winds", "four riichi",
                                                             "four kans by more than one player"};
  return kNames[static_cast<std::size_t>(abort)];
}

// Asked only of an abort that ended the kyoku.
DrawKind KyokuChecker::abort_kind(Abort abort) {
  switch (abort) {
    case Abort::FourRiichi: return DrawKind::FourRiichi;
    case Abort::FourKans: return DrawKind::FourKans;
    default: return DrawKind::FourWinds;
  }
}

KyokuChecker::KyokuChecker(const ev::StartKyoku& start, bool aka, std::optional<bool> open_tanyao, Findings& findings,
                           std::vector<ScoredWin>& wins, std::vector<RuledDraw>& draws)
    : start_(start),
      open_tanyao_(open_tanyao),
      findings_(findings),
      wins_(wins),
      draws_(draws),
      seat_(start.oya),
      copy_limits_(aka ? kCopiesWithRed : kCopiesWithoutRed) {
  dora_markers_[dora_count_++] = start.dora_marker;
  see(start.dora_marker, std::nullopt);
  for (Seat seat = 0; seat < 4; ++seat) {
    for (const Tile tile : start.tehais[seat]) {
      see(tile, seat);
      seats_[seat].hand.add(tile);
    }
  }
}

void KyokuChecker::find(std::optional<Seat> seat, std::string message) { findings_.add(seat, std::move(message)); }

// The play no longer matches the lines: the rest of the kyoku goes unchecked.
void KyokuChecker::find_lost(std::optional<Seat> seat, std::string message) {
  find(seat, std::move(message));
  lost_ = true;
}

void KyokuChecker::out_of_turn(Seat actor, std::string_view what) {
  find_lost(actor, std::string(what) + " out of turn: " + turn_text());
}

std::string KyokuChecker::turn_text() const {
  const std::string seat = "seat " + std::to_string(seat_);
  switch (phase_) {
    case Phase::Draw: return seat + " draws next, unless the last discard is called or won on";
    case Phase::Act: return seat + " has drawn and acts";
    case Phase::CallDiscard:
    case Phase::ReachDiscard: return seat + " is to discard";
    case Phase::Rinshan: return seat + " draws a replacement tile for its kan";
    case Phase::Over: return "the kyoku has ended";
  }
  return {};
}

// What has to come before the next draw or call.
void KyokuChecker::report_missed_end(Seat actor) {
  if (acceptance_due_) {
    find(*acceptance_due_, "the riichi discard passed, but no reach_accepted comes before the next draw or call");
    acceptance_due_.reset();
  }
  if (abort_ != Abort::None) {
    find(actor, std::string(abort_name(abort_)) + " end the kyoku in a draw, but play goes on");
    abort_ = Abort::None;
  }
}

void KyokuChecker::report_missing_dora(Seat actor) {
  find(actor, "a kan's dora marker is due before this line, but no dora line came");
  dora_due_ = 0;
}

// The tile others let go by: each of them who waits on its kind is furiten.
void KyokuChecker::settle_claim() {
  if (!claim_) return;
  const KindMask tile = bit(kind_of(claim_->tile));
  for (Seat seat = 0; seat < 4; ++seat) {
    if (seat == claim_->from) continue;
    seats_[seat].passed |= tile;
    if (seats_[seat].riichi == Riichi::Standing) seats_[seat].passed_in_riichi |= tile;
  }
  claim_.reset();
}

// Told once per tile, when the first copy too many shows up.
void KyokuChecker::report_copies(Tile tile, std::optional<Seat> seat) {
  const int limit = copy_limits_[tile.index()];
  if (seen_[tile.index()] != limit + 1) return;
  if (!is_real(tile)) return find_lost(seat, "a hidden tile \"?\", which a game record never shows");
  if (limit == 0) return find(seat, tile_name(tile) + " shows up, but the game plays without red fives");
  const std::string plain = is_five(kind_of(tile)) && !is_red(tile) ? "plain " : "";
  find(seat, "more than " + std::to_string(limit) + " " + plain + tile_name(tile) + " show up: the set holds " +
                 std::to_string(limit));
}

void KyokuChecker::on(const ev::Tsumo& e) {
  if (lost_ || !on_turn(e.actor, phases({Phase::Draw, Phase::Rinshan}), "tsumo")) return;
  before_take(e.actor);
  check_dora_shown(e.actor);
  if (live_left_ == 0) return find_lost(e.actor, "tsumo, but the live wall is empty");
  const bool rinshan = phase_ == Phase::Rinshan;
  settle_claim();
  --live_left_;  // a replacement draw takes the dead wall's tile, which the live wall's last replaces
  see(e.pai, e.actor);
  seats_[e.actor].hand.add(e.pai);
  drawn_ = e.pai;
  rinshan_draw_ = rinshan;
  if (rinshan) {
    dora_due_ += dora_after_draw_;
    dora_after_draw_ = 0;
  }
  phase_ = Phase::Act;
}

void KyokuChecker::on(const ev::Dahai& e) {
  if (lost_ || !on_turn(e.actor, phases({Phase::Act, Phase::CallDiscard, Phase::ReachDiscard}), "dahai")) return;
  check_dora_shown(e.actor);
  SeatState& seat = seats_[e.actor];
  const auto name = [&] { return tile_name(e.pai); };
  if (seat.hand.count(e.pai) == 0) return find_lost(e.actor, "dahai " + name() + ", but the hand holds no " + name());
  check_tsumogiri(e);
  if (phase_ == Phase::CallDiscard && has(kuikae_, kind_of(e.pai)))
    find(e.actor, "dahai " + name() + " right after a call that forbids it (kuikae)");
  seat.hand.remove(e.pai);
  note_discard(e);
}

// A tsumogiri discard is the drawn tile itself; a copy of it held from
// before may also go out from the hand.
void KyokuChecker::check_tsumogiri(const ev::Dahai& e) {
  const SeatState& seat = seats_[e.actor];
  if (!drawn_) {
    if (e.tsumogiri) find(e.actor, "tsumogiri after a call, which draws no tile");
    return;
  }
  const bool drawn_out = e.pai == *drawn_;
  const bool riichi = seat.riichi == Riichi::Standing;
  if (e.tsumogiri == drawn_out && (drawn_out || !riichi)) [[likely]] return;
  const auto name = [&] { return tile_name(e.pai); };
  const auto drawn = [&] { return tile_name(*drawn_); };
  if (e.tsumogiri && !drawn_out) find(e.actor, "tsumogiri, but " + name() + " is not the drawn tile " + drawn());
  if (!e.tsumogiri && drawn_out && seat.hand.count(e.pai) < 2)
    find(e.actor, "dahai " + name() + " from the hand, but the only " + name() + " is the one just drawn: tsumogiri");
  if (riichi && !drawn_out) find(e.actor, "dahai " + name() + " in riichi, which discards the drawn tile " + drawn());
}

void KyokuChecker::note_discard(const ev::Dahai& e) {
  SeatState& seat = seats_[e.actor];
  const Kind kind = kind_of(e.pai);
  seat.discarded |= bit(kind);
  seat.passed = 0;
  ++seat.discards;
  seat.nagashi = seat.nagashi && is_orphan(kind);

  if (++discards_ == 1) first_discard_ = kind;
  if (discards_ <= 4) {
    four_winds_open_ = four_winds_open_ && !any_call_ && is_wind(kind) && kind == first_discard_;
    if (discards_ == 4 && four_winds_open_) abort_ = Abort::FourWinds;
  }
  const bool riichi_discard = phase_ == Phase::ReachDiscard;
  if (riichi_discard) stand_riichi(e.actor);
  else if (seat.riichi == Riichi::Standing) seat.ippatsu = false;
  if (kans_ == 4 && rinshan_draw_ && std::popcount(kan_seats_) > 1) abort_ = Abort::FourKans;

  claim_ = Claim{e.pai, e.actor, ClaimKind::Discard, live_left_ == 0, riichi_discard};
  phase_ = Phase::Draw;
  seat_ = next_seat(e.actor);
  drawn_.reset();
  kuikae_ = 0;
}

void KyokuChecker::stand_riichi(Seat actor) {
  SeatState& seat = seats_[actor];
  if (!is_tenpai(seat.hand.kinds(), seat.hand.held()))
    find(actor, "riichi, but the hand is not tenpai after the riichi discard");
  seat.riichi = Riichi::Standing;
  seat.ippatsu = true;
  seat.double_riichi = seat.discards == 1 && !any_call_;
  acceptance_due_ = actor;
  const auto standing = std::ranges::count_if(seats_, [](const SeatState& s) { return s.riichi == Riichi::Standing; });
  if (standing == 4) abort_ = Abort::FourRiichi;
}

void KyokuChecker::on(const ev::Reach& e) {
  if (lost_ || !on_turn(e.actor, phases({Phase::Act}), "reach")) return;
  SeatState& seat = seats_[e.actor];
  if (seat.riichi != Riichi::None) return find(e.actor, "reach, but the seat is in riichi already");
  if (!seat.hand.closed()) find(e.actor, "riichi with an open hand");
  if (live_left_ < 4)
    find(e.actor, "riichi with " + std::to_string(live_left_) + " tiles left to draw, fewer than 4");
  if (start_.scores[e.actor] < 1000)
    find(e.actor, "riichi with " + grouped(start_.scores[e.actor]) + " points, fewer than 1,000");
  seat.riichi = Riichi::Declared;
  phase_ = Phase::ReachDiscard;
}

void KyokuChecker::on(const ev::ReachAccepted& e) {
  if (lost_) return;
  if (acceptance_due_ != e.actor)
    return find(e.actor, "reach_accepted, but no riichi discard of this seat has just passed");
  tally_.paid_riichi[e.actor] = true;
  acceptance_due_.reset();
}

void KyokuChecker::on(const ev::Dora& e) {
  if (lost_) return;
  if (dora_due_ == 0) return find(std::nullopt, "a dora line, but no kan's dora marker is due here");
  --dora_due_;
  see(e.dora_marker, std::nullopt);
  if (dora_count_ < dora_markers_.size()) dora_markers_[dora_count_++] = e.dora_marker;
}

void KyokuChecker::on(const ev::EndKyoku&) {
  if (!lost_ && phase_ != Phase::Over) find(std::nullopt, "end_kyoku before a hora or ryukyoku ends the kyoku");
}

}  // namespace paiscribe::rules
