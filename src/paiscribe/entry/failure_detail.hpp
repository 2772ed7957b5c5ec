#pragma once

#include <string>

#include "paiscribe/conv/convert_log.hpp"
#include "paiscribe/conv/location.hpp"
#include "paiscribe/tenhou/parse_error.hpp"

namespace paiscribe {

// What a person reads under a failure's fixed message to find the fault in
// the log: where it is and what is wrong there. Built only when a call fails.

// "East 3, 1 honba": the wind and number the kyoku is known by.
std::string kyoku_in_words(KyokuAt kyoku);

std::string parse_detail(const ParseError& error);
std::string conversion_detail(const ConvertLogError& error);

}  // namespace paiscribe
