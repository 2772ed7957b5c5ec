#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace paiscribe::fuzz {

// How far a text got through parse, convert and serialise.
enum class Outcome { Converted, ParseFailed, ConversionFailed };

std::string_view outcome_name(Outcome outcome);

struct Checked {
  Outcome outcome;
  std::vector<std::string> lines;  // empty unless converted
};

// Runs the text through converters as a JSON log, as an XML record and told
// apart, and checks what holds for every input: a list of lines or one
// failure, lines that are one compact JSON object each, and a game framed by
// start_game and end_game. Then the text and its pieces between NUL bytes go
// through one converter kept from record to record, which must give what a
// fresh one gives. Aborts with a message when a check fails, so the fuzzer
// records the input.
Checked check_pipeline(std::string_view text);

}  // namespace paiscribe::fuzz
