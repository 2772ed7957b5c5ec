#pragma once

#include <expected>
#include <string>
#include <string_view>

#include "paiscribe/record/raw_log.hpp"
#include "paiscribe/xml/game_details.hpp"

namespace paiscribe::xml {

// Tenhou's JSON log (version 6) of a game read from its XML record with its
// details, compact and in the order Tenhou writes its keys and numbers.
// `ref` is the game's id, left out when empty. Fails only when the details
// hold another count of wins than the log's results.
std::expected<std::string, std::string> write_tenhou_json(const RawLog& log, const GameDetails& details,
                                                          std::string_view ref);

}  // namespace paiscribe::xml
