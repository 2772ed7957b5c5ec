#pragma once

#include <string>

namespace paiscribe {

// Why a text is not a log; for diagnostics only, never shown to users.
struct ParseError {
  std::string description;
};

}  // namespace paiscribe
