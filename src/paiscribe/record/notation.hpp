#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

// The JSON log's notation, which the XML reader writes and the conversion
// reads: the marks in its action lists, the shape of its call strings, and
// the names its rule and results use.
namespace paiscribe::notation {

// A discard list's mark for the tile just drawn.
inline constexpr std::uint8_t kDrawnTile = 60;
// The code of a tile nobody sees. In a discard list it only holds a turn
// that made no discard of its own, as the turn of an open kan.
inline constexpr std::uint8_t kHiddenTile = 0;

// The result name of a kyoku somebody won: "和了".
inline constexpr std::string_view kWin = "\xE5\x92\x8C\xE4\xBA\x86";

// The result names of a draw. The wall ran out: with one to three seats
// tenpai, who are paid (the deltas follow the name), with all four or none;
// a nagashi mangan's deltas follow it too. The aborted draws move no points
// and have none.
inline constexpr std::string_view kExhaustiveDraw = "\xE6\xB5\x81\xE5\xB1\x80";                     // 流局
inline constexpr std::string_view kAllTenpai = "\xE5\x85\xA8\xE5\x93\xA1\xE8\x81\xB4\xE7\x89\x8C";       // 全員聴牌
inline constexpr std::string_view kAllNoten = "\xE5\x85\xA8\xE5\x93\xA1\xE4\xB8\x8D\xE8\x81\xB4";        // 全員不聴
inline constexpr std::string_view kNagashiMangan = "\xE6\xB5\x81\xE3\x81\x97\xE6\xBA\x80\xE8\xB2\xAB";   // 流し満貫
inline constexpr std::string_view kNineTerminals = "\xE4\xB9\x9D\xE7\xA8\xAE\xE4\xB9\x9D\xE7\x89\x8C";   // 九種九牌
inline constexpr std::string_view kFourRiichi = "\xE5\x9B\x9B\xE5\xAE\xB6\xE7\xAB\x8B\xE7\x9B\xB4";      // 四家立直
inline constexpr std::string_view kTripleRon = "\xE4\xB8\x89\xE5\xAE\xB6\xE5\x92\x8C\xE4\xBA\x86";       // 三家和了
inline constexpr std::string_view kFourKans = "\xE5\x9B\x9B\xE6\xA7\x93\xE6\x95\xA3\xE4\xBA\x86";        // 四槓散了
inline constexpr std::string_view kFourWinds = "\xE5\x9B\x9B\xE9\xA2\xA8\xE9\x80\xA3\xE6\x89\x93";       // 四風連打

// Marks in a rule's name: "三" a three-player room, "東" an East-only game,
// "南" an East-South one.
inline constexpr std::string_view kThreePlayers = "\xE4\xB8\x89";
inline constexpr std::string_view kEastOnly = "\xE6\x9D\xB1";
inline constexpr std::string_view kEastSouth = "\xE5\x8D\x97";
// "喰": tanyao counts in an open hand.
inline constexpr std::string_view kOpenTanyao = "\xE5\x96\xB0";
// The rooms, each a rule's first mark after "四" or "三": 般 the lower, 上
// the upper, 特 the special and 鳳 the phoenix room.
inline constexpr std::array<std::string_view, 4> kRooms = {"\xE8\x88\xAC", "\xE4\xB8\x8A", "\xE7\x89\xB9",
                                                           "\xE9\xB3\xB3"};

// A call string: the caller's own tiles as two-digit codes, with a letter
// and the tile it names standing among them where the giver sits.
enum class Call : std::uint8_t { Chi, Pon, OpenKan, AddedKan, ClosedKan };

inline constexpr std::array<char, 5> kLetters = {'c', 'p', 'm', 'k', 'a'};
constexpr char letter_of(Call call) { return kLetters[static_cast<std::size_t>(call)]; }

// A riichi discard: its letter, then the code of the tile (kDrawnTile for the one just drawn).
inline constexpr char kRiichiLetter = 'r';
inline constexpr std::size_t kRiichiSize = 3;

// The tiles written beside the letter's own: the caller's, and for an added
// kan the pon's taken tile, which follows the added tile after the letter.
constexpr std::size_t own_codes(Call call) {
  switch (call) {
    case Call::Chi:
    case Call::Pon: return 2;
    default: return 3;
  }
}
constexpr std::size_t size_of(Call call) { return 1 + 2 * (own_codes(call) + 1); }

// Where the letter stands, by the giver: seats after the caller, so 3 is the
// seat before, 2 the seat across and 1 the seat after. A tile from the seat
// before is written first, one from across after the first own tile, one from
// the seat after last of the caller's tiles; a closed kan (giver 0) writes its
// fourth tile last too. An added kan is its pon written again with the
// added tile between the letter and the pon's taken tile.
constexpr std::size_t letter_position(Call call, std::uint8_t giver) {
  const std::size_t before_last = call == Call::AddedKan ? own_codes(call) - 1 : own_codes(call);
  if (giver == 3) return 0;
  if (giver == 2) return 2;
  return 2 * before_last;
}

// The positions of the codes in a call string, the letter's tile first, then
// the others from left to right.
template <Call kCall>
constexpr std::array<std::size_t, own_codes(kCall) + 1> code_positions(std::uint8_t giver) {
  std::array<std::size_t, own_codes(kCall) + 1> positions{};
  const std::size_t letter = letter_position(kCall, giver);
  positions[0] = letter + 1;
  std::size_t next = 1;
  for (std::size_t at = 0; at < size_of(kCall); at += 2) {
    if (at == letter) ++at;
    if (at != letter + 1) positions[next++] = at;
  }
  return positions;
}

}  // namespace paiscribe::notation
