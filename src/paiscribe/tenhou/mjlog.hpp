#pragma once

#include <expected>
#include <string>
#include <string_view>

#include "paiscribe/tenhou/raw_log.hpp"

namespace paiscribe {

enum class MjlogErrorKind {
  NotXml,            // the text is no well-formed XML document
  NotTenhouRecord,   // XML, but not a Tenhou game record
  ThreePlayerGame,   // a record of a game the conversion does not play
  UnknownTag,        // a tag no game record holds
  BadAttribute,      // an attribute missing, or its value no number, or out of range
  ImpossiblePlay,    // a tag where the game cannot be: a call on a tile nobody discarded, ...
  Truncated,         // the record stops before the game's end
};

// Why an mjlog text is no game record, and where it says so (tag, its
// position, the kyoku, the attribute).
struct MjlogError {
  MjlogErrorKind kind;
  std::string message;
};

// Reads Tenhou's XML game record into the same record the JSON log gives.
std::expected<RawLog, MjlogError> parse_mjlog(std::string_view xml);

}  // namespace paiscribe
