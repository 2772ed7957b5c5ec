#include "paiscribe/conv/game_conversion.hpp"

#include <algorithm>
#include <string_view>

#include "paiscribe/record/notation.hpp"

namespace paiscribe {
namespace {

bool is_three_player(std::string_view disp) {
  return disp.contains(notation::kThreePlayers) || disp.contains("3-Player");
}

std::uint8_t kyoku_first_of(std::string_view disp) {
  return disp.contains(notation::kEastOnly) || disp.contains("East") ? 4 : 0;
}

bool has_red_fives(const Rule& rule) { return (rule.aka | rule.aka51 | rule.aka52 | rule.aka53) != 0; }

// Every item becomes at most two events; a kyoku adds a few of its own.
std::size_t estimated_event_count(const RawKyoku& kyoku) {
  std::size_t count = 8;
  for (const RawSeat& seat : kyoku.seats) count += seat.take_items.size() + seat.discard_items.size();
  return count;
}

// Lists with room for the game's longest, so that refilling them for each
// kyoku never has to grow them.
void reserve_seat_lists(const RawLog& log, EverySeatActions& seats) {
  std::size_t takes = 0;
  std::size_t discards = 0;
  for (const RawKyoku& kyoku : log.kyokus) {
    for (const RawSeat& seat : kyoku.seats) {
      takes = std::max(takes, seat.take_items.size());
      discards = std::max(discards, seat.discard_items.size());
    }
  }
  for (SeatActions& actions : seats) {
    actions.takes.reserve(takes);
    actions.discards.reserve(discards + 1);  // as build_seat_actions does: room for a reach
  }
}

template <typename Error>
std::unexpected<GameError> game_error(Error&& error) {
  return std::unexpected(GameError{std::forward<Error>(error)});
}

}  // namespace

void ConversionStorage::keep_typical() {
  // A typical game has some ten results and a seat some twenty turns a kyoku.
  constexpr std::size_t kKeptBytes = std::size_t{1} << 20;
  if (results.capacity() * sizeof(KyokuResult) > kKeptBytes) results = std::vector<KyokuResult>();
  if (wins.capacity() * sizeof(Win) > kKeptBytes) wins = std::vector<Win>();
  for (SeatActions& seat : seats) {
    if ((seat.takes.capacity() + seat.discards.capacity()) * sizeof(Action) > kKeptBytes) seat = SeatActions();
  }
}

std::expected<GameConversion, InvalidLog> GameConversion::start(const RawLog& log, ConversionStorage& storage) {
  if (is_three_player(log.rule.disp)) return std::unexpected(InvalidLog{"rule '" + log.rule.disp + "' is a three-player game"});
  storage.results.clear();
  storage.results.reserve(log.kyokus.size());
  storage.wins.clear();
  for (const RawKyoku& kyoku : log.kyokus) {
    auto result = digest_result(kyoku.result, storage.wins);
    if (!result) {
      result.error().kyoku = kyoku_at(kyoku.header);
      return std::unexpected(std::move(result.error()));
    }
    storage.results.push_back(std::move(*result));
  }
  reserve_seat_lists(log, storage.seats);
  return GameConversion(log, storage);
}

std::expected<void, GameError> GameConversion::next(MjaiLines& lines) {
  if (done_) return {};
  GameLines game_lines(lines, unwritten_);
  const auto& kyokus = log_->kyokus;
  // The batch's kyokus, at least one, in room made for them at once.
  std::size_t end = next_kyoku_;
  std::size_t estimate = started_ ? 1 : 2;
  for (; end < kyokus.size(); ++end) {
    const std::size_t more = estimated_event_count(kyokus[end]);
    if (end > next_kyoku_ && estimate + more > kBatchLines) break;
    estimate += more;
  }
  lines.reserve(estimate);
  if (!started_) {
    game_lines.add_start_game(log_->name, kyoku_first_of(log_->rule.disp), has_red_fives(log_->rule));
    started_ = true;
  }
  for (; next_kyoku_ < end; ++next_kyoku_) {
    const KyokuOutcome outcome{storage_->results[next_kyoku_], storage_->wins};
    if (auto converted = convert_kyoku(kyokus[next_kyoku_], outcome, storage_->seats, game_lines); !converted) {
      done_ = true;
      return game_error(std::move(converted.error()));
    }
  }
  if (next_kyoku_ == kyokus.size()) {
    game_lines.add(ev::EndGame{});
    done_ = true;
  }
  unwritten_ = game_lines.failed();
  if (done_ && unwritten_) return game_error(SerializeError{std::string(kNoLineText)});
  return {};
}

}  // namespace paiscribe
