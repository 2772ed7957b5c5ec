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

// Runs the text through the core stages, read as a JSON log and as an XML
// record, and checks what holds for every input:
// a list of lines or one failure, lines that are one compact JSON object each,
// and a game framed by start_game and end_game. Aborts with a message when a
// check fails, so the fuzzer records the input.
Checked check_pipeline(std::string_view text);

}  // namespace paiscribe::fuzz
