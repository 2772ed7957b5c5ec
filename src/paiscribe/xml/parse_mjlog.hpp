#pragma once

#include <expected>
#include <string>
#include <string_view>

#include "paiscribe/base/padded_text.hpp"
#include "paiscribe/record/game_details.hpp"
#include "paiscribe/record/raw_log.hpp"

namespace paiscribe {

enum class MjlogErrorKind {
  NotAGame,         // no XML, no game record, or a record whose play cannot be
  ThreePlayerGame,  // a record of a game the conversion does not play
  OutOfMemory,      // the document did not fit in memory
};

// Why an mjlog text is no game record, and where it says so (tag, its
// position, the kyoku, the attribute).
struct MjlogError {
  MjlogErrorKind kind;
  std::string message;
};

// Reads Tenhou's XML game record into the same record the JSON log gives.
// The XML is parsed where it lies, which leaves the text changed. `spare`
// may hold the kyokus of a record no longer needed, whose room the new one
// takes over. With `details`, what the JSON log holds beyond that record
// goes there, checked as well.
std::expected<RawLog, MjlogError> parse_mjlog(PaddedText& xml, RawLog::Kyokus spare = {},
                                              GameDetails* details = nullptr);

}  // namespace paiscribe
