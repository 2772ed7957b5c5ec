#pragma once

#include <expected>
#include <span>
#include <variant>
#include <vector>

#include "paiscribe/conv/invalid_log.hpp"
#include "paiscribe/mjai/event.hpp"
#include "paiscribe/record/raw_log.hpp"

namespace paiscribe {

struct Win {
  Deltas deltas;
  Seat actor;   // as the log writes it, not range-checked
  Seat target;  // the seat the win came from, as written
};

struct Wins {
  std::vector<Win> wins;
};

struct Draw {
  Deltas deltas{};
};

using KyokuResult = std::variant<Wins, Draw>;

// Reduces a kyoku's result list to its wins or its draw. Only a win entry
// whose details lack numeric seats makes the log invalid; anything else
// odd in the list is read as zero deltas or no win. The list does not know
// its kyoku, so the caller names it in the failure.
std::expected<KyokuResult, InvalidLog> digest_result(std::span<const ResultItem> result);

// Appends the kyoku's hora events (or its ryukyoku), then end_kyoku.
void close_kyoku(std::vector<Event>& events, const KyokuResult& result, std::span<const Tile> ura_indicators);

}  // namespace paiscribe
