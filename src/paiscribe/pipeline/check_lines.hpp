#pragma once

#include <string_view>
#include <vector>

#include "paiscribe/rules/finding.hpp"

namespace paiscribe {

// The findings of a text of mjai lines, one line each (a last line feed and
// carriage returns before line feeds are allowed): one game, or several one
// after another, as the command line's -o writes them. A game begins after
// the one before has ended; every finding names its line in the whole text.
std::vector<rules::Finding> check_lines(std::string_view text);

}  // namespace paiscribe
