#pragma once

#include <optional>

namespace paiscribe::rules {

// What a game's record shows of its rules beyond its lines, when the lines
// were converted from one; the lines alone show neither.
struct RecordRules {
  // The game was played in a lobby of its own rules (Tenhou's lobby is not
  // 0), which may, for one, have the dealer pass on after a win.
  std::optional<bool> lobby_of_its_own;
  // Tanyao counts in an open hand (the room's 喰).
  std::optional<bool> open_tanyao;
};

}  // namespace paiscribe::rules
