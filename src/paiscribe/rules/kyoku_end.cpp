#include <algorithm>

#include "paiscribe/rules/kyoku_checker.hpp"
#include "paiscribe/rules/wording.hpp"
#include "paiscribe/scoring/hand_shape.hpp"

namespace paiscribe::rules {

using namespace scoring;

namespace {

constexpr int seats_after(Seat from, Seat to) { return (to - from + 4) % 4; }

}  // namespace

bool KyokuChecker::check_win_turn(const ev::Hora& e) {
  if (e.actor == e.target) {
    if (phase_ == Phase::Act && e.actor == seat_) return true;
    find_lost(e.actor, "tsumo win, but the seat has not just drawn: " + turn_text());
    return false;
  }
  if (!claim_ || claim_->from != e.target) {
    find_lost(e.actor, "ron on seat " + std::to_string(e.target) + ", which has no tile out to win on");
    return false;
  }
  if (winners_ == 2) find(e.actor, "a third ron on one tile: Tenhou ends a triple ron in a draw");
  if (winners_ > 0 && seats_after(e.target, e.actor) <= seats_after(e.target, last_winner_))
    find(e.actor, "the wins of one discard come out of turn order from the discarder");
  return true;
}

void KyokuChecker::check_furiten(Seat actor) {
  const SeatState& seat = seats_[actor];
  const KindMask waits = waits_of(seat.hand.kinds(), seat.hand.held());
  if (waits & seat.discarded) find(actor, "ron while furiten: its own discards hold one of its waits");
  else if (waits & seat.passed) find(actor, "ron while furiten: it let a winning tile go by since its last discard");
  else if (waits & seat.passed_in_riichi) find(actor, "ron while furiten: it let a winning tile go by in riichi");
}

Situation KyokuChecker::situation_of(Seat actor, bool tsumo, std::span<const Tile> ura_markers,
                                     bool open_tanyao) const {
  const SeatState& seat = seats_[actor];
  const bool riichi = seat.riichi == Riichi::Standing;
  const bool robbed = !tsumo && claim_ && claim_->kind == ClaimKind::AddedKan;
  return {
      .seat_wind = seat_wind(actor),
      .round_wind = kind_of(start_.bakaze),
      .tsumo = tsumo,
      .riichi = riichi,
      .double_riichi = riichi && seat.double_riichi,
      .ippatsu = riichi && seat.ippatsu,
      .haitei = tsumo && live_left_ == 0 && !rinshan_draw_,
      .houtei = !tsumo && claim_ && claim_->last_tile,
      .rinshan = tsumo && rinshan_draw_,
      .chankan = robbed,
      .first_draw = tsumo && !any_call_ && seat.discards == 0 && !rinshan_draw_,
      .dora_markers = std::span(dora_markers_.data(), dora_count_),
      .ura_markers = ura_markers,
      .open_tanyao = open_tanyao,
  };
}

// The winner's hand with the tile it won on: the one drawn, or the one out.
WinningHand KyokuChecker::winning_hand(Seat actor, bool tsumo) const {
  const SeatHand& hand = seats_[actor].hand;
  const Tile winning = tsumo ? *drawn_ : claim_->tile;
  WinningHand winner{hand.kinds(), hand.melds(), kind_of(winning), hand.red_fives()};
  if (!tsumo) {
    ++winner.concealed[kind_of(winning)];
    winner.red_fives += is_red(winning) ? 1 : 0;
  }
  return winner;
}

std::expected<HandValue, NoWin> KyokuChecker::value_of(Seat actor, bool tsumo, std::span<const Tile> ura_markers,
                                                      bool open_tanyao) const {
  return value_hand(winning_hand(actor, tsumo), situation_of(actor, tsumo, ura_markers, open_tanyao));
}

// The markers under the dora markers show for a winner in riichi, and the
// second win of a discard shows the first's.
void KyokuChecker::check_ura(const ev::Hora& e) {
  const std::size_t shown = e.ura_markers ? e.ura_markers->size() : 0;
  const bool riichi = seats_[e.actor].riichi == Riichi::Standing;
  if (riichi && shown != dora_count_) {
    find(e.actor, "a winner in riichi shows " + std::to_string(shown) + " ura markers, but " +
                      std::to_string(dora_count_) + " dora markers are out");
  }
  if (!riichi && shown > 0 && !riichi_winner_) find(e.actor, "ura markers shown for a winner not in riichi");
  if (shown == 0) return;
  if (ura_shown_.empty()) {
    ura_shown_ = *e.ura_markers;
    for (const Tile tile : ura_shown_) see(tile, e.actor);
  } else if (ura_shown_ != *e.ura_markers) {
    find(e.actor, "the wins of one discard show different ura markers");
  }
}

WinTerms KyokuChecker::terms_of(const ev::Hora& e, const HandValue& value) const {
  WinTerms terms{.winner = e.actor, .target = e.target, .dealer = dealer(), .base = base_points(value)};
  // Of two wins on one discard, the one nearer the discarder takes the table's sticks.
  if (winners_ == 0) {
    terms.honba = start_.honba;
    terms.deposits = start_.kyotaku + static_cast<int>(std::ranges::count(tally_.paid_riichi, true));
  }
  if (value.yaku.has(Yaku::Daisangen) || value.yaku.has(Yaku::Daisuushii)) terms.liable = seats_[e.actor].liable;
  return terms;
}

// The hand's value and what it pays. Where the room's rule on open tanyao is
// not known, an open hand with tanyao may be paid as if it did not count.
void KyokuChecker::check_win_value(const ev::Hora& e, bool tsumo, std::span<const Tile> ura_markers) {
  auto value = value_of(e.actor, tsumo, ura_markers, open_tanyao_.value_or(true));
  if (!value) {
    return find(e.actor,
                value.error() == NoWin::Incomplete ? "hora, but the hand is not complete" : "hora without a yaku");
  }
  if (!tsumo && claim_->kind == ClaimKind::ClosedKan && !value->yaku.has(Yaku::Kokushi))
    find(e.actor, "ron on a closed kan, which only kokushi musou may rob");
  WinTerms terms = terms_of(e, *value);
  Deltas expected = win_deltas(terms);
  if (e.deltas && *e.deltas != expected && !open_tanyao_ && !seats_[e.actor].hand.closed() &&
      value->yaku.has(Yaku::Tanyao)) {
    if (auto without = value_of(e.actor, tsumo, ura_markers, false)) {
      const WinTerms other_terms = terms_of(e, *without);
      if (win_deltas(other_terms) == *e.deltas) {
        value = std::move(without);
        terms = other_terms;
        expected = *e.deltas;
      }
    }
  }
  if (!e.deltas) find(e.actor, "hora without deltas");
  else if (*e.deltas != expected) find(e.actor, "hora deltas " + seats_numbers(*e.deltas) + ", but " + explain_win(terms, *value));
  const WinningHand hand = winning_hand(e.actor, tsumo);
  wins_.push_back({findings_.line(), e.actor, e.target, *value, expected, hand.concealed, hand.winning, terms.liable});
}

void KyokuChecker::on(const ev::Hora& e) {
  if (!lost_ && check_win_turn(e)) {
    const bool tsumo = e.actor == e.target;
    if (!tsumo) check_furiten(e.actor);
    if (!tsumo && claim_->riichi_discard && tally_.paid_riichi[e.target])
      find(e.target, "reach_accepted came for a riichi discard that was won on");
    check_ura(e);
    check_win_value(e, tsumo, e.ura_markers ? std::span<const Tile>(*e.ura_markers) : std::span<const Tile>());
    riichi_winner_ = riichi_winner_ || seats_[e.actor].riichi == Riichi::Standing;
  }
  acceptance_due_.reset();  // a riichi discard won on puts down no stick
  account(e.deltas);
  tally_.won = true;
  if (e.actor == dealer()) tally_.dealer_won = tally_.dealer_keeps = true;
  last_winner_ = e.actor;
  ++winners_;
  phase_ = Phase::Over;
}

void KyokuChecker::on(const ev::Ryukyoku& e) {
  if (lost_ || phase_ == Phase::Over) {
    if (!lost_) find(std::nullopt, "ryukyoku after the kyoku ended");
    phase_ = Phase::Over;
    return;
  }
  const auto ruling = rule_draw();
  if (!ruling) {
    find_lost(std::nullopt, "ryukyoku, but no draw applies here: " + turn_text());
    phase_ = Phase::Over;
    return;
  }
  if (!e.deltas) find(std::nullopt, "ryukyoku without deltas");
  else if (*e.deltas != ruling->deltas)
    find(std::nullopt, "ryukyoku deltas " + seats_numbers(*e.deltas) + ", but " + ruling->reason + " gives " +
                           seats_numbers(ruling->deltas));
  draws_.push_back({findings_.line(), ruling->kind});
  // The last riichi's stick stays on the table when the riichi ends play.
  if (acceptance_due_) tally_.paid_riichi[*acceptance_due_] = true;
  acceptance_due_.reset();
  abort_ = Abort::None;
  account(e.deltas);
  tally_.dealer_keeps = ruling->dealer_keeps;
  phase_ = Phase::Over;
}

std::optional<KyokuChecker::DrawRuling> KyokuChecker::rule_draw() const {
  if (phase_ == Phase::Act && is_nine_terminals()) return DrawRuling{DrawKind::NineTerminals, {}, "nine terminals"};
  if (!claim_) return std::nullopt;
  if (phase_ == Phase::Draw && abort_ != Abort::None) return DrawRuling{abort_kind(abort_), {}, std::string(abort_name(abort_))};
  if (phase_ == Phase::Draw && claim_->last_tile) return exhaustive_draw();
  if (is_triple_ron()) return DrawRuling{DrawKind::TripleRon, {}, "a triple ron"};
  return std::nullopt;
}

// Nagashi mangan is paid as a mangan tsumo, and replaces the tenpai payments.
KyokuChecker::DrawRuling KyokuChecker::exhaustive_draw() const {
  std::array<bool, 4> tenpai{}, nagashi{};
  for (Seat seat = 0; seat < 4; ++seat) {
    // A hand in riichi stood tenpai and has kept its waits since.
    const SeatHand& hand = seats_[seat].hand;
    tenpai[seat] = seats_[seat].riichi == Riichi::Standing || is_tenpai(hand.kinds(), hand.held());
    nagashi[seat] = seats_[seat].nagashi;
  }
  DrawRuling ruling{DrawKind::NagashiMangan, {}, {}};
  ruling.dealer_keeps = tenpai[dealer()];
  if (std::ranges::count(nagashi, true) > 0) {
    for (Seat seat = 0; seat < 4; ++seat) {
      if (!nagashi[seat]) continue;
      const Deltas mangan = win_deltas({.winner = seat, .target = seat, .dealer = dealer(), .base = 2000});
      for (Seat each = 0; each < 4; ++each) ruling.deltas[each] += mangan[each];
    }
    ruling.reason = "nagashi mangan of seat " + seats_listed(nagashi);
    return ruling;
  }
  const auto count = std::ranges::count(tenpai, true);
  ruling.kind = count == 0 ? DrawKind::AllNoten : count == 4 ? DrawKind::AllTenpai : DrawKind::Exhaustive;
  if (count > 0 && count < 4) {
    for (Seat seat = 0; seat < 4; ++seat)
      ruling.deltas[seat] = tenpai[seat] ? static_cast<int>(3000 / count) : -static_cast<int>(3000 / (4 - count));
  }
  ruling.reason = "the exhaustive draw with seats tenpai: " + seats_listed(tenpai);
  return ruling;
}

bool KyokuChecker::is_nine_terminals() const {
  if (any_call_ || seats_[seat_].discards > 0 || rinshan_draw_) return false;
  const KindCounts& kinds = seats_[seat_].hand.kinds();
  int orphans = 0;
  for (Kind kind = 0; kind < kKinds; ++kind) orphans += is_orphan(kind) && kinds[kind] > 0;
  return orphans >= 9;
}

// Three players could win on the tile out.
bool KyokuChecker::is_triple_ron() const {
  if (claim_->kind == ClaimKind::ClosedKan) return false;
  for (Seat seat = 0; seat < 4; ++seat) {
    if (seat != claim_->from && !value_of(seat, false, {}, open_tanyao_.value_or(true))) return false;
  }
  return true;
}

void KyokuChecker::account(const std::optional<Deltas>& deltas) {
  if (!deltas) return;
  for (Seat seat = 0; seat < 4; ++seat) tally_.deltas[seat] += (*deltas)[seat];
}

}  // namespace paiscribe::rules
