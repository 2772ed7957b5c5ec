#include "paiscribe/mjai/printed_line.hpp"

#include <array>
#include <cstdint>
#include <limits>
#include <span>
#include <tuple>
#include <utility>
#include <vector>

#include "paiscribe/mjai/line_keys.hpp"
#include "paiscribe/mjai/tile_lookup.hpp"

namespace paiscribe {
namespace {

using line_reading::kHiddenHand;

constexpr std::int64_t kLeastInt32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kMostInt32 = std::numeric_limits<std::int32_t>::max();

// Reads a line front to back in the writer's form: each literal as it is,
// each value as the writer prints it (a tile's quoted name, a number in its
// plain digits), failing at the first byte that differs. What it reads is
// then the one line the writer prints for the event.
class PrintedCursor {
 public:
  explicit PrintedCursor(std::string_view line) : at_(line.data()), end_(line.data() + line.size()) {}

  bool literal(std::string_view text) {
    if (static_cast<std::size_t>(end_ - at_) < text.size() || std::string_view(at_, text.size()) != text) return false;
    at_ += text.size();
    return true;
  }

  bool symbol(char c) {
    if (at_ == end_ || *at_ != c) return false;
    ++at_;
    return true;
  }

  bool at_end() const { return at_ == end_; }

  // A name is read three bytes past its quote, whatever its size.
  bool tile(Tile& out) {
    if (end_ - at_ < 4 || *at_ != '"') return false;
    const auto [size, tile] = name_at(at_ + 1);
    if (!tile || end_ - at_ < static_cast<std::ptrdiff_t>(size) + 2 || at_[1 + size] != '"') return false;
    out = *tile;
    at_ += size + 2;
    return true;
  }

  // No sign but a minus, no leading zero, no "-0".
  template <typename T>
  bool number(T& out, std::int64_t low, std::int64_t high) {
    const bool negative = at_ < end_ && *at_ == '-';
    const char* digits = at_ + negative;
    const char* stop = digits;
    std::int64_t value = 0;
    while (stop < end_ && *stop >= '0' && *stop <= '9' && stop - digits < 11) value = value * 10 + (*stop++ - '0');
    const auto count = stop - digits;
    if (count == 0 || (stop < end_ && *stop >= '0' && *stop <= '9') || (*digits == '0' && (count > 1 || negative)))
      return false;
    value = negative ? -value : value;
    if (value < low || value > high) return false;
    out = static_cast<T>(value);
    at_ = stop;
    return true;
  }
  bool seat(Seat& out) { return number(out, 0, 3); }

  // `[a,b,...]` of exactly as many tiles as `out` holds.
  bool tiles(std::span<Tile> out) {
    if (!symbol('[')) return false;
    for (std::size_t at = 0; at < out.size(); ++at) {
      if ((at != 0 && !symbol(',')) || !tile(out[at])) return false;
    }
    return symbol(']');
  }
  // `[a,b,...]` of any number of tiles.
  bool tile_list(std::vector<Tile>& out) {
    if (!symbol('[')) return false;
    if (symbol(']')) return true;
    do {
      if (!tile(out.emplace_back(Tile::hidden()))) return false;
    } while (symbol(','));
    return symbol(']');
  }
  bool deltas(Deltas& out) {
    if (!symbol('[')) return false;
    for (std::size_t seat = 0; seat < out.size(); ++seat) {
      if ((seat != 0 && !symbol(',')) || !number(out[seat], kLeastInt32, kMostInt32)) return false;
    }
    return symbol(']');
  }
  // The line's end, or an optional member's key where it stands.
  bool ends() { return literal("}") && at_end(); }

 private:
  const char* at_;
  const char* end_;
};

using Read = std::optional<Event>;

template <typename E>
Read done(PrintedCursor& in, E&& event) {
  if (!in.ends()) return std::nullopt;
  return Event(std::forward<E>(event));
}

Read read_start_kyoku(PrintedCursor& in) {
  ev::StartKyoku e{Tile::hidden(), Tile::hidden(), 0, 0, 0, 0, {}, {kHiddenHand, kHiddenHand, kHiddenHand, kHiddenHand}};
  if (!in.literal(R"("bakaze":)") || !in.tile(e.bakaze) || !in.literal(R"(,"dora_marker":)") ||
      !in.tile(e.dora_marker) || !in.literal(R"(,"kyoku":)") || !in.number(e.kyoku, 0, 255) ||
      !in.literal(R"(,"honba":)") || !in.number(e.honba, 0, 255) || !in.literal(R"(,"kyotaku":)") ||
      !in.number(e.kyotaku, 0, 255) || !in.literal(R"(,"oya":)") || !in.seat(e.oya) || !in.literal(R"(,"scores":)") ||
      !in.deltas(e.scores) || !in.literal(R"(,"tehais":[)"))
    return std::nullopt;
  for (std::size_t seat = 0; seat < e.tehais.size(); ++seat) {
    if ((seat != 0 && !in.symbol(',')) || !in.tiles(e.tehais[seat])) return std::nullopt;
  }
  if (!in.symbol(']')) return std::nullopt;
  return done(in, std::move(e));
}

// chi, pon and daiminkan share their members.
template <typename Call>
Read read_call(PrintedCursor& in) {
  Call e{0, 0, Tile::hidden(), decltype(Call::consumed)(line_reading::hidden_tiles(
                                   std::make_index_sequence<std::tuple_size_v<decltype(Call::consumed)>>()))};
  if (!in.literal(R"("actor":)") || !in.seat(e.actor) || !in.literal(R"(,"target":)") || !in.seat(e.target) ||
      !in.literal(R"(,"pai":)") || !in.tile(e.pai) || !in.literal(R"(,"consumed":)") || !in.tiles(e.consumed))
    return std::nullopt;
  return done(in, std::move(e));
}

Read read_kakan(PrintedCursor& in) {
  ev::Kakan e{0, Tile::hidden(), {Tile::hidden(), Tile::hidden(), Tile::hidden()}};
  if (!in.literal(R"("actor":)") || !in.seat(e.actor) || !in.literal(R"(,"pai":)") || !in.tile(e.pai) ||
      !in.literal(R"(,"consumed":)") || !in.tiles(e.consumed))
    return std::nullopt;
  return done(in, std::move(e));
}

Read read_ankan(PrintedCursor& in) {
  ev::Ankan e{0, {Tile::hidden(), Tile::hidden(), Tile::hidden(), Tile::hidden()}};
  if (!in.literal(R"("actor":)") || !in.seat(e.actor) || !in.literal(R"(,"consumed":)") || !in.tiles(e.consumed))
    return std::nullopt;
  return done(in, std::move(e));
}

template <typename E>
Read read_actor(PrintedCursor& in) {
  E e{0};
  if (!in.literal(R"("actor":)") || !in.seat(e.actor)) return std::nullopt;
  return done(in, std::move(e));
}

Read read_tsumo(PrintedCursor& in) {
  ev::Tsumo e{0, Tile::hidden()};
  if (!in.literal(R"("actor":)") || !in.seat(e.actor) || !in.literal(R"(,"pai":)") || !in.tile(e.pai))
    return std::nullopt;
  return done(in, std::move(e));
}

Read read_dahai(PrintedCursor& in) {
  ev::Dahai e{0, Tile::hidden(), false};
  if (!in.literal(R"("actor":)") || !in.seat(e.actor) || !in.literal(R"(,"pai":)") || !in.tile(e.pai) ||
      !in.literal(R"(,"tsumogiri":)"))
    return std::nullopt;
  e.tsumogiri = in.literal("true");
  if (!e.tsumogiri && !in.literal("false")) return std::nullopt;
  return done(in, std::move(e));
}

Read read_dora(PrintedCursor& in) {
  ev::Dora e{Tile::hidden()};
  if (!in.literal(R"("dora_marker":)") || !in.tile(e.dora_marker)) return std::nullopt;
  return done(in, std::move(e));
}

// Absent optional members have no key at all.
Read read_hora(PrintedCursor& in) {
  ev::Hora e{0, 0, std::nullopt, std::nullopt};
  if (!in.literal(R"("actor":)") || !in.seat(e.actor) || !in.literal(R"(,"target":)") || !in.seat(e.target))
    return std::nullopt;
  if (in.literal(R"(,"deltas":)") && !in.deltas(e.deltas.emplace())) return std::nullopt;
  if (in.literal(R"(,"ura_markers":)") && !in.tile_list(e.ura_markers.emplace())) return std::nullopt;
  return done(in, std::move(e));
}

Read read_ryukyoku(PrintedCursor& in) {
  ev::Ryukyoku e{std::nullopt};
  if (in.literal(R"(,"deltas":)") && !in.deltas(e.deltas.emplace())) return std::nullopt;
  return done(in, std::move(e));
}

}  // namespace

std::optional<Event> read_printed_line(std::string_view line) {
  PrintedCursor in(line);
  if (!in.literal(R"({"type":")")) return std::nullopt;
  // The types with members, then those without.
  if (in.literal(R"(start_kyoku",)")) return read_start_kyoku(in);
  if (in.literal(R"(chi",)")) return read_call<ev::Chi>(in);
  if (in.literal(R"(pon",)")) return read_call<ev::Pon>(in);
  if (in.literal(R"(daiminkan",)")) return read_call<ev::Daiminkan>(in);
  if (in.literal(R"(kakan",)")) return read_kakan(in);
  if (in.literal(R"(ankan",)")) return read_ankan(in);
  if (in.literal(R"(reach",)")) return read_actor<ev::Reach>(in);
  if (in.literal(R"(reach_accepted",)")) return read_actor<ev::ReachAccepted>(in);
  if (in.literal(R"(dora",)")) return read_dora(in);
  if (in.literal(R"(hora",)")) return read_hora(in);
  if (in.literal(R"(tsumo",)")) return read_tsumo(in);
  if (in.literal(R"(dahai",)")) return read_dahai(in);
  if (in.literal(R"(ryukyoku")")) return read_ryukyoku(in);
  if (in.literal(R"(end_kyoku")")) return done(in, ev::EndKyoku{});
  if (in.literal(R"(end_game")")) return done(in, ev::EndGame{});
  if (in.literal(R"(none")")) return done(in, ev::None{});
  return std::nullopt;
}

}  // namespace paiscribe
