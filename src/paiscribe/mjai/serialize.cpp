#include "paiscribe/mjai/serialize.hpp"

#include <cstddef>
#include <optional>
#include <string_view>
#include <variant>

#include "paiscribe/mjai/common_lines.hpp"
#include "paiscribe/mjai/line_writer.hpp"

namespace paiscribe {
namespace {

using line_detail::put;  // draws and discards

// Each `put` writes one kind's members in declaration order into either sink
// (LineSize or LineCursor). Keys and tags are plain ASCII, so every run of
// them between two values is one literal.

template <typename Out>
void put(Out& out, const ev::None&) {
  out.raw(R"({"type":"none"})");
}

template <typename Out>
void put(Out& out, const StartGameParts& e) {
  out.raw(R"({"type":"start_game","names":[)");
  for (std::size_t seat = 0; seat < e.names.size(); ++seat) {
    if (seat != 0) out.raw(",");
    out.string(e.names[seat]);
  }
  out.raw(R"(],"kyoku_first":)").number(e.kyoku_first).raw(R"(,"aka_flag":)").boolean(e.aka_flag).raw("}");
}

template <typename Out>
void put(Out& out, const ev::StartGame& e) {
  put(out, StartGameParts{e.names.array(), e.kyoku_first, e.aka_flag});
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
void put(Out& out, const HoraParts& e) {
  out.raw(R"({"type":"hora","actor":)").number(e.actor).raw(R"(,"target":)").number(e.target);
  if (e.deltas) out.raw(R"(,"deltas":)").numbers(*e.deltas);
  if (e.ura_markers) out.raw(R"(,"ura_markers":)").tiles(*e.ura_markers);
  out.raw("}");
}

template <typename Out>
void put(Out& out, const ev::Hora& e) {
  put(out, HoraParts{e.actor, e.target, e.deltas,
                     e.ura_markers ? std::optional<std::span<const Tile>>(*e.ura_markers) : std::nullopt});
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

template <typename Value>
std::optional<std::size_t> bound_of(const Value& value) {
  LineSize size;
  put(size, value);
  if (!size.valid()) return std::nullopt;
  return size.total();
}

template <typename Value>
char* write_value(const Value& value, char* out, std::size_t room) {
  LineCursor cursor(out, room);
  put(cursor, value);
  return cursor.valid() ? cursor.position() : nullptr;
}

}  // namespace

std::optional<std::size_t> line_bound(const Event& event) {
  return std::visit([](const auto& kind) { return bound_of(kind); }, event);
}

char* write_line(const Event& event, char* out, std::size_t room) {
  if (const CommonLine* line = common_line(event)) return copy_common_line(*line, out, room);
  return std::visit([&](const auto& kind) { return write_value(kind, out, room); }, event);
}

std::optional<std::size_t> line_bound(const StartGameParts& start) { return bound_of(start); }
char* write_line(const StartGameParts& start, char* out, std::size_t room) { return write_value(start, out, room); }
std::optional<std::size_t> line_bound(const HoraParts& hora) { return bound_of(hora); }
char* write_line(const HoraParts& hora, char* out, std::size_t room) { return write_value(hora, out, room); }

}  // namespace paiscribe
