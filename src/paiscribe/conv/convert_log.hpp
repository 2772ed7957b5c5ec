#pragma once

#include <cstddef>
#include <expected>
#include <span>
#include <variant>
#include <vector>

#include "paiscribe/conv/conversion_error.hpp"
#include "paiscribe/conv/invalid_log.hpp"
#include "paiscribe/mjai/event.hpp"
#include "paiscribe/tenhou/raw_log.hpp"

namespace paiscribe {

using ConvertLogError = std::variant<InvalidLog, ConversionError>;

// Takes a game's events in batches, so that a long game never holds all of
// them: a game of up to kEventsInOneBatch events (every real game) comes as one
// batch, a longer one a kyoku at a time; the first batch opens with
// start_game and the last closes with end_game. A batch lives only for the
// call.
inline constexpr std::size_t kEventsInOneBatch = std::size_t{1} << 12;

class EventBatches {
 public:
  virtual void take(std::span<const Event> batch) = 0;

 protected:
  ~EventBatches() = default;
};

// Hands the game's events to `batches` in order, or stops at the first
// failure; the batches already taken then belong to no game. The batches are
// made in `storage`, which is left empty with its capacity, for the next log.
std::expected<void, ConvertLogError> convert_log(const RawLog& log, EventBatches& batches,
                                                 std::vector<Event>& storage);

// The game's events from start_game to end_game, or the first failure.
std::expected<std::vector<Event>, ConvertLogError> convert_log(const RawLog& log);

}  // namespace paiscribe
