#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "paiscribe/record/game_details.hpp"
#include "paiscribe/record/raw_log.hpp"

namespace paiscribe {

// Tenhou's rooms, as the two room bits of a game's type number them.
enum class Room : std::uint8_t { General, Upper, Superior, Phoenix };

// What a list of games says of each, for choosing those to train on: its
// room and rules, its players, how it ended. Copied out of the converter,
// which goes on to the next record.
struct GameFacts {
  std::string rule;                       // the rule's name as the JSON log writes it, "鳳南喰赤"
  std::optional<std::uint32_t> game_type;  // an XML record's
  std::optional<std::int32_t> lobby;
  std::array<std::string, 4> names;
  std::optional<std::array<std::uint8_t, 4>> dan;
  std::optional<std::array<double, 4>> rate;
  std::vector<double> final_scores;  // each seat's score in hundreds and its result, as "owari" lists them
  std::size_t kyokus = 0;
  std::size_t disconnections = 0;
  bool standard_start = false;  // East 1 with 25,000 points each, no honba and no sticks

  std::optional<Room> room() const;
  std::optional<bool> hanchan() const;  // East-South rather than East only
  // The players' ranks by name, "七段".
  std::optional<std::array<std::string_view, 4>> grades() const;
  // The rules every ranked table plays: red fives, open tanyao, no lobby's
  // own rule bits, the usual start.
  bool standard_rules() const;
};

// The facts of the record a converter has started; `details` are those an
// XML record's reader gathered, null for a JSON log.
GameFacts facts_of(const RawLog& log, const GameDetails* details);

// Which games a run converts; the rest are left out, each with its reason.
struct GameFilter {
  std::optional<Room> room;
  std::optional<bool> hanchan;
  bool standard_rules = false;
  bool without_disconnections = false;
};

// Why the filter leaves the game out ("room", "length", "rules",
// "disconnected"), or empty when it keeps it.
std::string_view left_out_by(const GameFacts& facts, const GameFilter& filter);

}  // namespace paiscribe
