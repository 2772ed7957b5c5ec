#include "paiscribe/mjai/printed_line.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <vector>

#include "paiscribe/mjai/line_keys.hpp"
#include "paiscribe/mjai/serialize.hpp"
#include "paiscribe/mjai/tile_lookup.hpp"

namespace paiscribe {
namespace {

using line_reading::kHiddenHand;

// A line's values in the order they stand, and which optional keys it has.
struct LineValues {
  std::size_t type = line_reading::kNoName;
  std::array<std::int64_t, 8> numbers{};
  std::size_t number_count = 0;
  std::array<Tile, 2 + 4 * 13> tiles = line_reading::hidden_tiles(std::make_index_sequence<2 + 4 * 13>());
  std::size_t tile_count = 0;
  std::optional<bool> flag;
  bool deltas = false;
  bool ura_markers = false;
};

// Keys are passed over but for the optional ones; a value that is no
// number, tile or boolean fails the scan.
std::optional<LineValues> scan_values(std::string_view line) {
  static constexpr std::string_view kHead = R"({"type":")";
  if (!line.starts_with(kHead)) return std::nullopt;
  LineValues values;
  const auto type_end = line.find('"', kHead.size());
  if (type_end == std::string_view::npos) return std::nullopt;
  values.type = line_reading::find_name(line_reading::kTypeNames, line_reading::kTypeSlots,
                                        line.substr(kHead.size(), type_end - kHead.size()));
  for (std::size_t at = type_end + 1; at < line.size();) {
    const char c = line[at];
    if (c == '"' && at + 5 < line.size()) {
      // Tiles make most of the strings of the longest lines.
      const auto [size, tile] = name_at(line.data() + at + 1);
      if (tile && line[at + 1 + size] == '"' && line[at + 2 + size] != ':') {
        if (values.tile_count == values.tiles.size()) return std::nullopt;
        values.tiles[values.tile_count++] = *tile;
        at += size + 2;
        continue;
      }
    }
    if (c == '"') {
      std::size_t end = at + 1;
      while (end < line.size() && line[end] != '"') ++end;
      if (end + 1 >= line.size()) return std::nullopt;
      const std::string_view text = line.substr(at + 1, end - at - 1);
      if (line[end + 1] == ':') {
        values.deltas = values.deltas || text == "deltas";
        values.ura_markers = values.ura_markers || text == "ura_markers";
      } else {
        const auto tile = tile_named(text);
        if (!tile || values.tile_count == values.tiles.size()) return std::nullopt;
        values.tiles[values.tile_count++] = *tile;
      }
      at = end + 1;
    } else if (c == '-' || (c >= '0' && c <= '9')) {
      const bool negative = c == '-';
      std::int64_t value = 0;
      std::size_t digits = 0;
      for (at += negative; at < line.size() && line[at] >= '0' && line[at] <= '9' && digits < 11; ++at, ++digits)
        value = value * 10 + (line[at] - '0');
      if (values.number_count == values.numbers.size()) return std::nullopt;
      values.numbers[values.number_count++] = negative ? -value : value;
    } else if (line.substr(at, 4) == "true" || line.substr(at, 5) == "false") {
      values.flag = c == 't';
      at += c == 't' ? 4 : 5;
    } else {
      ++at;
    }
  }
  return values;
}

// The event the values make for their type, when they are the ones it has
// and each fits its field.
std::optional<Event> event_of(const LineValues& v) {
  const auto in = [&](std::size_t at, std::int64_t low, std::int64_t high) {
    return v.numbers[at] >= low && v.numbers[at] <= high;
  };
  const auto has = [&](std::size_t numbers, std::size_t tiles, std::size_t seats) {
    bool fits = v.number_count == numbers && v.tile_count == tiles;
    for (std::size_t at = 0; at < seats && fits; ++at) fits = in(at, 0, 3);
    return fits;
  };
  const auto seat = [&](std::size_t at) { return static_cast<Seat>(v.numbers[at]); };
  const auto& t = v.tiles;
  const auto deltas = [&](std::size_t from) {
    Deltas out{};
    for (std::size_t at = 0; at < 4; ++at) out[at] = static_cast<std::int32_t>(v.numbers[from + at]);
    return out;
  };
  const auto int32s_from = [&](std::size_t from) {
    bool fits = true;
    for (std::size_t at = from; at < v.number_count; ++at)
      fits = fits && in(at, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max());
    return fits;
  };
  switch (static_cast<EventType>(v.type)) {
    case EventType::None: return has(0, 0, 0) ? std::optional<Event>(ev::None{}) : std::nullopt;
    case EventType::StartKyoku: {
      if (!has(8, t.size(), 0) || !in(0, 0, 255) || !in(1, 0, 255) || !in(2, 0, 255) || !in(3, 0, 3) ||
          !int32s_from(4))
        return std::nullopt;
      ev::StartKyoku start{t[0], t[1], static_cast<std::uint8_t>(v.numbers[0]), static_cast<std::uint8_t>(v.numbers[1]),
                           static_cast<std::uint8_t>(v.numbers[2]), seat(3), deltas(4),
                           {kHiddenHand, kHiddenHand, kHiddenHand, kHiddenHand}};
      for (std::size_t hand = 0; hand < 4; ++hand) std::copy_n(t.begin() + 2 + 13 * hand, 13, start.tehais[hand].begin());
      return start;
    }
    case EventType::Tsumo: return has(1, 1, 1) ? std::optional<Event>(ev::Tsumo{seat(0), t[0]}) : std::nullopt;
    case EventType::Dahai:
      return has(1, 1, 1) && v.flag ? std::optional<Event>(ev::Dahai{seat(0), t[0], *v.flag}) : std::nullopt;
    case EventType::Chi:
      return has(2, 3, 2) ? std::optional<Event>(ev::Chi{seat(0), seat(1), t[0], {t[1], t[2]}}) : std::nullopt;
    case EventType::Pon:
      return has(2, 3, 2) ? std::optional<Event>(ev::Pon{seat(0), seat(1), t[0], {t[1], t[2]}}) : std::nullopt;
    case EventType::Daiminkan:
      if (!has(2, 4, 2)) return std::nullopt;
      return ev::Daiminkan{seat(0), seat(1), t[0], {t[1], t[2], t[3]}};
    case EventType::Kakan:
      return has(1, 4, 1) ? std::optional<Event>(ev::Kakan{seat(0), t[0], {t[1], t[2], t[3]}}) : std::nullopt;
    case EventType::Ankan:
      return has(1, 4, 1) ? std::optional<Event>(ev::Ankan{seat(0), {t[0], t[1], t[2], t[3]}}) : std::nullopt;
    case EventType::Dora: return has(0, 1, 0) ? std::optional<Event>(ev::Dora{t[0]}) : std::nullopt;
    case EventType::Reach: return has(1, 0, 1) ? std::optional<Event>(ev::Reach{seat(0)}) : std::nullopt;
    case EventType::ReachAccepted:
      return has(1, 0, 1) ? std::optional<Event>(ev::ReachAccepted{seat(0)}) : std::nullopt;
    case EventType::Hora: {
      if (!has(v.deltas ? 6 : 2, v.tile_count, 2) || !int32s_from(2) || (!v.ura_markers && v.tile_count != 0))
        return std::nullopt;
      std::optional<std::vector<Tile>> ura;
      if (v.ura_markers) ura.emplace(t.begin(), t.begin() + static_cast<std::ptrdiff_t>(v.tile_count));
      return ev::Hora{seat(0), seat(1), v.deltas ? std::optional(deltas(2)) : std::nullopt, std::move(ura)};
    }
    case EventType::Ryukyoku:
      if (!has(v.deltas ? 4 : 0, 0, 0) || !int32s_from(0)) return std::nullopt;
      return ev::Ryukyoku{v.deltas ? std::optional(deltas(0)) : std::nullopt};
    case EventType::EndKyoku: return has(0, 0, 0) ? std::optional<Event>(ev::EndKyoku{}) : std::nullopt;
    case EventType::EndGame: return has(0, 0, 0) ? std::optional<Event>(ev::EndGame{}) : std::nullopt;
    default: return std::nullopt;  // start_game, or no type
  }
}

}  // namespace

std::optional<Event> read_printed_line(std::string_view line) {
  // Every line but start_game's fits this room, and a longer one is not the writer's.
  std::array<char, kFixedLineRoom> printed;
  if (line.size() > printed.size()) return std::nullopt;
  const auto values = scan_values(line);
  if (!values) return std::nullopt;
  auto event = event_of(*values);
  if (!event) return std::nullopt;
  const char* end = write_line(*event, printed.data(), printed.size());
  if (end == nullptr || std::string_view(printed.data(), static_cast<std::size_t>(end - printed.data())) != line)
    return std::nullopt;
  return event;
}

}  // namespace paiscribe
