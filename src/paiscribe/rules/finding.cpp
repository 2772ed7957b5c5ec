#include "paiscribe/rules/finding.hpp"

#include <array>
#include <string_view>

#include "paiscribe/mjai/tile_names.hpp"

namespace paiscribe::rules {

std::string kyoku_name(std::uint8_t kyoku_index) {
  static constexpr std::array<std::string_view, 4> kWinds = {"East", "South", "West", "North"};
  return std::string(kWinds[kyoku_index / 4 % 4]) + " " + std::to_string(kyoku_index % 4 + 1);
}

std::string format_finding(const Finding& finding) {
  std::string text = "line " + std::to_string(finding.line);
  if (finding.kyoku_index != kBeforeFirstKyoku) text += ", " + kyoku_name(finding.kyoku_index);
  if (finding.seat) text += ", seat " + std::to_string(*finding.seat);
  return text + ": " + finding.message;
}

std::string tile_name(Tile tile) { return std::string(mjai_name(tile)); }

}  // namespace paiscribe::rules
