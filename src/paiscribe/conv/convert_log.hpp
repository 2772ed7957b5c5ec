#pragma once

#include <expected>
#include <variant>
#include <vector>

#include "paiscribe/conv/conversion_error.hpp"
#include "paiscribe/conv/invalid_log.hpp"
#include "paiscribe/mjai/event.hpp"
#include "paiscribe/tenhou/raw_log.hpp"

namespace paiscribe {

using ConvertLogError = std::variant<InvalidLog, ConversionError>;

// The game's events from start_game to end_game, or the first failure.
std::expected<std::vector<Event>, ConvertLogError> convert_log(const RawLog& log);

}  // namespace paiscribe
