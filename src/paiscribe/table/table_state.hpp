#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "paiscribe/base/seat.hpp"
#include "paiscribe/base/tile.hpp"

namespace paiscribe::table {

// A discard where it lies in its seat's river.
struct RiverTile {
  Tile tile;
  bool tsumogiri = false;
  bool riichi = false;  // the discard that declared riichi, laid sideways
  bool called = false;  // taken by another seat's chi, pon or kan
  friend bool operator==(const RiverTile&, const RiverTile&) = default;
};

enum class MeldKind : std::uint8_t { Chi, Pon, Daiminkan, Kakan, Ankan };
inline constexpr std::array<std::string_view, 5> kMeldKindNames = {"chi", "pon", "daiminkan", "kakan", "ankan"};

// A set laid down, with the tiles as they were played: an added kan keeps
// the pon it grew from.
struct TableMeld {
  MeldKind kind;
  Seat target;                 // whose discard was called; the caller itself for a closed kan
  std::optional<Tile> pai;     // the called tile; none for a closed kan
  std::vector<Tile> consumed;  // the caller's own tiles
  std::optional<Tile> added;   // the tile an added kan put on its pon
  friend bool operator==(const TableMeld&, const TableMeld&) = default;
};

struct SeatTable {
  std::vector<Tile> hand;  // in hand order: kinds ascending, a red five after its plain fives
  std::vector<TableMeld> melds;
  std::vector<RiverTile> river;  // in the order discarded
  std::int64_t score = 0;
  bool riichi = false;  // declared this kyoku
};

// The table as one line of a game leaves it: what a viewer draws.
struct TableState {
  std::array<SeatTable, 4> seats;
  std::vector<Tile> dora_markers;
  std::vector<Tile> ura_markers;  // once a win shows them
  std::optional<Tile> bakaze;     // none before the first kyoku
  std::uint8_t kyoku = 0;         // 1 to 4
  std::uint8_t honba = 0;
  int kyotaku = 0;  // riichi sticks on the table
  Seat oya = 0;
  // The tile the acting seat drew, until it discards or calls: a viewer
  // sets it apart from the hand.
  std::optional<Seat> drawn_by;
  Tile drawn = Tile::hidden();
  // The line's event: its mjai type ("" for a line that is no event) and actor.
  std::string_view event;
  std::optional<Seat> actor;

  // 0 for East 1, 4 for South 1, as findings count kyokus; none before the
  // first kyoku or when start_kyoku named no wind or kyoku.
  std::optional<std::uint8_t> kyoku_index() const;
};

// Where a tile goes in a hand: by kind, a red five just after its plain fives,
// a hidden tile last.
constexpr int hand_order(Tile tile) {
  const int index = tile.index();
  if (index < 34) return index * 2;
  if (index < 37) return (4 + 9 * (index - 34)) * 2 + 1;
  return 2 * 34 + 2;
}

}  // namespace paiscribe::table
