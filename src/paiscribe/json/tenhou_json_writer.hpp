#pragma once

#include <expected>
#include <string>
#include <string_view>

#include "paiscribe/record/game_details.hpp"
#include "paiscribe/record/raw_log.hpp"

namespace paiscribe {

// Tenhou's JSON log (version 6) of a game's record and its details, compact
// and in the order Tenhou writes its keys and numbers. `ref` is the game's
// id, left out when empty. Fails when the details hold another count of
// wins than the log's results, or a win whose points no payments make.
std::expected<std::string, std::string> write_tenhou_json(const RawLog& log, const GameDetails& details,
                                                          std::string_view ref);

}  // namespace paiscribe
