#include "paiscribe/rebuild/log_builder.hpp"

#include <algorithm>
#include <utility>

#include "paiscribe/rebuild/call_texts.hpp"
#include "paiscribe/rebuild/win_details.hpp"
#include "paiscribe/record/notation.hpp"
#include "paiscribe/record/tile_code.hpp"

namespace paiscribe::rebuild {
namespace {

using scoring::kind_of;

// What Tenhou calls a room game's rule: the general room, East-only or
// East-South, open tanyao, and red fives when the game has them.
constexpr std::string_view kGeneralRoom = "\xE8\x88\xAC";  // 般
constexpr std::string_view kOpenTanyao = "\xE5\x96\xB0";   // 喰
constexpr std::string_view kRedFives = "\xE8\xB5\xA4";     // 赤

Rule rule_of(const ev::StartGame& e) {
  Rule rule;
  rule.disp = kGeneralRoom;
  rule.disp += e.kyoku_first == 4 ? notation::kEastOnly : notation::kEastSouth;
  rule.disp += kOpenTanyao;
  if (e.aka_flag) rule.disp += kRedFives;
  rule.aka = rule.aka51 = rule.aka52 = rule.aka53 = e.aka_flag ? 1 : 0;
  return rule;
}

std::uint8_t kyoku_index_of(const ev::StartKyoku& e) {
  return static_cast<std::uint8_t>((kind_of(e.bakaze) - scoring::kEast) * 4 + e.kyoku - 1);
}

// The seats from the caller to the giver, as the call's letter places it.
std::uint8_t giver_of(Seat actor, Seat target) { return static_cast<std::uint8_t>((target - actor + 4) % 4); }

// The result name of a draw, and whether its deltas follow it.
std::pair<std::string_view, bool> draw_name(rules::DrawKind kind) {
  using enum rules::DrawKind;
  switch (kind) {
    case Exhaustive: return {notation::kExhaustiveDraw, true};
    case AllTenpai: return {notation::kAllTenpai, false};
    case AllNoten: return {notation::kAllNoten, false};
    case NagashiMangan: return {notation::kNagashiMangan, true};
    case NineTerminals: return {notation::kNineTerminals, false};
    case FourWinds: return {notation::kFourWinds, false};
    case FourRiichi: return {notation::kFourRiichi, false};
    case FourKans: return {notation::kFourKans, false};
    case TripleRon: return {notation::kTripleRon, false};
  }
  return {notation::kExhaustiveDraw, true};
}

// A game of four players from 25,000 points each: 30,000 are returned,
// the top takes the 20,000 over, and the ranks gain 20, 10, -10 and -20
// in thousands (ties go to the seat nearer the first dealer).
constexpr std::int32_t kReturned = 30000;
constexpr std::array<std::int32_t, 4> kRankBonus = {40000, 10000, -10000, -20000};

// Room for what a typical game holds, made once rather than grown.
constexpr std::size_t kTypicalKyokus = 16;
constexpr std::size_t kTypicalItems = 32;

}  // namespace

LogBuilder::LogBuilder(const rules::GameChecker& checker, RebuiltGame& into)
    : checker_(checker), log_(into.log), details_(into.details) {
  log_.name = {};
  log_.rule = {};
  details_.version.clear();
  details_.final_scores.clear();
  details_.wins.clear();
}

void LogBuilder::on(const ev::StartGame& e) {
  log_.kyokus.reserve(kTypicalKyokus);
  log_.name = e.names.array();
  log_.rule = rule_of(e);
  details_.version = "2.3";
}

// Each kyoku in the room of the last game's, where there is one.
void LogBuilder::on(const ev::StartKyoku& e) {
  if (kyokus_ < log_.kyokus.size()) {
    kyoku_ = &log_.kyokus[kyokus_];
    kyoku_->clear();
  } else {
    kyoku_ = &log_.kyokus.emplace_back();
  }
  ++kyokus_;
  RawKyoku& kyoku = *kyoku_;
  kyoku.header = {kyoku_index_of(e), e.honba, e.kyotaku};
  kyoku.scores = e.scores;
  kyoku.dora_indicators.reserve(5);
  kyoku.dora_indicators.push_back(e.dora_marker);
  kyoku.result.reserve(3);
  for (Seat at = 0; at < 4; ++at) {
    RawSeat& seat = kyoku.seats[at];
    seat.haipai = e.tehais[at];
    seat.take_items.reserve(kTypicalItems);
    seat.discard_items.reserve(kTypicalItems);
  }
  calls_ = {};
  kan_turn_.reset();
  riichi_.reset();
  stick_due_.reset();
  scores_ = e.scores;
  deposits_ = e.kyotaku;
}

void LogBuilder::on_marked_dahai(const ev::Dahai& e) {
  ActionItems& discards = this->discards(e.actor);
  const std::uint8_t code = e.tsumogiri ? notation::kDrawnTile : code_of_tile(e.pai);
  if (riichi_ != e.actor) return discards.add(code);
  std::string text(1, notation::kRiichiLetter);
  text += static_cast<char>('0' + code / 10);
  text += static_cast<char>('0' + code % 10);
  discards.add(text);
  riichi_.reset();
  stick_due_ = e.actor;
}

void LogBuilder::call(Seat actor, scoring::Kind kind, std::string text) {
  seat(actor).take_items.add(text);
  calls_[actor].add(kind, std::move(text));
}

void LogBuilder::on(const ev::Chi& e) { call(e.actor, kind_of(e.pai), chi_text(e.pai, e.consumed)); }

void LogBuilder::on(const ev::Pon& e) {
  call(e.actor, kind_of(e.pai), pon_text(e.pai, e.consumed, giver_of(e.actor, e.target)));
}

void LogBuilder::on(const ev::Daiminkan& e) {
  call(e.actor, kind_of(e.pai), open_kan_text(e.pai, e.consumed, giver_of(e.actor, e.target)));
  kan_turn_ = e.actor;
}

// The turn of an open kan makes no discard: the list holds its place, once
// the player makes a discard or kan after the replacement draw.
ActionItems& LogBuilder::discards(Seat actor) {
  ActionItems& items = seat(actor).discard_items;
  if (kan_turn_ == actor) {
    items.add(notation::kHiddenTile);
    kan_turn_.reset();
  }
  return items;
}

void LogBuilder::on(const ev::Kakan& e) {
  SeatCalls& calls = calls_[e.actor];
  for (std::size_t at = 0; at < calls.count; ++at) {
    CalledSet& set = calls.sets[at];
    if (set.kind != kind_of(e.pai) || set.text.find(notation::letter_of(notation::Call::Pon)) == std::string::npos)
      continue;
    set.text = added_kan_text(set.text, e.pai);
    discards(e.actor).add(set.text);
    return;
  }
}

void LogBuilder::on(const ev::Ankan& e) {
  std::string text = closed_kan_text(e.consumed);
  discards(e.actor).add(text);
  calls_[e.actor].add(kind_of(e.consumed[0]), std::move(text));
}

void LogBuilder::on(const ev::Dora& e) { kyoku().dora_indicators.push_back(e.dora_marker); }

void LogBuilder::on(const ev::Reach& e) { riichi_ = e.actor; }

void LogBuilder::on(const ev::ReachAccepted& e) { put_stick(e.actor); }

void LogBuilder::put_stick(Seat seat) {
  scores_[seat] -= 1000;
  ++deposits_;
  stick_due_.reset();
}

void LogBuilder::pay(const Deltas& deltas) {
  for (Seat at = 0; at < 4; ++at) scores_[at] += deltas[at];
}

void LogBuilder::on(const ev::Hora& e) {
  RawKyoku& kyoku = this->kyoku();
  if (kyoku.result.empty()) kyoku.result.push_back({ResultItem::Text{std::string(notation::kWin)}});
  if (kyoku.ura_indicators.empty() && e.ura_markers) kyoku.ura_indicators = *e.ura_markers;
  kyoku.result.push_back({ResultItem::Deltas{*e.deltas}});
  kyoku.result.push_back({ResultItem::Details{}});
  const SeatCalls& calls = calls_[e.actor];
  std::array<scoring::Kind, 4> called{};
  for (std::size_t at = 0; at < calls.count; ++at) called[at] = calls.sets[at].kind;
  const Seat dealer = kyoku.header.kyoku_index % 4;
  details_.wins.push_back(win_details(checker_.wins().back(), std::span(called).first(calls.count), dealer));
  // A riichi discard won on puts down no stick; the first winner takes the table's.
  stick_due_.reset();
  pay(*e.deltas);
  deposits_ = 0;
}

void LogBuilder::on(const ev::Ryukyoku& e) {
  const auto [name, with_deltas] = draw_name(checker_.draws().back().kind);
  RawKyoku& kyoku = this->kyoku();
  kyoku.result.push_back({ResultItem::Text{std::string(name)}});
  if (with_deltas) kyoku.result.push_back({ResultItem::Deltas{*e.deltas}});
  // A riichi whose discard ended the kyoku still leaves its stick.
  if (stick_due_) put_stick(*stick_due_);
  pay(*e.deltas);
}

void LogBuilder::on(const ev::EndGame&) {
  if (kyokus_ > 0) write_final_scores();
}

// Each seat's score in hundreds and its result, the deposits left on the
// table going to the top.
void LogBuilder::write_final_scores() {
  std::array<Seat, 4> ranked = {0, 1, 2, 3};
  std::ranges::stable_sort(ranked, std::ranges::greater{}, [&](Seat at) { return scores_[at]; });
  scores_[ranked[0]] += 1000 * deposits_;
  deposits_ = 0;
  details_.final_scores.assign(8, 0.0);
  for (std::size_t rank = 0; rank < ranked.size(); ++rank) {
    const Seat at = ranked[rank];
    // In tenths of a thousand, exact, then as the number Tenhou writes.
    const std::int64_t tenths = (std::int64_t{scores_[at]} - kReturned + kRankBonus[rank]) / 100;
    details_.final_scores[2 * at] = scores_[at] / 100.0;
    details_.final_scores[2 * at + 1] = static_cast<double>(tenths) / 10.0;
  }
}

}  // namespace paiscribe::rebuild
