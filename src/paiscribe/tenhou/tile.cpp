#include "paiscribe/tenhou/tile.hpp"

namespace paiscribe {
namespace {

constexpr std::uint8_t kNoTile = 0xFF;
constexpr std::size_t kCodeTableSize = 54;

// Tile index of every valid code below 54; kNoTile elsewhere.
constexpr std::array<std::uint8_t, kCodeTableSize> kIndexOfCode = [] {
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

}  // namespace

std::expected<Tile, TileCodeRejection> tile_from_code(std::uint8_t code) {
  if (code >= kCodeTableSize || kIndexOfCode[code] == kNoTile) return std::unexpected(TileCodeRejection{code});
  return Tile(kIndexOfCode[code]);
}

std::string TileCodeRejection::message() const {
  std::string text = "invalid value: " + std::to_string(code) + ", expected one of: ";
  bool first = true;
  for (std::size_t candidate = 0; candidate < kCodeTableSize; ++candidate) {
    if (kIndexOfCode[candidate] == kNoTile) continue;
    if (!first) text += ", ";
    text += std::to_string(candidate);
    first = false;
  }
  return text;
}

}  // namespace paiscribe
