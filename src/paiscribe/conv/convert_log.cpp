#include "paiscribe/conv/convert_log.hpp"

#include <algorithm>
#include <string_view>

#include "paiscribe/conv/convert_kyoku.hpp"
#include "paiscribe/conv/kyoku_result.hpp"

namespace paiscribe {
namespace {

using Failure = std::unexpected<ConvertLogError>;

// "三" in the rule's name marks a three-player room.
constexpr std::string_view kThree = "\xE4\xB8\x89";
// "東" marks an East-only game.
constexpr std::string_view kEast = "\xE6\x9D\xB1";

bool is_three_player(std::string_view disp) { return disp.contains(kThree) || disp.contains("3-Player"); }

std::uint8_t kyoku_first_of(std::string_view disp) { return disp.contains(kEast) || disp.contains("East") ? 4 : 0; }

bool has_red_fives(const Rule& rule) { return (rule.aka | rule.aka51 | rule.aka52 | rule.aka53) != 0; }

// Every item becomes at most two events; a kyoku adds a few of its own.
std::size_t estimated_event_count(const RawKyoku& kyoku) {
  std::size_t count = 8;
  for (const RawSeat& seat : kyoku.seats) count += seat.take_items.size() + seat.discard_items.size();
  return count;
}

std::size_t estimated_event_count(const RawLog& log) {
  std::size_t count = 2;
  for (const RawKyoku& kyoku : log.kyokus) count += estimated_event_count(kyoku);
  return count;
}

std::size_t largest_kyoku_event_count(const RawLog& log) {
  std::size_t largest = 0;
  for (const RawKyoku& kyoku : log.kyokus) largest = std::max(largest, estimated_event_count(kyoku));
  return largest;
}

// Lists with room for the game's longest, so that refilling them for each
// kyoku never has to grow them.
EverySeatEvents seat_actions_for(const RawLog& log) {
  std::size_t takes = 0;
  std::size_t discards = 0;
  for (const RawKyoku& kyoku : log.kyokus) {
    for (const RawSeat& seat : kyoku.seats) {
      takes = std::max(takes, seat.take_items.size());
      discards = std::max(discards, seat.discard_items.size());
    }
  }
  EverySeatEvents seats;
  for (SeatEvents& actions : seats) {
    actions.takes.reserve(takes);
    actions.discards.reserve(discards + 1);  // as build_seat_events does: room for a reach
  }
  return seats;
}

// The events go into `events`; with `batches`, they are handed over there
// after each kyoku, and `events` is emptied.
std::expected<void, ConvertLogError> convert_into(const RawLog& log, std::vector<Event>& events,
                                                  EventBatches* batches) {
  const std::string_view disp = log.rule.disp;
  if (is_three_player(disp)) return Failure(InvalidLog{"rule '" + log.rule.disp + "' is a three-player game"});

  std::vector<KyokuResult> results;
  results.reserve(log.kyokus.size());
  for (const RawKyoku& kyoku : log.kyokus) {
    auto result = digest_result(kyoku.result);
    if (!result) {
      result.error().kyoku = kyoku_at(kyoku.header);
      return Failure(std::move(result.error()));
    }
    results.push_back(std::move(*result));
  }

  events.emplace_back(ev::StartGame{Names(log.name), kyoku_first_of(disp), has_red_fives(log.rule)});
  EverySeatEvents seats = seat_actions_for(log);
  for (std::size_t index = 0; index < log.kyokus.size(); ++index) {
    if (auto converted = convert_kyoku(log.kyokus[index], results[index], events, seats); !converted)
      return Failure(std::move(converted.error()));
    if (batches != nullptr && index + 1 < log.kyokus.size()) {
      batches->take(events);
      events.clear();
    }
  }
  events.emplace_back(ev::EndGame{});
  if (batches != nullptr) batches->take(events);
  return {};
}

}  // namespace

std::expected<void, ConvertLogError> convert_log(const RawLog& log, EventBatches& batches,
                                                 std::vector<Event>& storage) {
  // A long game goes a kyoku at a time, in storage that every kyoku reuses.
  const std::size_t count = estimated_event_count(log);
  EventBatches* const per_kyoku = count > kEventsInOneBatch ? &batches : nullptr;
  storage.clear();
  storage.reserve(per_kyoku != nullptr ? largest_kyoku_event_count(log) + 2 : count);
  auto converted = convert_into(log, storage, per_kyoku);
  if (converted && per_kyoku == nullptr) batches.take(storage);
  storage.clear();
  return converted;
}

std::expected<std::vector<Event>, ConvertLogError> convert_log(const RawLog& log) {
  std::vector<Event> events;
  events.reserve(estimated_event_count(log));
  if (auto converted = convert_into(log, events, nullptr); !converted)
    return std::unexpected(std::move(converted.error()));
  return events;
}

}  // namespace paiscribe
