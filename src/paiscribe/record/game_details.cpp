#include "paiscribe/record/game_details.hpp"

namespace paiscribe {

std::expected<WinLimit, std::string> win_limit_of(std::int64_t number) {
  if (number < 0 || number >= static_cast<std::int64_t>(kWinLimitCount))
    return std::unexpected("limit " + std::to_string(number) + " is none of 0 to " + std::to_string(kWinLimitCount - 1));
  return static_cast<WinLimit>(number);
}

std::expected<WinPayments, std::string> payments_of(std::int32_t points, bool self_draw, bool dealer) {
  if (points <= 0 || points % 100 != 0)
    return std::unexpected(std::to_string(points) + " points are no positive hundreds");
  if (!self_draw) return WinPayments{WinPayments::Kind::Discard, points, 0};
  const auto unpayable = [&] {
    return std::unexpected(std::to_string(points) + " points are no self-draw's payments");
  };
  if (dealer) {
    // Each of the three pays the same.
    if (points % 300 != 0) return unpayable();
    return WinPayments{WinPayments::Kind::DealerSelfDraw, points / 3, 0};
  }
  // The two others pay a base rounded up to hundreds and the dealer twice the
  // base rounded up: their sum is four payments of the others', or one
  // hundred less when the dealer's rounding saved it.
  std::int32_t others = 0;
  if (points % 400 == 0) {
    others = points / 4;
  } else if (points % 400 == 300) {
    others = (points + 100) / 4;
  } else {
    return unpayable();
  }
  return WinPayments{WinPayments::Kind::SelfDraw, others, points - 2 * others};
}

}  // namespace paiscribe
