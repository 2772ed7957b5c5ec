#include "paiscribe/record/tile_code.hpp"

namespace paiscribe {

std::string TileCodeRejection::message() const {
  std::string text = "invalid value: " + std::to_string(code) + ", expected one of: ";
  bool first = true;
  for (std::size_t candidate = 0; candidate < tile_detail::kCodeTableSize; ++candidate) {
    if (tile_detail::kIndexOfCode[candidate] == tile_detail::kNoTile) continue;
    if (!first) text += ", ";
    text += std::to_string(candidate);
    first = false;
  }
  return text;
}

}  // namespace paiscribe
