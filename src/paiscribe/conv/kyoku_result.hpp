#pragma once

#include <cstddef>
#include <expected>
#include <span>
#include <vector>

#include "paiscribe/conv/game_lines.hpp"
#include "paiscribe/conv/invalid_log.hpp"
#include "paiscribe/mjai/event.hpp"
#include "paiscribe/record/raw_log.hpp"

namespace paiscribe {

struct Win {
  Deltas deltas;
  Seat actor;   // as the log writes it, not range-checked
  Seat target;  // the seat the win came from, as written
};

// How a kyoku ended: in wins, which stand in the game's list of wins, or in
// a draw with its deltas.
struct KyokuResult {
  bool won = false;
  std::size_t first_win = 0;
  std::size_t win_count = 0;
  Deltas draw_deltas{};
};

// Reduces a kyoku's result list to its wins, added to `wins`, or its draw.
// Only a win entry whose details lack numeric seats makes the log invalid;
// anything else odd in the list is read as zero deltas or no win. The list
// does not know its kyoku, so the caller names it in the failure.
std::expected<KyokuResult, InvalidLog> digest_result(std::span<const ResultItem> result, std::vector<Win>& wins);

// Adds the kyoku's hora lines (or its ryukyoku), then end_kyoku.
void close_kyoku(GameLines& lines, const KyokuResult& result, std::span<const Win> wins,
                 std::span<const Tile> ura_indicators);

}  // namespace paiscribe
