#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <functional>
#include <string>
#include <string_view>

namespace paiscribe {

// A tile is its index; everything else is looked up.
class Tile {
 public:
  static constexpr std::uint8_t kCount = 38;

  constexpr explicit Tile(std::uint8_t index) : index_(index) {}
  constexpr std::uint8_t index() const { return index_; }
  friend constexpr bool operator==(Tile, Tile) = default;

  // The log writes code 0 for a tile nobody can see; mjai writes "?".
  static constexpr Tile hidden() { return Tile(37); }

 private:
  std::uint8_t index_;
};

inline constexpr std::array<std::string_view, Tile::kCount> kMjaiNames = {
    "1m", "2m", "3m", "4m", "5m", "6m", "7m", "8m", "9m",   //
    "1p", "2p", "3p", "4p", "5p", "6p", "7p", "8p", "9p",   //
    "1s", "2s", "3s", "4s", "5s", "6s", "7s", "8s", "9s",   //
    "E",  "S",  "W",  "N",  "P",  "F",  "C",                //
    "5mr", "5pr", "5sr",                                    //
    "?"};

constexpr std::string_view mjai_name(Tile tile) { return kMjaiNames[tile.index()]; }

// A number that is no tile code, kept so the rejection can say what it saw.
struct TileCodeRejection {
  std::uint8_t code;
  // "invalid value: N, expected one of: 0, 11, ..., 53"
  std::string message() const;
};

std::expected<Tile, TileCodeRejection> tile_from_code(std::uint8_t code);

}  // namespace paiscribe

template <>
struct std::hash<paiscribe::Tile> {
  std::size_t operator()(paiscribe::Tile tile) const noexcept { return tile.index(); }
};
