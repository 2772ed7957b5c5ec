#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <variant>

#include "paiscribe/mjai/event.hpp"
#include "paiscribe/mjai/line_writer.hpp"

namespace paiscribe {

namespace line_detail {

template <typename Out>
constexpr void put(Out& out, const ev::Tsumo& e) {
  out.raw(R"({"type":"tsumo","actor":)").number(e.actor).raw(R"(,"pai":)").tile(e.pai).raw("}");
}

template <typename Out>
constexpr void put(Out& out, const ev::Dahai& e) {
  out.raw(R"({"type":"dahai","actor":)")
      .number(e.actor)
      .raw(R"(,"pai":)")
      .tile(e.pai)
      .raw(R"(,"tsumogiri":)")
      .boolean(e.tsumogiri)
      .raw("}");
}

}  // namespace line_detail

// Draws and discards make most lines of a game. Theirs are printed at compile
// time, by the same put() as any line, for every seat and tile, each in a slot
// that is copied whole: the line, then bytes past its size.
inline constexpr std::size_t kCommonLineSlot = 64;
using CommonLine = PrintedLine<kCommonLineSlot>;

inline constexpr std::size_t kCommonLineSeats = 4;
inline constexpr std::size_t kCommonSeatTiles = kCommonLineSeats * Tile::kCount;

// Every seat's tsumo for every tile, then dahai, then tsumogiri dahai.
extern const std::array<CommonLine, 3 * kCommonSeatTiles> kCommonLines;

// A draw's and a discard's line, for a seat and a tile the table holds.
inline const CommonLine& tsumo_line(Seat actor, Tile pai) {
  return kCommonLines[actor * Tile::kCount + pai.index()];
}
inline const CommonLine& dahai_line(Seat actor, Tile pai, bool tsumogiri) {
  return kCommonLines[(1 + tsumogiri) * kCommonSeatTiles + actor * Tile::kCount + pai.index()];
}

// The event's line from the table; null for any other kind, or a seat or
// tile outside the table, which the general writer handles.
inline const CommonLine* common_line(const Event& event) {
  const auto at = [](std::size_t kind, Seat actor, Tile pai) -> const CommonLine* {
    if (actor >= kCommonLineSeats || pai.index() >= Tile::kCount) return nullptr;
    return &kCommonLines[kind * kCommonSeatTiles + actor * Tile::kCount + pai.index()];
  };
  if (const auto* tsumo = std::get_if<ev::Tsumo>(&event)) return at(0, tsumo->actor, tsumo->pai);
  if (const auto* dahai = std::get_if<ev::Dahai>(&event)) return at(1 + dahai->tsumogiri, dahai->actor, dahai->pai);
  return nullptr;
}

// Writes a table line at `out` and returns one past it. A room of a whole
// slot takes one fixed-size copy; a smaller one (a line sized on its own)
// takes the line alone.
inline char* copy_common_line(const CommonLine& line, char* out, std::size_t room) {
  if (room >= kCommonLineSlot) std::memcpy(out, line.text.data(), kCommonLineSlot);
  else std::memcpy(out, line.text.data(), line.size);
  return out + line.size;
}

}  // namespace paiscribe
