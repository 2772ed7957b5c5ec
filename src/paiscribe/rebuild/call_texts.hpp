#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "paiscribe/base/tile.hpp"
#include "paiscribe/record/notation.hpp"

// Calls as the JSON log writes them, in the one form Tenhou writes: the
// caller's own tiles by kind, a red five after its plain fives, and the
// letter where the giver sits.
namespace paiscribe::rebuild {

// A call of `taken` with the caller's own tiles, from the seat `giver` seats
// after the caller (a chi's always sits before it).
std::string chi_text(Tile taken, std::span<const Tile, 2> own);
std::string pon_text(Tile taken, std::span<const Tile, 2> own, std::uint8_t giver);
std::string open_kan_text(Tile taken, std::span<const Tile, 3> own, std::uint8_t giver);

// A closed kan: the fourth tile (the red five, if one is among them) after the letter.
std::string closed_kan_text(std::span<const Tile, 4> tiles);

// An added kan: its pon's text, the added tile written after the letter.
std::string added_kan_text(std::string_view pon, Tile added);

}  // namespace paiscribe::rebuild
