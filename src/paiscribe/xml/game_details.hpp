#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "paiscribe/base/seat.hpp"

namespace paiscribe::xml {

// One win as the record scores it, for the JSON log's result details.
struct WinDetails {
  Seat who;
  Seat from_who;  // who, for a win by self-draw
  Seat pao_who;   // the seat liable for the yakuman, who when nobody is
  std::string point_text;  // "30符1飜1000点", "満貫2000-4000点", "跳満6000点∀"
  struct Yaku {
    std::uint8_t id;
    std::uint8_t han;  // 0 for a yakuman
  };
  std::vector<Yaku> yaku;  // in the record's order, those worth no han left out
};

// What Tenhou's JSON log holds of a game beyond the record the conversion
// reads: the record's version, its room, the players' ranks, ratings and sex,
// each win's points and yaku, and the final scores.
struct GameDetails {
  std::string version;  // as the record writes it, "2.3"
  std::optional<std::int32_t> lobby;
  std::optional<std::array<std::uint8_t, 4>> dan;
  std::optional<std::array<double, 4>> rate;
  std::optional<std::array<std::string, 4>> sx;
  // Each seat's score in hundreds and its result, as "owari" lists them (a
  // game played for chips adds eight numbers of its chips).
  std::vector<double> final_scores;
  std::vector<WinDetails> wins;  // in the record's order

  void clear() { *this = GameDetails(); }
};

}  // namespace paiscribe::xml
