#pragma once

#include <cstdint>
#include <string>

namespace paiscribe {

// "East 3": the round's wind and the kyoku's number in it, from a kyoku's
// index (0 = East 1, 4 = South 1). Past North 4 the round stays North and
// the number counts on ("North 5"), so no two indices share a name and a
// person can count their way to the kyoku in the record.
std::string kyoku_name(std::uint8_t kyoku_index);

}  // namespace paiscribe
