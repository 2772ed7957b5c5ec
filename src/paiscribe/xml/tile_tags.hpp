#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "paiscribe/base/seat.hpp"
#include "paiscribe/xml/tile_ids.hpp"

// The names of the draw and discard tags, nine tags in ten of a record: a
// letter for the seat and whether it draws or discards, then the tile id.
namespace paiscribe::xml {

inline constexpr unsigned kLastTileId = kTileIdCount - 1;

namespace tile_tag_detail {

// Per first byte of a tag's name: 0 for no draw or discard, else kLetterBit
// with the seat in the low bits, and kDrawBit for a draw.
inline constexpr std::uint8_t kLetterBit = 0x80;
inline constexpr std::uint8_t kDrawBit = 0x04;
inline constexpr std::array<std::uint8_t, 256> kTileLetters = [] {
  std::array<std::uint8_t, 256> letters{};
  for (std::uint8_t seat = 0; seat < 4; ++seat) {
    letters[static_cast<unsigned char>("TUVW"[seat])] = kLetterBit | kDrawBit | seat;
    letters[static_cast<unsigned char>("DEFG"[seat])] = kLetterBit | seat;
  }
  return letters;
}();

}  // namespace tile_tag_detail

// A draw or discard tag's letter: whose, and which of the two.
struct TileLetter {
  bool is_draw;
  Seat seat;
};

constexpr std::optional<TileLetter> tile_letter(char letter) {
  const std::uint8_t bits = tile_tag_detail::kTileLetters[static_cast<unsigned char>(letter)];
  if (bits == 0) return std::nullopt;
  return TileLetter{(bits & tile_tag_detail::kDrawBit) != 0, static_cast<Seat>(bits & 3)};
}

// A draw or discard tag: its letter, then the tile id.
struct TileTag {
  TileLetter letter;
  std::string_view id_text;
};

inline std::optional<TileTag> tile_tag(std::string_view name) {
  if (name.size() < 2 || !std::all_of(name.begin() + 1, name.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  const auto letter = tile_letter(name[0]);
  if (!letter) return std::nullopt;
  return TileTag{*letter, name.substr(1)};
}

// A draw or discard named as nearly all are: its letter, then a tile id of
// one to three digits. Read straight from the node's name, which ends in NUL.
struct TilePlay {
  TileLetter letter;
  std::uint8_t id;
};

inline std::optional<TilePlay> plain_tile_play(const char* name) {
  const auto letter = tile_letter(name[0]);
  if (!letter) return std::nullopt;
  unsigned id = 0;
  std::size_t at = 1;
  // A digit is no NUL, so the byte after it is still the name's.
  for (; at <= 3; ++at) {
    const auto digit = static_cast<unsigned>(name[at] - '0');
    if (digit > 9) break;
    id = id * 10 + digit;
  }
  if (at == 1 || name[at] != '\0' || id > kLastTileId) return std::nullopt;
  return TilePlay{*letter, static_cast<std::uint8_t>(id)};
}

}  // namespace paiscribe::xml
