#include "paiscribe/conv/convert_kyoku.hpp"

#include <array>
#include <optional>
#include <span>

#include "paiscribe/conv/seat_events.hpp"

namespace paiscribe {
namespace {

using Failure = std::unexpected<ConversionError>;

constexpr Seat next_seat(Seat seat) { return static_cast<Seat>((seat + 1) % 4); }

// What the turn logic needs to know of a chi, pon or daiminkan.
struct Call {
  Seat target;
  Tile pai;
  int rank;  // the higher claim wins a discard; a daiminkan yields even to a chi
};

std::optional<Call> call_of(const Event& event) {
  if (const auto* chi = std::get_if<ev::Chi>(&event)) return Call{chi->target, chi->pai, 0};
  if (const auto* pon = std::get_if<ev::Pon>(&event)) return Call{pon->target, pon->pai, 1};
  if (const auto* kan = std::get_if<ev::Daiminkan>(&event)) return Call{kan->target, kan->pai, -1};
  return std::nullopt;
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
  explicit Unplayed(const std::vector<Event>& list) : next_(list.data()), end_(list.data() + list.size()) {}

  bool empty() const { return next_ == end_; }
  const Event& front() const { return *next_; }
  const Event& pop() { return *next_++; }
  std::size_t remaining() const { return static_cast<std::size_t>(end_ - next_); }

 private:
  const Event* next_ = nullptr;
  const Event* end_ = nullptr;
};

class KyokuReplay {
 public:
  KyokuReplay(const RawKyoku& kyoku, const EverySeatEvents& players, std::vector<Event>& events)
      : kyoku_(kyoku), events_(events), seat_(kyoku.header.kyoku_index % 4) {
    for (Seat seat = 0; seat < 4; ++seat) {
      takes_[seat] = Unplayed(players[seat].takes);
      note_next_call(seat);
      discards_[seat] = Unplayed(players[seat].discards);
      takes_left_ += players[seat].takes.size();
      for (const Event& discard : players[seat].discards) {
        if (const auto* dahai = std::get_if<ev::Dahai>(&discard)) ++remaining_discards_[seat][dahai->pai.index()];
      }
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
    const Event& take = takes_[seat_].pop();
    if (const auto& call = next_call_[seat_]; call && !call_is_possible(*call)) return Failure(unexpected_call());
    note_next_call(seat_);
    --takes_left_;

    if (reach_accept_pending_) {
      events_.emplace_back(ev::ReachAccepted{reach_declarer_});
      reach_accept_pending_ = false;
    }

    if (std::holds_alternative<ev::Tsumo>(take)) {
      if (dora_at_next_tsumo_) {
        if (auto revealed = reveal_dora(); !revealed) return Failure(revealed.error());
        dora_at_next_tsumo_ = false;
      }
      events_.push_back(take);
      return Phase::Discard;
    }
    if (std::holds_alternative<ev::Daiminkan>(take)) {
      if (dora_pending_) {
        if (auto revealed = reveal_dora(); !revealed) return Failure(revealed.error());
      }
      events_.push_back(take);
      dora_pending_ = true;
      return Phase::Take;  // the rinshan draw
    }
    events_.push_back(take);
    return Phase::Discard;
  }

  Step discard_phase() {
    if (discards_[seat_].empty()) return Phase::Ended;
    const Event& discard = discards_[seat_].pop();
    note_discard(discard);

    if (dora_pending_) {
      if (std::holds_alternative<ev::Dahai>(discard) || std::holds_alternative<ev::Ankan>(discard)) {
        if (auto revealed = reveal_dora(); !revealed) return Failure(revealed.error());
        dora_pending_ = false;
      } else if (std::holds_alternative<ev::Kakan>(discard)) {
        dora_at_next_tsumo_ = true;
      }
    }
    events_.push_back(discard);

    if (std::holds_alternative<ev::Reach>(discard)) {
      if (discards_[seat_].empty()) return Failure(conversion_error::MissingReachDiscard{seat_at()});
      // The riichi tile goes out before any kan dora is shown.
      const Event& reach_discard = discards_[seat_].pop();
      note_discard(reach_discard);
      events_.push_back(reach_discard);
      reach_accept_pending_ = true;
      reach_declarer_ = seat_;
    }

    // A pending reach acceptance or kan dora dies with the kyoku.
    if (takes_left_ == 0) return Phase::Ended;

    if (std::holds_alternative<ev::Kakan>(discard)) {
      dora_pending_ = true;
      return Phase::Take;
    }
    if (std::holds_alternative<ev::Ankan>(discard)) {
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
    for (Seat seat = 0; seat < 4; ++seat) {
      if (seat == discarder) continue;
      const auto& call = next_call_[seat];
      if (!call || call->target != discarder || call->pai != last_discard_) continue;
      // Equal ranks go to the seat visited last.
      if (!chosen || call->rank >= chosen_rank) {
        chosen = seat;
        chosen_rank = call->rank;
      }
    }
    if (!chosen) return next_seat(discarder);

    const bool discards_again = !discards_[discarder].empty() &&
                                remaining_discards_[discarder][last_discard_.index()] >= 1;
    if (!discards_again) return *chosen;
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

  bool call_is_possible(const Call& call) const {
    if (call.pai != last_discard_) return false;
    return !turn_passed_ || (seat_ != last_discarder_ && call.target == last_discarder_);
  }

  // Every discard asks whether the other seats' next takes call it, so each
  // take is looked at once, when it comes to the front of its list.
  void note_next_call(Seat seat) {
    next_call_[seat] = takes_[seat].empty() ? std::nullopt : call_of(takes_[seat].front());
  }

  void note_discard(const Event& discard) {
    const auto* dahai = std::get_if<ev::Dahai>(&discard);
    if (dahai == nullptr) return;
    last_discard_ = dahai->pai;
    std::int32_t& remaining = remaining_discards_[seat_][dahai->pai.index()];
    if (remaining > 0) --remaining;
  }

  std::expected<void, ConversionError> reveal_dora() {
    if (next_dora_ == kyoku_.dora_indicators.size())
      return Failure(conversion_error::DoraMarkersExhausted{kyoku_at(header()), seat_});
    events_.emplace_back(ev::Dora{kyoku_.dora_indicators[next_dora_++]});
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
  std::vector<Event>& events_;

  std::array<Unplayed, 4> takes_;
  std::array<Unplayed, 4> discards_;
  std::array<std::optional<Call>, 4> next_call_;
  std::size_t takes_left_ = 0;
  std::size_t next_dora_ = 1;  // the first indicator opens the kyoku
  std::array<std::array<std::int32_t, Tile::kCount>, 4> remaining_discards_{};
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

std::expected<void, ConversionError> convert_kyoku(const RawKyoku& kyoku, const KyokuResult& result,
                                                   std::vector<Event>& events, EverySeatEvents& seats) {
  for (Seat seat = 0; seat < 4; ++seat) {
    const RawSeat& lists = kyoku.seats[seat];
    const SeatAt at{kyoku_at(kyoku.header), seat};
    if (auto built = build_seat_events(at, lists.take_items, lists.discard_items, seats[seat]); !built) return built;
  }
  if (kyoku.dora_indicators.empty())
    return Failure(conversion_error::DoraMarkersExhausted{kyoku_at(kyoku.header), std::nullopt});

  events.emplace_back(start_kyoku_of(kyoku));
  KyokuReplay replay(kyoku, seats, events);
  if (auto played = replay.run(); !played) return played;
  close_kyoku(events, result, kyoku.ura_indicators);
  return {};
}

}  // namespace paiscribe
