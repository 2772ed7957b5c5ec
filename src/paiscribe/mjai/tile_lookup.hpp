#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "paiscribe/base/tile.hpp"
#include "paiscribe/mjai/tile_names.hpp"

namespace paiscribe {

// A name of up to three bytes and its size in one number.
constexpr std::uint32_t packed_name(std::string_view name) {
  std::uint32_t code = static_cast<std::uint32_t>(name.size()) << 24;
  for (std::size_t at = 0; at < name.size() && at < 3; ++at)
    code |= static_cast<std::uint32_t>(static_cast<unsigned char>(name[at])) << (8 * at);
  return code;
}

// Tile names are found by a multiplicative hash into a table made at
// compile time, with the first multiplier that sets all the names apart:
// no branch on which letters a name has, which a line's tiles make
// impossible to foresee. A slot holds the name it stands for beside its
// tile, so that one load answers.
struct TileNameTable {
  struct Slot {
    std::uint32_t code = 0;  // no name packs to 0: its size is in it
    std::uint8_t tile = 0;
  };
  static constexpr std::size_t kSlots = 128;
  std::uint32_t multiplier = 0;
  std::array<Slot, kSlots> slots{};

  constexpr std::size_t slot(std::uint32_t code) const { return (code * multiplier) >> 25; }
};
inline constexpr TileNameTable kTileNames = [] {
  TileNameTable table;
  for (std::uint32_t step = 1;; ++step) {
    table.multiplier = 2654435761u * step;
    table.slots.fill({});
    bool apart = true;
    for (std::uint8_t index = 0; index < Tile::kCount && apart; ++index) {
      const std::uint32_t code = packed_name(kMjaiNames[index]);
      auto& slot = table.slots[table.slot(code)];
      apart = slot.code == 0;
      slot = {code, index};
    }
    if (apart) return table;
  }
}();

// The tile whose packed name is `code`.
constexpr std::optional<Tile> tile_of_code(std::uint32_t code) {
  const TileNameTable::Slot slot = kTileNames.slots[kTileNames.slot(code)];
  if (slot.code != code) return std::nullopt;
  return Tile(slot.tile);
}

// A name of one to three bytes at `at`, up to the first quote, where three
// bytes can be read: its size and its tile, found with no branch on which
// it is. The caller sees to the quote after it.
struct NameAt {
  std::size_t size;
  std::optional<Tile> tile;
};
constexpr NameAt name_at(const char* at) {
  const std::size_t size = 1 + (at[1] != '"') + (at[1] != '"' && at[2] != '"');
  const auto byte = [&](std::size_t index) { return static_cast<std::uint32_t>(static_cast<unsigned char>(at[index])); };
  const std::uint32_t bytes = byte(0) | byte(1) << 8 | byte(2) << 16;
  const auto width = static_cast<std::uint32_t>(size);
  return {size, tile_of_code((bytes & ((1u << (8 * width)) - 1)) | width << 24)};
}

constexpr std::optional<Tile> tile_named(std::string_view name) {
  if (name.size() > 3) return std::nullopt;
  return tile_of_code(packed_name(name));
}

}  // namespace paiscribe
