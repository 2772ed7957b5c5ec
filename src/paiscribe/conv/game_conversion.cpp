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
void reserve_seat_lists(const RawLog& log, EverySeatEvents& seats) {
  std::size_t takes = 0;
  std::size_t discards = 0;
  for (const RawKyoku& kyoku : log.kyokus) {
    for (const RawSeat& seat : kyoku.seats) {
      takes = std::max(takes, seat.take_items.size());
      discards = std::max(discards, seat.discard_items.size());
    }
  }
  for (SeatEvents& actions : seats) {
    actions.takes.reserve(takes);
    actions.discards.reserve(discards + 1);  // as build_seat_events does: room for a reach
  }
}

template <typename Error>
std::unexpected<GameError> game_error(Error&& error) {
  return std::unexpected(GameError{std::forward<Error>(error)});
}

}  // namespace

void ConversionStorage::keep_typical() {
  // A typical kyoku is some hundred events and a game some ten results.
  constexpr std::size_t kKeptBytes = std::size_t{1} << 20;
  if (events.capacity() * sizeof(Event) > kKeptBytes) events = std::vector<Event>();
  if (results.capacity() * sizeof(KyokuResult) > kKeptBytes) results = std::vector<KyokuResult>();
  for (SeatEvents& seat : seats) {
    if ((seat.takes.capacity() + seat.discards.capacity()) * sizeof(Event) > kKeptBytes) seat = SeatEvents();
  }
}

std::expected<GameConversion, InvalidLog> GameConversion::start(const RawLog& log, ConversionStorage& storage) {
  if (is_three_player(log.rule.disp)) return std::unexpected(InvalidLog{"rule '" + log.rule.disp + "' is a three-player game"});
  storage.results.clear();
  storage.results.reserve(log.kyokus.size());
  for (const RawKyoku& kyoku : log.kyokus) {
    auto result = digest_result(kyoku.result);
    if (!result) {
      result.error().kyoku = kyoku_at(kyoku.header);
      return std::unexpected(std::move(result.error()));
    }
    storage.results.push_back(std::move(*result));
  }
  reserve_seat_lists(log, storage.seats);
  storage.events.clear();
  return GameConversion(log, storage);
}

std::expected<void, ConversionError> GameConversion::convert_kyoku_at(std::size_t index) {
  return convert_kyoku(log_->kyokus[index], storage_->results[index], storage_->events, storage_->seats);
}

void GameConversion::write(MjaiLines& lines) {
  if (!unwritten_) {
    if (auto appended = lines.append(storage_->events); !appended) unwritten_ = std::move(appended.error());
  }
  storage_->events.clear();
}

std::expected<void, GameError> GameConversion::next(MjaiLines& lines) {
  if (done_) return {};
  std::vector<Event>& events = storage_->events;
  events.clear();
  if (!started_) {
    events.emplace_back(ev::StartGame{Names(log_->name), kyoku_first_of(log_->rule.disp), has_red_fives(log_->rule)});
    started_ = true;
  }
  // The batch's kyokus, at least one, are gathered in room made for them
  // and written at once.
  const auto& kyokus = log_->kyokus;
  std::size_t end = next_kyoku_;
  std::size_t estimate = events.size() + 1;
  for (; end < kyokus.size(); ++end) {
    const std::size_t more = estimated_event_count(kyokus[end]);
    if (end > next_kyoku_ && estimate + more > kBatchLines) break;
    estimate += more;
  }
  events.reserve(estimate);
  while (next_kyoku_ < end) {
    if (auto converted = convert_kyoku_at(next_kyoku_++); !converted) {
      done_ = true;
      events.clear();
      return game_error(std::move(converted.error()));
    }
  }
  if (next_kyoku_ == kyokus.size()) {
    events.emplace_back(ev::EndGame{});
    done_ = true;
  }
  write(lines);
  if (done_ && unwritten_) return game_error(std::move(*unwritten_));
  return {};
}

std::expected<std::vector<Event>, ConvertLogError> convert_log(const RawLog& log) {
  ConversionStorage storage;
  auto game = GameConversion::start(log, storage);
  if (!game) return std::unexpected(std::move(game.error()));
  std::vector<Event> events;
  events.emplace_back(ev::StartGame{Names(log.name), kyoku_first_of(log.rule.disp), has_red_fives(log.rule)});
  for (std::size_t index = 0; index < log.kyokus.size(); ++index) {
    if (auto converted = convert_kyoku(log.kyokus[index], storage.results[index], events, storage.seats); !converted)
      return std::unexpected(std::move(converted.error()));
  }
  events.emplace_back(ev::EndGame{});
  return events;
}

}  // namespace paiscribe
