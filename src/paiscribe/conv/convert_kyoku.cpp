#include "paiscribe/conv/convert_kyoku.hpp"

#include <algorithm>
#include <array>
#include <optional>
#include <span>

#include "paiscribe/conv/seat_actions.hpp"
#include "paiscribe/mjai/common_lines.hpp"

namespace paiscribe {
namespace {

using Failure = std::unexpected<ConversionError>;

constexpr Seat next_seat(Seat seat) { return static_cast<Seat>((seat + 1) % 4); }

// What the turn logic needs to know of a seat's next take when it is a chi,
// pon or daiminkan: the discard it claims, as one key of the seat that made
// it and its tile, and how strong the claim is.
struct NextCall {
  static constexpr std::uint16_t kNone = 0xFFFF;
  static constexpr std::uint16_t key(Seat target, Tile pai) {
    return static_cast<std::uint16_t>(target << 8 | pai.index());
  }

  std::uint16_t claims = kNone;
  std::int8_t rank = 0;  // the higher claim wins a discard; a daiminkan yields even to a chi

  bool is_call() const { return claims != kNone; }
  Seat target() const { return static_cast<Seat>(claims >> 8); }
  Tile pai() const { return Tile(static_cast<std::uint8_t>(claims & 0xFF)); }
};

NextCall next_call_of(const Action& take) {
  switch (take.kind) {
    case Action::Kind::Chi: return {NextCall::key(take.target, take.pai), 0};
    case Action::Kind::Pon: return {NextCall::key(take.target, take.pai), 1};
    case Action::Kind::Daiminkan: return {NextCall::key(take.target, take.pai), -1};
    default: return {};
  }
}

ev::StartKyoku start_kyoku_of(const RawKyoku& kyoku) {
  static constexpr std::array<Tile, 4> kWinds = {Tile(27), Tile(28), Tile(29), Tile(30)};
  const KyokuAt at = kyoku_at(kyoku.header);
  ev::StartKyoku start{
      .bakaze = kWinds[at.wind()],
      .dora_marker = kyoku.dora_indicators.front(),
      .kyoku = at.number(),
      .honba = kyoku.header.honba,
      .kyotaku = kyoku.header.kyotaku,
      .oya = static_cast<Seat>(at.kyoku_index % 4),
      .scores = kyoku.scores,
      .tehais = {kyoku.seats[0].haipai, kyoku.seats[1].haipai, kyoku.seats[2].haipai, kyoku.seats[3].haipai},
  };
  return start;
}

// A mark per tile for discards whose call could belong to a later discard
// of the same tile: the first such discard is called, the next is not.
enum class Ambiguity : std::uint8_t { Unseen, CalledOnce, PassedOnce };

// The part of a seat's list not yet played.
class Unplayed {
 public:
  Unplayed() = default;
  explicit Unplayed(const std::vector<Action>& list) : next_(list.data()), end_(list.data() + list.size()) {}

  bool empty() const { return next_ == end_; }
  const Action& front() const { return *next_; }
  const Action& pop() { return *next_++; }
  std::size_t remaining() const { return static_cast<std::size_t>(end_ - next_); }
  // Whether a dahai of `tile` is still to come.
  bool holds_dahai_of(Tile tile) const {
    return std::any_of(next_, end_, [tile](const Action& action) { return action.is_dahai() && action.pai == tile; });
  }

 private:
  const Action* next_ = nullptr;
  const Action* end_ = nullptr;
};

class KyokuReplay {
 public:
  KyokuReplay(const RawKyoku& kyoku, const EverySeatActions& players, GameLines& lines)
      : kyoku_(kyoku), lines_(lines), seat_(kyoku.header.kyoku_index % 4) {
    for (Seat seat = 0; seat < 4; ++seat) {
      takes_[seat] = Unplayed(players[seat].takes);
      note_next_call(seat);
      discards_[seat] = Unplayed(players[seat].discards);
      takes_left_ += players[seat].takes.size();
    }
  }

  std::expected<void, ConversionError> run() {
    Phase phase = Phase::Take;
    while (phase != Phase::Ended) {
      auto next = phase == Phase::Take ? take_phase() : discard_phase();
      if (!next) return Failure(std::move(next.error()));
      phase = *next;
    }
    return {};
  }

 private:
  enum class Phase { Take, Discard, Ended };
  using Step = std::expected<Phase, ConversionError>;

  Step take_phase() {
    if (takes_[seat_].empty()) return Failure(missing_take());
    const Action& take = takes_[seat_].pop();
    if (const NextCall call = next_call_[seat_]; call.is_call() && !call_is_possible(call))
      return Failure(unexpected_call());
    note_next_call(seat_);
    --takes_left_;

    if (reach_accept_pending_) {
      lines_.add(ev::ReachAccepted{reach_declarer_});
      reach_accept_pending_ = false;
    }

    if (take.kind == Action::Kind::Tsumo) {
      if (dora_at_next_tsumo_) {
        if (auto revealed = reveal_dora(); !revealed) return Failure(revealed.error());
        dora_at_next_tsumo_ = false;
      }
      lines_.add(tsumo_line(seat_, take.pai));
      return Phase::Discard;
    }
    if (take.kind == Action::Kind::Daiminkan) {
      if (dora_pending_) {
        if (auto revealed = reveal_dora(); !revealed) return Failure(revealed.error());
      }
      lines_.add(event_of(seat_, take));
      dora_pending_ = true;
      return Phase::Take;  // the rinshan draw
    }
    lines_.add(event_of(seat_, take));
    return Phase::Discard;
  }

  void write_discard(const Action& discard) {
    if (discard.is_dahai()) lines_.add(dahai_line(seat_, discard.pai, discard.tsumogiri));
    else lines_.add(event_of(seat_, discard));
  }

  Step discard_phase() {
    if (discards_[seat_].empty()) return Phase::Ended;
    const Action& discard = discards_[seat_].pop();
    note_discard(discard);

    if (dora_pending_) {
      if (discard.kind == Action::Kind::Dahai || discard.kind == Action::Kind::Ankan) {
        if (auto revealed = reveal_dora(); !revealed) return Failure(revealed.error());
        dora_pending_ = false;
      } else if (discard.kind == Action::Kind::Kakan) {
        dora_at_next_tsumo_ = true;
      }
    }
    write_discard(discard);

    if (discard.kind == Action::Kind::Reach) {
      if (discards_[seat_].empty()) return Failure(conversion_error::MissingReachDiscard{seat_at()});
      // The riichi tile goes out before any kan dora is shown.
      const Action& reach_discard = discards_[seat_].pop();
      note_discard(reach_discard);
      write_discard(reach_discard);
      reach_accept_pending_ = true;
      reach_declarer_ = seat_;
    }

    // A pending reach acceptance or kan dora dies with the kyoku.
    if (takes_left_ == 0) return Phase::Ended;

    if (discard.kind == Action::Kind::Kakan) {
      dora_pending_ = true;
      return Phase::Take;
    }
    if (discard.kind == Action::Kind::Ankan) {
      if (auto revealed = reveal_dora(); !revealed) return Failure(revealed.error());
      return Phase::Take;
    }
    const Seat discarder = seat_;
    seat_ = choose_next_seat(discarder);
    last_discarder_ = discarder;
    turn_passed_ = true;
    return Phase::Take;
  }

  Seat choose_next_seat(Seat discarder) {
    std::optional<Seat> chosen;
    int chosen_rank = 0;
    const std::uint16_t discard = NextCall::key(discarder, last_discard_);
    for (Seat seat = 0; seat < 4; ++seat) {
      const NextCall call = next_call_[seat];
      // A seat never claims its own discard: its key names another seat.
      if (call.claims != discard) continue;
      // Equal ranks go to the seat visited last.
      if (!chosen || call.rank >= chosen_rank) {
        chosen = seat;
        chosen_rank = call.rank;
      }
    }
    if (!chosen) return next_seat(discarder);

    // Rare: a call is made. Is the same tile discarded again later?
    if (!discards_[discarder].holds_dahai_of(last_discard_)) return *chosen;
    // The call may belong to the later discard of the same tile.
    Ambiguity& mark = ambiguous_calls_[last_discard_.index()];
    switch (mark) {
      case Ambiguity::Unseen:
        mark = Ambiguity::CalledOnce;
        return *chosen;
      case Ambiguity::CalledOnce:
        mark = Ambiguity::PassedOnce;
        return next_seat(discarder);
      case Ambiguity::PassedOnce:
        mark = Ambiguity::Unseen;
        return next_seat(discarder);
    }
    return next_seat(discarder);
  }

  bool call_is_possible(NextCall call) const {
    if (call.pai() != last_discard_) return false;
    return !turn_passed_ || (seat_ != last_discarder_ && call.target() == last_discarder_);
  }

  // Every discard asks whether the other seats' next takes call it, so each
  // take is looked at once, when it comes to the front of its list.
  void note_next_call(Seat seat) {
    next_call_[seat] = takes_[seat].empty() ? NextCall{} : next_call_of(takes_[seat].front());
  }

  void note_discard(const Action& discard) {
    if (discard.is_dahai()) last_discard_ = discard.pai;
  }

  std::expected<void, ConversionError> reveal_dora() {
    if (next_dora_ == kyoku_.dora_indicators.size())
      return Failure(conversion_error::DoraMarkersExhausted{kyoku_at(header()), seat_});
    lines_.add(ev::Dora{kyoku_.dora_indicators[next_dora_++]});
    return {};
  }

  conversion_error::MissingTake missing_take() const { return {seat_at()}; }

  // The take just popped from the current seat's list, which holds one event per item.
  conversion_error::UnexpectedEvent unexpected_call() const {
    const auto& items = kyoku_.seats[seat_].take_items;
    const std::size_t index = items.size() - takes_[seat_].remaining() - 1;
    const std::string_view text = items[index].text().value_or("");
    std::optional<conversion_error::Discard> last_discard;
    if (turn_passed_) last_discard = conversion_error::Discard{last_discarder_, last_discard_};
    return {ItemAt{seat_at(), ActionList::Takes, index}, std::string(text), last_discard};
  }

  const KyokuHeader& header() const { return kyoku_.header; }
  SeatAt seat_at() const { return {kyoku_at(header()), seat_}; }

  const RawKyoku& kyoku_;
  GameLines& lines_;

  std::array<Unplayed, 4> takes_;
  std::array<Unplayed, 4> discards_;
  std::array<NextCall, 4> next_call_;
  std::size_t takes_left_ = 0;
  std::size_t next_dora_ = 1;  // the first indicator opens the kyoku
  std::array<Ambiguity, Tile::kCount> ambiguous_calls_{};

  Seat seat_;
  Tile last_discard_ = Tile::hidden();
  Seat last_discarder_ = 0;
  bool turn_passed_ = false;
  bool dora_pending_ = false;
  bool dora_at_next_tsumo_ = false;
  bool reach_accept_pending_ = false;
  Seat reach_declarer_ = 0;
};

}  // namespace

std::expected<void, ConversionError> convert_kyoku(const RawKyoku& kyoku, const KyokuOutcome& outcome,
                                                   EverySeatActions& seats, GameLines& lines) {
  for (Seat seat = 0; seat < 4; ++seat) {
    const RawSeat& lists = kyoku.seats[seat];
    const SeatAt at{kyoku_at(kyoku.header), seat};
    if (auto built = build_seat_actions(at, lists.take_items, lists.discard_items, seats[seat]); !built) return built;
  }
  if (kyoku.dora_indicators.empty())
    return Failure(conversion_error::DoraMarkersExhausted{kyoku_at(kyoku.header), std::nullopt});

  lines.add(start_kyoku_of(kyoku));
  KyokuReplay replay(kyoku, seats, lines);
  if (auto played = replay.run(); !played) return played;
  close_kyoku(lines, outcome.result, outcome.wins, kyoku.ura_indicators);
  return {};
}

}  // namespace paiscribe
