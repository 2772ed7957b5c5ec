#pragma once

#include <cstdint>

namespace paiscribe {

// A player's seat at the table, 0 to 3 from the first dealer.
using Seat = std::uint8_t;

}  // namespace paiscribe
