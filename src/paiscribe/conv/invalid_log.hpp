#pragma once

#include <optional>
#include <string>

#include "paiscribe/conv/location.hpp"

namespace paiscribe {

// A log the system does not accept: a three-player game or a malformed result.
struct InvalidLog {
  std::string reason;
  std::optional<KyokuAt> kyoku{};  // the kyoku whose result is malformed
};

}  // namespace paiscribe
