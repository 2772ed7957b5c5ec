#include "paiscribe/base/kyoku_name.hpp"

#include <algorithm>
#include <array>
#include <string_view>

namespace paiscribe {

std::string kyoku_name(std::uint8_t kyoku_index) {
  static constexpr std::array<std::string_view, 4> kWinds = {"East", "South", "West", "North"};
  const int round = std::min(kyoku_index / 4, 3);
  return std::string(kWinds[round]) + " " + std::to_string(kyoku_index - 4 * round + 1);
}

}  // namespace paiscribe
