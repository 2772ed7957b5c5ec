#pragma once

#include <array>
#include <cstdint>
#include <expected>
#include <string>

#include "paiscribe/record/notation.hpp"

namespace paiscribe::xml {

using CallKind = notation::Call;

// A call as decoded from the 16 bits the record packs it into (<N m>).
struct CallBits {
  CallKind kind;
  std::uint8_t from;                   // seats after the caller that gave the tile; 0 for a closed kan
  std::uint8_t taken;                  // tile id taken from that seat (for a closed kan, the one set apart)
  std::uint8_t added;                  // an added kan's fourth tile; unused by the others
  std::array<std::uint8_t, 3> own{};   // the caller's other tiles, in id order
  std::uint8_t own_count;
};

// Chi, pon and open kan take another seat's discard; the kans from the hand
// stand in the discard list, where the caller's turn would have put a discard.
constexpr bool takes_a_discard(CallKind kind) {
  return kind == CallKind::Chi || kind == CallKind::Pon || kind == CallKind::OpenKan;
}

// The call, or why the bits make none.
std::expected<CallBits, std::string> decode_call_bits(unsigned bits);

// The call as the JSON log writes it: the codes of the caller's tiles in hand
// order (a red five after its plain fives), with the letter and the taken
// tile among them where the giver sits.
std::string call_notation(const CallBits& call, bool red_fives);

}  // namespace paiscribe::xml
