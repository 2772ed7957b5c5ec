#pragma once

#include <cstddef>
#include <string>

namespace paiscribe {

// Why a text is no Tenhou JSON log: shown under the fixed message, for a
// person to find the fault.
struct JsonParseError {
  // What went wrong, in the reader's usual words ("invalid length 12,
  // expected a haipai of 13 tiles"); syntax errors name their line and column.
  std::string description;
  // Where the reader noticed it: a byte offset into the text, and its line and
  // column (both from 1, the column in bytes).
  std::size_t offset = 0;
  std::size_t line = 1;
  std::size_t column = 1;
  // What a person might check, when the failure suggests it; often empty.
  std::string hint;
};

}  // namespace paiscribe
