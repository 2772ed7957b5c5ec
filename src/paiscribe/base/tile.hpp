#pragma once

#include <cstdint>

namespace paiscribe {

// A tile is its index; its code in a log and its name in mjai are looked up
// beside those formats. Indices 0-33 are the kinds (man, pin, sou, then the
// honours), 34-36 the red fives, 37 a tile nobody can see.
class Tile {
 public:
  static constexpr std::uint8_t kCount = 38;

  constexpr explicit Tile(std::uint8_t index) : index_(index) {}
  constexpr std::uint8_t index() const { return index_; }
  friend constexpr bool operator==(Tile, Tile) = default;

  static constexpr Tile hidden() { return Tile(37); }

 private:
  std::uint8_t index_;
};

}  // namespace paiscribe
