#include "paiscribe/mjai/serialize.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <variant>

#include "paiscribe/mjai/line_writer.hpp"

namespace paiscribe {
namespace {

// Each `put` writes one kind's members in declaration order into either sink
// (LineSize or LineCursor). Keys and tags are plain ASCII, so every run of
// them between two values is one literal.

template <typename Out>
void put(Out& out, const ev::None&) {
  out.raw(R"({"type":"none"})");
}

template <typename Out>
void put(Out& out, const ev::StartGame& e) {
  out.raw(R"({"type":"start_game","names":[)");
  for (std::size_t seat = 0; seat < e.names.size(); ++seat) {
    if (seat != 0) out.raw(",");
    out.string(e.names[seat]);
  }
  out.raw(R"(],"kyoku_first":)").number(e.kyoku_first).raw(R"(,"aka_flag":)").boolean(e.aka_flag).raw("}");
}

template <typename Out>
void put(Out& out, const ev::StartKyoku& e) {
  out.raw(R"({"type":"start_kyoku","bakaze":)")
      .tile(e.bakaze)
      .raw(R"(,"dora_marker":)")
      .tile(e.dora_marker)
      .raw(R"(,"kyoku":)")
      .number(e.kyoku)
      .raw(R"(,"honba":)")
      .number(e.honba)
      .raw(R"(,"kyotaku":)")
      .number(e.kyotaku)
      .raw(R"(,"oya":)")
      .number(e.oya)
      .raw(R"(,"scores":)")
      .numbers(e.scores)
      .raw(R"(,"tehais":[)");
  for (std::size_t seat = 0; seat < e.tehais.size(); ++seat) {
    if (seat != 0) out.raw(",");
    out.tiles(e.tehais[seat]);
  }
  out.raw("]}");
}

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

// chi, pon and daiminkan differ only in their tag and the number of tiles.
template <typename Out, typename Call>
void put_call(Out& out, std::string_view head, const Call& e) {
  out.raw(head)
      .number(e.actor)
      .raw(R"(,"target":)")
      .number(e.target)
      .raw(R"(,"pai":)")
      .tile(e.pai)
      .raw(R"(,"consumed":)")
      .tiles(e.consumed)
      .raw("}");
}

template <typename Out>
void put(Out& out, const ev::Chi& e) {
  put_call(out, R"({"type":"chi","actor":)", e);
}

template <typename Out>
void put(Out& out, const ev::Pon& e) {
  put_call(out, R"({"type":"pon","actor":)", e);
}

template <typename Out>
void put(Out& out, const ev::Daiminkan& e) {
  put_call(out, R"({"type":"daiminkan","actor":)", e);
}

template <typename Out>
void put(Out& out, const ev::Kakan& e) {
  out.raw(R"({"type":"kakan","actor":)").number(e.actor).raw(R"(,"pai":)").tile(e.pai);
  out.raw(R"(,"consumed":)").tiles(e.consumed).raw("}");
}

template <typename Out>
void put(Out& out, const ev::Ankan& e) {
  out.raw(R"({"type":"ankan","actor":)").number(e.actor).raw(R"(,"consumed":)").tiles(e.consumed).raw("}");
}

template <typename Out>
void put(Out& out, const ev::Dora& e) {
  out.raw(R"({"type":"dora","dora_marker":)").tile(e.dora_marker).raw("}");
}

template <typename Out>
void put(Out& out, const ev::Reach& e) {
  out.raw(R"({"type":"reach","actor":)").number(e.actor).raw("}");
}

template <typename Out>
void put(Out& out, const ev::ReachAccepted& e) {
  out.raw(R"({"type":"reach_accepted","actor":)").number(e.actor).raw("}");
}

// Absent optional members are left out entirely: no key, no null.
template <typename Out>
void put(Out& out, const ev::Hora& e) {
  out.raw(R"({"type":"hora","actor":)").number(e.actor).raw(R"(,"target":)").number(e.target);
  if (e.deltas) out.raw(R"(,"deltas":)").numbers(*e.deltas);
  if (e.ura_markers) out.raw(R"(,"ura_markers":)").tiles(*e.ura_markers);
  out.raw("}");
}

template <typename Out>
void put(Out& out, const ev::Ryukyoku& e) {
  out.raw(R"({"type":"ryukyoku")");
  if (e.deltas) out.raw(R"(,"deltas":)").numbers(*e.deltas);
  out.raw("}");
}

template <typename Out>
void put(Out& out, const ev::EndKyoku&) {
  out.raw(R"({"type":"end_kyoku"})");
}

template <typename Out>
void put(Out& out, const ev::EndGame&) {
  out.raw(R"({"type":"end_game"})");
}

// Draws and discards make most lines of a game. Theirs are printed at
// compile time, by the same put() as any line, for every seat and tile, and
// copied whole.
constexpr std::uint8_t kSeats = 4;
constexpr std::size_t kTsumoSlot = 48;
constexpr std::size_t kDahaiSlot = 64;

constexpr auto kTsumoLines = [] {
  std::array<PrintedLine<kTsumoSlot>, kSeats * Tile::kCount> lines{};
  for (std::uint8_t actor = 0; actor < kSeats; ++actor) {
    for (std::uint8_t tile = 0; tile < Tile::kCount; ++tile)
      put(lines[actor * Tile::kCount + tile], ev::Tsumo{actor, Tile(tile)});
  }
  return lines;
}();

constexpr auto kDahaiLines = [] {
  std::array<PrintedLine<kDahaiSlot>, 2 * kSeats * Tile::kCount> lines{};
  for (const bool tsumogiri : {false, true}) {
    for (std::uint8_t actor = 0; actor < kSeats; ++actor) {
      for (std::uint8_t tile = 0; tile < Tile::kCount; ++tile)
        put(lines[(tsumogiri * kSeats + actor) * Tile::kCount + tile], ev::Dahai{actor, Tile(tile), tsumogiri});
    }
  }
  return lines;
}();

// A whole slot is one fixed-size copy; a room smaller than the slot (a line
// sized on its own) takes the line alone.
template <std::size_t kSlot>
char* copy_line(const PrintedLine<kSlot>& line, char* out, std::size_t room) {
  if (room >= kSlot) std::memcpy(out, line.text.data(), kSlot);
  else std::memcpy(out, line.text.data(), line.size);
  return out + line.size;
}

// The line from the tables, or nothing for a seat or tile outside them.
char* copy_printed_line(const Event& event, char* out, std::size_t room) {
  if (const auto* tsumo = std::get_if<ev::Tsumo>(&event); tsumo && tsumo->actor < kSeats) {
    if (tsumo->pai.index() < Tile::kCount)
      return copy_line(kTsumoLines[tsumo->actor * Tile::kCount + tsumo->pai.index()], out, room);
  } else if (const auto* dahai = std::get_if<ev::Dahai>(&event); dahai && dahai->actor < kSeats) {
    if (dahai->pai.index() < Tile::kCount) {
      const std::size_t row = dahai->tsumogiri * kSeats + dahai->actor;
      return copy_line(kDahaiLines[row * Tile::kCount + dahai->pai.index()], out, room);
    }
  }
  return nullptr;
}

}  // namespace

std::optional<std::size_t> line_bound(const Event& event) {
  LineSize size;
  std::visit([&size](const auto& kind) { put(size, kind); }, event);
  if (!size.valid()) return std::nullopt;
  return size.total();
}

char* write_line(const Event& event, char* out, std::size_t room) {
  if (char* const end = copy_printed_line(event, out, room)) return end;
  LineCursor cursor(out, room);
  std::visit([&cursor](const auto& kind) { put(cursor, kind); }, event);
  return cursor.valid() ? cursor.position() : nullptr;
}


// Sized first, so the line is one allocation of exactly its size and the
// writing needs no checks.
std::expected<MjaiLine, SerializeError> serialize_event(const Event& event, std::pmr::memory_resource* memory) {
  const auto bound = line_bound(event);
  if (!bound) return std::unexpected(SerializeError{"a name is not valid UTF-8 or a tile has no name"});
  MjaiLine line(memory);
  line.resize_and_overwrite(*bound, [&event](char* buffer, std::size_t room) {
    return static_cast<std::size_t>(write_line(event, buffer, room) - buffer);
  });
  return line;
}

}  // namespace paiscribe
