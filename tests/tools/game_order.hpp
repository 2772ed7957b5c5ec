#pragma once

#include <string>
#include <vector>

namespace paiscribe::fuzz {

// The players' actions of each kyoku in the order the lines give them, one
// string per kyoku: "tsumo 0 | dahai 0 | pon 2 | ...". Dora, reach
// acceptances and the kyoku frame are left out: they follow from the actions.
std::vector<std::string> action_order(const std::vector<std::string>& lines);

}  // namespace paiscribe::fuzz
