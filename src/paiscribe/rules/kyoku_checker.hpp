#pragma once

#include <array>
#include <cstdint>
#include <expected>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "paiscribe/mjai/event.hpp"
#include "paiscribe/rules/finding.hpp"
#include "paiscribe/rules/seat_hand.hpp"
#include "paiscribe/scoring/hand_value.hpp"
#include "paiscribe/scoring/points.hpp"
#include "paiscribe/scoring/tile_kind.hpp"

namespace paiscribe::rules {

// A win as the replay scored it.
struct ScoredWin {
  std::size_t line = 0;
  Seat actor = 0;
  Seat target = 0;
  scoring::HandValue value;
  Deltas deltas{};  // what the win pays by the rules
  scoring::KindCounts concealed{};  // the winner's concealed tiles, the winning one among them
  scoring::Kind winning = 0;
  std::optional<Seat> liable;  // who pays for a daisangen or daisuushii (pao)
};

// Which draw ended a kyoku. Exhaustive: the wall ran out with one to three
// seats tenpai, who are paid.
enum class DrawKind : std::uint8_t {
  Exhaustive, AllTenpai, AllNoten, NagashiMangan, NineTerminals, FourWinds, FourRiichi, FourKans, TripleRon,
};

// A ryukyoku line as the replay ruled it.
struct RuledDraw {
  std::size_t line = 0;
  DrawKind kind = DrawKind::Exhaustive;
};

// What a kyoku leaves to the next: the score changes, the sticks put down
// and who deals.
struct KyokuTally {
  std::array<std::int64_t, 4> deltas{};  // of every hora and ryukyoku line, summed past any int32
  std::array<bool, 4> paid_riichi{};  // sticks put down this kyoku
  bool won = false;
  bool dealer_won = false;
  bool dealer_keeps = false;      // the dealer won, was tenpai at the draw, or the draw was abortive
  bool reliable = true;           // false once the replay lost track of the play
};

// Replays one kyoku's play, line by line, from its start_kyoku (whose
// fields the game has checked) to its end_kyoku, and adds what breaks the
// rules to the findings. Every tile it is given is a real one.
class KyokuChecker {
 public:
  // `open_tanyao`: whether tanyao counts in an open hand, when the game's
  // record says; unknown, a win may be scored either way.
  KyokuChecker(const ev::StartKyoku& start, bool aka, std::optional<bool> open_tanyao, Findings& findings,
               std::vector<ScoredWin>& wins, std::vector<RuledDraw>& draws);
  KyokuChecker(const KyokuChecker&) = delete;
  KyokuChecker& operator=(const KyokuChecker&) = delete;

  void on(const ev::Tsumo& e);
  void on(const ev::Dahai& e);
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
  void on(const ev::EndKyoku& e);
  // A line that is no event: the play can no longer be followed.
  void lose_track() { lost_ = true; }

  KyokuTally tally() const {
    KyokuTally tally = tally_;
    tally.reliable = !lost_;
    return tally;
  }

 private:
  // Whose move it is and what it may be.
  enum class Phase : std::uint8_t {
    Draw,          // `seat_` draws, unless the last discard is called or won on
    Act,           // `seat_` has drawn: discard, kan, riichi, tsumo or nine terminals
    CallDiscard,   // `seat_` called a chi or pon and discards
    ReachDiscard,  // `seat_` declared riichi and discards
    Rinshan,       // `seat_` made a kan and draws its replacement
    Over,          // a hora or ryukyoku ended the play
  };
  enum class Riichi : std::uint8_t { None, Declared, Standing };
  enum class ClaimKind : std::uint8_t { Discard, AddedKan, ClosedKan };

  // A tile others may call or win on.
  struct Claim {
    Tile tile;
    Seat from;
    ClaimKind kind;
    bool last_tile;       // the discard after the wall ran out: houtei
    bool riichi_discard;  // the discard that declared riichi
  };

  struct SeatState {
    SeatHand hand;
    scoring::KindMask discarded = 0;         // every kind it discarded
    scoring::KindMask passed = 0;            // kinds it let go by since its last discard
    scoring::KindMask passed_in_riichi = 0;  // and since its riichi
    int discards = 0;
    bool nagashi = true;  // only terminals and honours discarded, none called
    Riichi riichi = Riichi::None;
    bool double_riichi = false;
    bool ippatsu = false;
    std::optional<Seat> liable;  // pao for a third dragon or fourth wind meld
  };

  enum class Abort : std::uint8_t { None, FourWinds, FourRiichi, FourKans };
  static std::string_view abort_name(Abort abort);
  static DrawKind abort_kind(Abort abort);

  // A draw's ruling: which it is, its deltas, why, and whether the dealer deals again.
  struct DrawRuling {
    DrawKind kind;
    Deltas deltas{};
    std::string reason;
    bool dealer_keeps = true;
  };

  // kyoku_replay.cpp: the frame, draws, discards, riichi and dora
  void find(std::optional<Seat> seat, std::string message);
  void find_lost(std::optional<Seat> seat, std::string message);
  // The checks of every draw and discard stay inline; what they find is
  // worded out of line.
  static constexpr std::uint8_t phases(std::initializer_list<Phase> list) {
    std::uint8_t mask = 0;
    for (const Phase phase : list) mask |= static_cast<std::uint8_t>(1 << static_cast<int>(phase));
    return mask;
  }
  bool on_turn(Seat actor, std::uint8_t allowed, std::string_view what) {
    if (actor == seat_ && (allowed >> static_cast<int>(phase_) & 1)) [[likely]] return true;
    out_of_turn(actor, what);
    return false;
  }
  void out_of_turn(Seat actor, std::string_view what);
  std::string turn_text() const;
  void before_take(Seat actor) {
    if (acceptance_due_ || abort_ != Abort::None) [[unlikely]] report_missed_end(actor);
  }
  void report_missed_end(Seat actor);
  void check_dora_shown(Seat actor) {
    if (dora_due_ != 0) [[unlikely]] report_missing_dora(actor);
  }
  void report_missing_dora(Seat actor);
  void settle_claim();
  void see(Tile tile, std::optional<Seat> seat) {
    if (++seen_[tile.index()] > copy_limits_[tile.index()]) [[unlikely]] report_copies(tile, seat);
  }
  void report_copies(Tile tile, std::optional<Seat> seat);
  void check_tsumogiri(const ev::Dahai& e);
  void note_discard(const ev::Dahai& e);
  void stand_riichi(Seat seat);

  // kyoku_calls.cpp: chi, pon and the kans
  bool check_claimed(Seat actor, Seat target, Tile pai, std::string_view what);
  bool take_consumed(Seat actor, std::span<const Tile> consumed);
  void lay_down(Seat actor, Seat target, Tile pai, std::span<const Tile> consumed, scoring::MeldKind kind);
  bool check_kan_room(Seat actor);
  void interrupt();
  void start_rinshan(Seat actor, std::optional<Claim> robbable);
  void note_liability(Seat actor, Seat target);

  // kyoku_end.cpp: wins and draws
  bool check_win_turn(const ev::Hora& e);
  void check_furiten(Seat actor);
  scoring::Situation situation_of(Seat actor, bool tsumo, std::span<const Tile> ura_markers, bool open_tanyao) const;
  scoring::WinningHand winning_hand(Seat actor, bool tsumo) const;
  std::expected<scoring::HandValue, scoring::NoWin> value_of(Seat actor, bool tsumo, std::span<const Tile> ura_markers,
                                                             bool open_tanyao) const;
  void check_win_value(const ev::Hora& e, bool tsumo, std::span<const Tile> ura_markers);
  void check_ura(const ev::Hora& e);
  scoring::WinTerms terms_of(const ev::Hora& e, const scoring::HandValue& value) const;
  std::optional<DrawRuling> rule_draw() const;
  DrawRuling exhaustive_draw() const;
  bool is_nine_terminals() const;
  bool is_triple_ron() const;
  void account(const std::optional<Deltas>& deltas);

  Seat dealer() const { return start_.oya; }
  scoring::Kind seat_wind(Seat seat) const {
    return static_cast<scoring::Kind>(scoring::kEast + (seat - dealer() + 4) % 4);
  }

  ev::StartKyoku start_;
  std::optional<bool> open_tanyao_;
  Findings& findings_;
  std::vector<ScoredWin>& wins_;
  std::vector<RuledDraw>& draws_;

  std::array<SeatState, 4> seats_;
  Phase phase_ = Phase::Draw;
  Seat seat_;
  std::optional<Tile> drawn_;  // the tile `seat_` just drew
  bool rinshan_draw_ = false;
  std::optional<Claim> claim_;
  scoring::KindMask kuikae_ = 0;  // kinds the caller may not discard now

  int live_left_ = 70;  // 136 tiles, 14 in the dead wall, 52 dealt
  int kans_ = 0;
  std::uint8_t kan_seats_ = 0;  // a bit per seat that made a kan
  bool any_call_ = false;       // any chi, pon or kan this kyoku
  int discards_ = 0;
  bool four_winds_open_ = true;  // the discards so far are all the same wind
  Abort abort_ = Abort::None;
  std::optional<Seat> acceptance_due_;

  std::array<Tile, 5> dora_markers_{Tile::hidden(), Tile::hidden(), Tile::hidden(), Tile::hidden(), Tile::hidden()};
  std::size_t dora_count_ = 0;
  int dora_due_ = 0;         // kan dora that must be shown before the next draw or discard
  int dora_after_draw_ = 0;  // kan dora shown only after the replacement draw
  std::array<std::uint8_t, Tile::kCount> seen_{};
  const std::array<std::uint8_t, Tile::kCount>& copy_limits_;

  scoring::Kind first_discard_ = 0;
  int winners_ = 0;
  Seat last_winner_ = 0;
  bool riichi_winner_ = false;     // a winner of this discard was in riichi
  std::vector<Tile> ura_shown_;  // the first non-empty ura markers
  bool lost_ = false;
  KyokuTally tally_;
};

}  // namespace paiscribe::rules
