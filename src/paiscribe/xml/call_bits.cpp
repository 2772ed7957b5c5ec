#include "paiscribe/xml/call_bits.hpp"

#include <algorithm>

#include "paiscribe/xml/tile_ids.hpp"

namespace paiscribe::xml {
namespace {

constexpr unsigned kChiBit = 0x4;
constexpr unsigned kPonBit = 0x8;
constexpr unsigned kAddedKanBit = 0x10;
constexpr unsigned kNukidoraBit = 0x20;
constexpr unsigned kSuitRunStarts = 21;  // 7 starts (1 to 7) in each of 3 suits
constexpr unsigned kKinds = 34;

// The three of a kind's four copies that are not `left_out`, in id order.
CallBits triplet(CallKind kind, unsigned bits, unsigned tile_kind) {
  CallBits call{kind, static_cast<std::uint8_t>(bits & 3), 0, 0, {}, 0};
  const unsigned left_out = (bits >> 5) & 3;
  const unsigned taken_index = (bits >> 9) % 3;
  std::uint8_t found = 0;
  for (unsigned copy = 0; copy < 4; ++copy) {
    const auto id = static_cast<std::uint8_t>(tile_kind * 4 + copy);
    if (copy == left_out) {
      call.added = id;
    } else if (found++ == taken_index) {
      call.taken = id;
    } else {
      call.own[call.own_count++] = id;
    }
  }
  return call;
}

std::expected<CallBits, std::string> decode_chi(unsigned bits) {
  const unsigned pattern = bits >> 10;
  const unsigned start = pattern / 3;
  if (start >= kSuitRunStarts) return std::unexpected("a chi whose run starts at no suit tile");
  if ((bits & 3) != 3) return std::unexpected("a chi from another seat than the one before");
  const unsigned first_kind = start / 7 * 9 + start % 7;
  CallBits call{CallKind::Chi, 3, 0, 0, {}, 0};
  for (unsigned at = 0; at < 3; ++at) {
    const auto id = static_cast<std::uint8_t>((first_kind + at) * 4 + ((bits >> (3 + 2 * at)) & 3));
    if (at == pattern % 3)
      call.taken = id;
    else
      call.own[call.own_count++] = id;
  }
  return call;
}

std::expected<CallBits, std::string> decode_triplet(CallKind kind, unsigned bits) {
  const unsigned tile_kind = (bits >> 9) / 3;
  if (tile_kind >= kKinds) return std::unexpected("a pon of no tile kind");
  if ((bits & 3) == 0) return std::unexpected("a pon of the caller's own tile");
  return triplet(kind, bits, tile_kind);
}

std::expected<CallBits, std::string> decode_kan(unsigned bits) {
  const unsigned taken = bits >> 8;
  if (taken >= kTileIdCount) return std::unexpected("a kan of no tile");
  const unsigned from = bits & 3;
  CallBits call{from == 0 ? CallKind::ClosedKan : CallKind::OpenKan, static_cast<std::uint8_t>(from),
                static_cast<std::uint8_t>(taken), 0, {}, 0};
  for (unsigned copy = 0; copy < 4; ++copy) {
    const auto id = static_cast<std::uint8_t>(taken / 4 * 4 + copy);
    if (id != taken) call.own[call.own_count++] = id;
  }
  return call;
}

void append_code(std::string& text, std::uint8_t id, bool red_fives) {
  const std::uint8_t code = code_of_id(id, red_fives);
  text.push_back(static_cast<char>('0' + code / 10));
  text.push_back(static_cast<char>('0' + code % 10));
}

}  // namespace

std::expected<CallBits, std::string> decode_call_bits(unsigned bits) {
  if (bits > 0xFFFF) return std::unexpected("more than 16 bits");
  if (bits & kChiBit) return decode_chi(bits);
  if (bits & kPonBit) return decode_triplet(CallKind::Pon, bits);
  if (bits & kAddedKanBit) return decode_triplet(CallKind::AddedKan, bits);
  if (bits & kNukidoraBit) return std::unexpected("a north set aside, which only three players do");
  return decode_kan(bits);
}

std::string call_notation(const CallBits& call, bool red_fives) {
  // The caller's own tiles go in hand order; a closed kan's four are all its own.
  // Slots left empty hold an id past every tile, which sorts last.
  std::array<std::uint8_t, 4> own{0xFF, 0xFF, 0xFF, 0xFF};
  std::size_t own_count = call.own_count;
  std::copy_n(call.own.begin(), own_count, own.begin());
  if (call.kind == CallKind::ClosedKan) own[own_count++] = call.taken;
  std::ranges::sort(own, {}, [&](std::uint8_t id) { return id == 0xFF ? 0xFFu : hand_order(id, red_fives); });
  // The letter's tile: the one taken, a closed kan's last, or the tile an added
  // kan adds, written before its pon's taken tile.
  std::uint8_t lettered = call.taken;
  if (call.kind == CallKind::ClosedKan) lettered = own[--own_count];
  if (call.kind == CallKind::AddedKan) lettered = call.added;

  const std::size_t letter = notation::letter_position(call.kind, call.from);
  std::string text;
  text.reserve(notation::size_of(call.kind));
  const auto put_letter = [&] {
    text.push_back(notation::letter_of(call.kind));
    append_code(text, lettered, red_fives);
    if (call.kind == CallKind::AddedKan) append_code(text, call.taken, red_fives);
  };
  for (std::size_t at = 0; at < own_count; ++at) {
    if (text.size() == letter) put_letter();
    append_code(text, own[at], red_fives);
  }
  if (text.size() == letter) put_letter();
  return text;
}

}  // namespace paiscribe::xml
