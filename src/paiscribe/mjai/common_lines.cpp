#include "paiscribe/mjai/common_lines.hpp"

namespace paiscribe {

constinit const std::array<CommonLine, 3 * kCommonSeatTiles> kCommonLines = [] {
  std::array<CommonLine, 3 * kCommonSeatTiles> lines{};
  for (std::size_t at = 0; at < lines.size(); ++at) {
    const auto kind = at / kCommonSeatTiles;
    const auto actor = static_cast<Seat>(at % kCommonSeatTiles / Tile::kCount);
    const Tile pai(static_cast<std::uint8_t>(at % Tile::kCount));
    if (kind == 0) line_detail::put(lines[at], ev::Tsumo{actor, pai});
    else line_detail::put(lines[at], ev::Dahai{actor, pai, kind == 2});
  }
  return lines;
}();

}  // namespace paiscribe
