#pragma once

#include <array>
#include <cstdint>
#include <expected>
#include <string>

#include "paiscribe/record/notation.hpp"

namespace paiscribe::xml {

using MeldKind = notation::Call;

// A call as the record packs it into the 16 bits of <N m>.
struct Meld {
  MeldKind kind;
  std::uint8_t from;                   // seats after the caller that gave the tile; 0 for a closed kan
  std::uint8_t taken;                  // tile id taken from that seat (for a closed kan, the one set apart)
  std::uint8_t added;                  // an added kan's fourth tile; unused by the others
  std::array<std::uint8_t, 3> own{};   // the caller's other tiles, in id order
  std::uint8_t own_count;
};

// Chi, pon and open kan take another seat's discard; the kans from the hand
// stand in the discard list, where the caller's turn would have put a discard.
constexpr bool takes_a_discard(MeldKind kind) {
  return kind == MeldKind::Chi || kind == MeldKind::Pon || kind == MeldKind::OpenKan;
}

// The meld, or why the bits make none.
std::expected<Meld, std::string> decode_meld(unsigned bits);

// The call as the JSON log writes it: the codes of the caller's tiles in hand
// order (a red five after its plain fives), with the letter and the taken
// tile among them where the giver sits.
std::string meld_notation(const Meld& meld, bool red_fives);

}  // namespace paiscribe::xml
