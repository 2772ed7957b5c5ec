#include "paiscribe/mjai/serialize.hpp"

#include <cstddef>
#include <span>
#include <string_view>
#include <utility>
#include <variant>

#include "paiscribe/mjai/line_writer.hpp"

namespace paiscribe {
namespace {

// Members are written in the event's declaration order; keys and tags are
// plain ASCII, so each run of them is one literal.

constexpr std::string_view kStartGameHead = R"({"type":"start_game","names":[)";
constexpr std::string_view kStartGameKyokuFirst = R"(],"kyoku_first":)";
constexpr std::string_view kStartGameAkaFlag = R"(,"aka_flag":)";

constexpr std::string_view kStartKyokuHead = R"({"type":"start_kyoku","bakaze":)";
constexpr std::string_view kStartKyokuDora = R"(,"dora_marker":)";
constexpr std::string_view kStartKyokuKyoku = R"(,"kyoku":)";
constexpr std::string_view kStartKyokuHonba = R"(,"honba":)";
constexpr std::string_view kStartKyokuKyotaku = R"(,"kyotaku":)";
constexpr std::string_view kStartKyokuOya = R"(,"oya":)";
constexpr std::string_view kStartKyokuScores = R"(,"scores":)";
constexpr std::string_view kStartKyokuTehais = R"(,"tehais":[)";

constexpr std::size_t list_size(std::size_t count, std::size_t element_size) {
  return 2 + count * element_size + (count == 0 ? 0 : count - 1);
}

// The longest start_kyoku line there can be, so it is sized once.
constexpr std::size_t kStartKyokuMaxSize =
    kStartKyokuHead.size() + kMaxQuotedTileSize + kStartKyokuDora.size() + kMaxQuotedTileSize +
    kStartKyokuKyoku.size() + kMaxU8Size + kStartKyokuHonba.size() + kMaxU8Size + kStartKyokuKyotaku.size() +
    kMaxU8Size + kStartKyokuOya.size() + kMaxU8Size + kStartKyokuScores.size() + list_size(4, kMaxI32Size) +
    kStartKyokuTehais.size() + 4 * list_size(13, kMaxQuotedTileSize) + 3 + 2;

constexpr std::string_view kHoraHead = R"({"type":"hora","actor":)";
constexpr std::string_view kHoraTarget = R"(,"target":)";
constexpr std::string_view kDeltas = R"(,"deltas":)";
constexpr std::string_view kUraMarkers = R"(,"ura_markers":)";

using Line = std::expected<std::string, SerializeError>;

Line finish(LineWriter&& writer) {
  if (writer.failed()) return std::unexpected(SerializeError{"the event holds a tile that has no name"});
  return std::move(writer).take();
}

// Kinds without members are one fixed text.
Line constant_line(std::string_view text) {
  LineWriter writer(kLineReserve);
  writer.raw(text);
  return std::move(writer).take();
}

Line write(const ev::None&) { return constant_line(R"({"type":"none"})"); }

Line write(const ev::StartGame& e) {
  std::size_t size = kStartGameHead.size() + 4 * 2 + 3 + kStartGameKyokuFirst.size() + kMaxU8Size +
                     kStartGameAkaFlag.size() + kMaxBoolSize + 1;
  for (const auto& name : e.names) {
    const auto name_size = escaped_size(name);
    if (!name_size) return std::unexpected(SerializeError{"a player name is not valid UTF-8"});
    size += *name_size;
  }
  LineWriter writer(size);
  writer.raw(kStartGameHead);
  for (std::size_t seat = 0; seat < e.names.size(); ++seat) {
    if (seat != 0) writer.raw(",");
    writer.string(e.names[seat]);
  }
  writer.raw(kStartGameKyokuFirst).number(e.kyoku_first).raw(kStartGameAkaFlag).boolean(e.aka_flag).raw("}");
  return finish(std::move(writer));
}

Line write(const ev::StartKyoku& e) {
  LineWriter writer(kStartKyokuMaxSize);
  writer.raw(kStartKyokuHead)
      .tile(e.bakaze)
      .raw(kStartKyokuDora)
      .tile(e.dora_marker)
      .raw(kStartKyokuKyoku)
      .number(e.kyoku)
      .raw(kStartKyokuHonba)
      .number(e.honba)
      .raw(kStartKyokuKyotaku)
      .number(e.kyotaku)
      .raw(kStartKyokuOya)
      .number(e.oya)
      .raw(kStartKyokuScores)
      .numbers(e.scores)
      .raw(kStartKyokuTehais);
  for (std::size_t seat = 0; seat < e.tehais.size(); ++seat) {
    if (seat != 0) writer.raw(",");
    writer.tiles(e.tehais[seat]);
  }
  writer.raw("]}");
  return finish(std::move(writer));
}

Line write(const ev::Tsumo& e) {
  LineWriter writer(kLineReserve);
  writer.raw(R"({"type":"tsumo","actor":)").number(e.actor).raw(R"(,"pai":)").tile(e.pai).raw("}");
  return finish(std::move(writer));
}

Line write(const ev::Dahai& e) {
  LineWriter writer(kLineReserve);
  writer.raw(R"({"type":"dahai","actor":)")
      .number(e.actor)
      .raw(R"(,"pai":)")
      .tile(e.pai)
      .raw(R"(,"tsumogiri":)")
      .boolean(e.tsumogiri)
      .raw("}");
  return finish(std::move(writer));
}

// chi, pon and daiminkan differ only in their tag and the number of tiles.
template <typename Call>
Line write_call(std::string_view head, const Call& e) {
  LineWriter writer(kLineReserve);
  writer.raw(head)
      .number(e.actor)
      .raw(R"(,"target":)")
      .number(e.target)
      .raw(R"(,"pai":)")
      .tile(e.pai)
      .raw(R"(,"consumed":)")
      .tiles(e.consumed)
      .raw("}");
  return finish(std::move(writer));
}

Line write(const ev::Chi& e) { return write_call(R"({"type":"chi","actor":)", e); }
Line write(const ev::Pon& e) { return write_call(R"({"type":"pon","actor":)", e); }
Line write(const ev::Daiminkan& e) { return write_call(R"({"type":"daiminkan","actor":)", e); }

Line write(const ev::Kakan& e) {
  LineWriter writer(kLineReserve);
  writer.raw(R"({"type":"kakan","actor":)")
      .number(e.actor)
      .raw(R"(,"pai":)")
      .tile(e.pai)
      .raw(R"(,"consumed":)")
      .tiles(e.consumed)
      .raw("}");
  return finish(std::move(writer));
}

Line write(const ev::Ankan& e) {
  LineWriter writer(kLineReserve);
  writer.raw(R"({"type":"ankan","actor":)").number(e.actor).raw(R"(,"consumed":)").tiles(e.consumed).raw("}");
  return finish(std::move(writer));
}

Line write(const ev::Dora& e) {
  LineWriter writer(kLineReserve);
  writer.raw(R"({"type":"dora","dora_marker":)").tile(e.dora_marker).raw("}");
  return finish(std::move(writer));
}

// reach and reach_accepted carry only their seat.
Line actor_line(std::string_view head, Seat actor) {
  LineWriter writer(kLineReserve);
  writer.raw(head).number(actor).raw("}");
  return std::move(writer).take();
}

Line write(const ev::Reach& e) { return actor_line(R"({"type":"reach","actor":)", e.actor); }
Line write(const ev::ReachAccepted& e) { return actor_line(R"({"type":"reach_accepted","actor":)", e.actor); }

Line write(const ev::Hora& e) {
  std::size_t size = kHoraHead.size() + kMaxU8Size + kHoraTarget.size() + kMaxU8Size + kDeltas.size() +
                     list_size(4, kMaxI32Size) + 1;
  if (e.ura_markers) size += kUraMarkers.size() + list_size(e.ura_markers->size(), kMaxQuotedTileSize);
  LineWriter writer(size);
  writer.raw(kHoraHead).number(e.actor).raw(kHoraTarget).number(e.target);
  if (e.deltas) writer.raw(kDeltas).numbers(*e.deltas);
  if (e.ura_markers) writer.raw(kUraMarkers).tiles(*e.ura_markers);
  writer.raw("}");
  return finish(std::move(writer));
}

Line write(const ev::Ryukyoku& e) {
  LineWriter writer(kLineReserve);
  writer.raw(R"({"type":"ryukyoku")");
  if (e.deltas) writer.raw(kDeltas).numbers(*e.deltas);
  writer.raw("}");
  return finish(std::move(writer));
}

Line write(const ev::EndKyoku&) { return constant_line(R"({"type":"end_kyoku"})"); }
Line write(const ev::EndGame&) { return constant_line(R"({"type":"end_game"})"); }

}  // namespace

std::expected<std::string, SerializeError> serialize_event(const Event& event) {
  return std::visit([](const auto& kind) { return write(kind); }, event);
}

}  // namespace paiscribe
