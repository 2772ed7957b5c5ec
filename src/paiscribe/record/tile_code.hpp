#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <string>

#include "paiscribe/base/tile.hpp"

namespace paiscribe {

// A number that is no tile code, kept so the rejection can say what it saw.
struct TileCodeRejection {
  std::uint8_t code;
  // "invalid value: N, expected one of: 0, 11, ..., 53"
  std::string message() const;
};

namespace tile_detail {

inline constexpr std::uint8_t kNoTile = 0xFF;
inline constexpr std::size_t kCodeTableSize = 54;

// Tile index of every valid code below 54; kNoTile elsewhere. The log writes
// code 0 for a tile nobody can see.
inline constexpr std::array<std::uint8_t, kCodeTableSize> kIndexOfCode = [] {
  std::array<std::uint8_t, kCodeTableSize> table{};
  table.fill(kNoTile);
  table[0] = Tile::hidden().index();
  std::uint8_t index = 0;
  for (int suit = 1; suit <= 3; ++suit)
    for (int number = 1; number <= 9; ++number) table[suit * 10 + number] = index++;
  for (int honour = 1; honour <= 7; ++honour) table[40 + honour] = index++;
  for (int red = 1; red <= 3; ++red) table[50 + red] = index++;
  return table;
}();

// Tile index of every byte that is a tile code; kNoTile for the rest.
inline constexpr std::array<std::uint8_t, 256> kIndexOfByte = [] {
  std::array<std::uint8_t, 256> table{};
  table.fill(kNoTile);
  for (std::size_t code = 0; code < kCodeTableSize; ++code) table[code] = kIndexOfCode[code];
  return table;
}();

// The code of each tile index: kIndexOfCode the other way round.
inline constexpr std::array<std::uint8_t, Tile::kCount> kCodeOfIndex = [] {
  std::array<std::uint8_t, Tile::kCount> table{};
  for (std::size_t code = 0; code < kCodeTableSize; ++code)
    if (kIndexOfCode[code] != kNoTile) table[kIndexOfCode[code]] = static_cast<std::uint8_t>(code);
  return table;
}();

}  // namespace tile_detail

// The code the log writes for a tile (0 for one nobody can see).
constexpr std::uint8_t code_of_tile(Tile tile) { return tile_detail::kCodeOfIndex[tile.index()]; }

// Inline: a log's every tile passes through here.
constexpr std::expected<Tile, TileCodeRejection> tile_from_code(std::uint8_t code) {
  if (code >= tile_detail::kCodeTableSize) return std::unexpected(TileCodeRejection{code});
  const std::uint8_t index = tile_detail::kIndexOfCode[code];
  if (index == tile_detail::kNoTile) return std::unexpected(TileCodeRejection{code});
  return Tile(index);
}

}  // namespace paiscribe
