#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <vector>

#include "paiscribe/base/seat.hpp"

// What Tenhou's records hold of a game beyond what the conversion reads:
// what an XML record says and its JSON log writes as text.
namespace paiscribe {

// Tenhou numbers its yaku from 0 (門前清自摸和) to 54 (赤ドラ).
inline constexpr std::size_t kTenhouYakuIdCount = 55;
// Ranks run from 0 (新人) to 20 (天鳳位).
inline constexpr std::size_t kDanCount = 21;

// The limit a win's han reach, in the record's numbering.
enum class WinLimit : std::uint8_t { None, Mangan, Haneman, Baiman, Sanbaiman, Yakuman };
inline constexpr std::size_t kWinLimitCount = 6;

// The limit the record numbers `number`, or why it names none.
std::expected<WinLimit, std::string> win_limit_of(std::int64_t number);

// One win as the record scores it.
struct WinDetails {
  Seat who;
  Seat from_who;  // who, for a win by self-draw
  Seat pao_who;   // the seat liable for the yakuman, who when nobody is
  std::int32_t fu;
  std::int32_t han;     // the yaku's han added up
  std::int32_t points;  // without the honba
  WinLimit limit;
  struct Yaku {
    std::uint8_t id;   // below kTenhouYakuIdCount
    std::uint8_t han;  // 0 for a yakuman
  };
  std::vector<Yaku> yaku;  // in the record's order, those worth no han left out
};

// How a win's points are paid: all by the seat that dealt in; or on a
// self-draw by each of the others, the dealer paying more when the winner
// does not deal.
struct WinPayments {
  enum class Kind : std::uint8_t { Discard, SelfDraw, DealerSelfDraw };
  Kind kind;
  std::int32_t from_each;    // Discard: the whole; SelfDraw: each non-dealer's share; DealerSelfDraw: each one's
  std::int32_t from_dealer;  // SelfDraw only
};

// The payments that make `points`, or why none do: points are positive
// hundreds, and a self-draw's shares are each rounded up to hundreds.
std::expected<WinPayments, std::string> payments_of(std::int32_t points, bool self_draw, bool dealer);

// What Tenhou's JSON log holds of a game beyond the record the conversion
// reads: the record's version, its room, the players' ranks, ratings and sex,
// each win's score and yaku, and the final scores.
struct GameDetails {
  std::string version;  // as the record writes it, "2.3"
  std::optional<std::uint32_t> game_type;  // the record's rule as bits: its room, length and rules
  std::optional<std::int32_t> lobby;
  std::optional<std::array<std::uint8_t, 4>> dan;  // each below kDanCount
  std::optional<std::array<double, 4>> rate;
  std::optional<std::array<std::string, 4>> sx;
  // Each seat's score in hundreds and its result, as "owari" lists them (a
  // game played for chips adds eight numbers of its chips).
  std::vector<double> final_scores;
  std::vector<WinDetails> wins;  // in the record's order
  std::size_t disconnections = 0;  // the times a player left the table

  void clear() { *this = GameDetails(); }
};

}  // namespace paiscribe
