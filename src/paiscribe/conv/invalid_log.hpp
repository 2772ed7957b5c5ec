#pragma once

#include <string>

namespace paiscribe {

// A log the system does not accept: a three-player game or a malformed result.
struct InvalidLog {
  std::string reason;
};

}  // namespace paiscribe
