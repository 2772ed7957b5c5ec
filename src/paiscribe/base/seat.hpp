#pragma once

#include <array>
#include <cstdint>

namespace paiscribe {

// A player's seat at the table, 0 to 3 from the first dealer.
using Seat = std::uint8_t;

// A number of points for each seat, seat 0 first: what a kyoku's end moves
// between the players.
using Deltas = std::array<std::int32_t, 4>;

}  // namespace paiscribe
