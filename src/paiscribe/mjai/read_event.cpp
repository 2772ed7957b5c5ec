#include "paiscribe/mjai/read_event.hpp"

#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <optional>

#include "paiscribe/mjai/line_handler.hpp"
#include "paiscribe/mjai/tile_lookup.hpp"
#include "paiscribe/mjai/plain_json.hpp"
#include "paiscribe/mjai/serialize.hpp"

namespace paiscribe {
namespace {

using line_reading::Fields;
using line_reading::LineHandler;
using line_reading::event_of;

}  // namespace

// Draw and discard lines make most of a game.
DrawOrDiscard read_draw_or_discard(std::string_view line) {
  static constexpr std::string_view kTsumo = R"({"type":"tsumo","actor":)";
  static constexpr std::string_view kDahai = R"({"type":"dahai","actor":)";
  static constexpr std::string_view kPai = R"(,"pai":")";
  static constexpr std::size_t kNameAt = kTsumo.size() + 1 + kPai.size();
  if (line.size() <= kNameAt + 2) return {};
  const bool tsumo = std::memcmp(line.data(), kTsumo.data(), kTsumo.size()) == 0;
  if (!tsumo && std::memcmp(line.data(), kDahai.data(), kDahai.size()) != 0) return {};
  const char actor = line[kTsumo.size()];
  if (actor < '0' || actor > '3' || std::memcmp(line.data() + kTsumo.size() + 1, kPai.data(), kPai.size()) != 0)
    return {};
  // A name of one to three bytes, with at least three to read: packed
  // without a branch on its size.
  const std::size_t name_size = 1 + (line[kNameAt + 1] != '"') + (line[kNameAt + 1] != '"' && line[kNameAt + 2] != '"');
  const auto byte = [&](std::size_t at) { return static_cast<std::uint32_t>(static_cast<unsigned char>(line[kNameAt + at])); };
  const std::uint32_t bytes = byte(0) | byte(1) << 8 | byte(2) << 16;
  const auto size = static_cast<std::uint32_t>(name_size);
  const auto tile = tile_of_code((bytes & ((1u << (8 * size)) - 1)) | size << 24);
  if (!tile) return {};
  const auto seat = static_cast<Seat>(actor - '0');
  const char* rest = line.data() + kNameAt + name_size;
  const std::size_t rest_size = line.size() - kNameAt - name_size;
  const auto ends = [&](std::string_view end) {
    return rest_size == end.size() && std::memcmp(rest, end.data(), end.size()) == 0;
  };
  if (tsumo) return ends("\"}") ? DrawOrDiscard(DrawOrDiscard::Tsumo, seat, *tile) : DrawOrDiscard();
  if (ends(R"(","tsumogiri":true})")) return {DrawOrDiscard::Tsumogiri, seat, *tile};
  if (ends(R"(","tsumogiri":false})")) return {DrawOrDiscard::Dahai, seat, *tile};
  return {};
  return {};
}

namespace {

// start_kyoku lines are by far the longest. Their values are taken in
// order by a quick scan that skips the keys, and the line is kept only if
// the writer prints the very same line for the event they make.
std::optional<ev::StartKyoku> read_printed_start_kyoku(std::string_view line) {
  static constexpr std::string_view kHead = R"({"type":"start_kyoku",)";
  if (!line.starts_with(kHead)) return std::nullopt;
  std::array<Tile, 2 + 4 * 13> tiles = line_reading::hidden_tiles(std::make_index_sequence<2 + 4 * 13>());
  std::array<std::int64_t, 4 + 4> numbers{};
  std::size_t tile_count = 0, number_count = 0;
  for (std::size_t at = kHead.size(); at < line.size();) {
    const char c = line[at];
    if (c == '"') {
      std::size_t end = at + 1;
      while (end < line.size() && line[end] != '"') ++end;
      if (end + 1 >= line.size()) return std::nullopt;
      if (line[end + 1] != ':') {
        const auto tile = tile_named(line.substr(at + 1, end - at - 1));
        if (!tile || tile_count == tiles.size()) return std::nullopt;
        tiles[tile_count++] = *tile;
      }
      at = end + 1;
    } else if (c == '-' || (c >= '0' && c <= '9')) {
      const bool negative = c == '-';
      std::int64_t value = 0;
      std::size_t digits = 0;
      for (at += negative; at < line.size() && line[at] >= '0' && line[at] <= '9' && digits < 10; ++at, ++digits)
        value = value * 10 + (line[at] - '0');
      if (number_count == numbers.size()) return std::nullopt;
      numbers[number_count++] = negative ? -value : value;
    } else {
      ++at;
    }
  }
  const auto in = [](std::int64_t value, std::int64_t low, std::int64_t high) { return value >= low && value <= high; };
  if (tile_count != tiles.size() || number_count != numbers.size() || !in(numbers[0], 0, 255) ||
      !in(numbers[1], 0, 255) || !in(numbers[2], 0, 255) || !in(numbers[3], 0, 3))
    return std::nullopt;
  ev::StartKyoku event{tiles[0], tiles[1], static_cast<std::uint8_t>(numbers[0]), static_cast<std::uint8_t>(numbers[1]),
                       static_cast<std::uint8_t>(numbers[2]), static_cast<Seat>(numbers[3]), {},
                       {line_reading::kHiddenHand, line_reading::kHiddenHand, line_reading::kHiddenHand,
                        line_reading::kHiddenHand}};
  for (std::size_t seat = 0; seat < 4; ++seat) {
    if (!in(numbers[4 + seat], std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()))
      return std::nullopt;
    event.scores[seat] = static_cast<std::int32_t>(numbers[4 + seat]);
    std::copy_n(tiles.begin() + 2 + 13 * seat, 13, event.tehais[seat].begin());
  }
  std::array<char, kFixedLineRoom> printed;
  const char* end = write_line(event, printed.data(), printed.size());
  if (end == nullptr || std::string_view(printed.data(), static_cast<std::size_t>(end - printed.data())) != line)
    return std::nullopt;
  return event;
}

// Any line RapidJSON reads, with its verdict and message.
std::expected<Event, ReadError> read_with_rapidjson(std::string_view line, std::string& scratch) {
  // The parse would stop at a NUL as at the end of the text.
  if (std::memchr(line.data(), '\0', line.size()) != nullptr) return std::unexpected(ReadError{"the line holds a NUL byte"});
  scratch.assign(line);
  Fields fields;
  LineHandler handler(fields);
  rapidjson::Reader reader;
  rapidjson::InsituStringStream stream(scratch.data());
  constexpr unsigned kFlags = rapidjson::kParseInsituFlag | rapidjson::kParseValidateEncodingFlag;
  const auto result = reader.Parse<kFlags>(stream, handler);
  if (result.Code() == rapidjson::kParseErrorTermination) return std::unexpected(ReadError{handler.error()});
  if (result.IsError()) {
    return std::unexpected(ReadError{"not JSON: " + std::string(rapidjson::GetParseError_En(result.Code())) +
                                     " at byte " + std::to_string(result.Offset())});
  }
  return event_of(fields);
}

}  // namespace

std::expected<Event, ReadError> EventReader::read(std::string_view line) {
  std::expected<Event, ReadError> event;
  auto read = read_with(line, [&event](auto&& each) { event = std::forward<decltype(each)>(each); });
  if (!read) return std::unexpected(std::move(read.error()));
  return event;
}

// A start_kyoku line in the writer's form; else a line of plain JSON through
// the quick scanner; else RapidJSON, which also words every failure.
std::expected<Event, ReadError> EventReader::read_other(std::string_view line) {
  if (auto start = read_printed_start_kyoku(line)) return *std::move(start);
  Fields fields;
  LineHandler handler(fields);
  if (PlainJsonScanner(line, handler).scan()) {
    if (auto event = event_of(fields)) return event;
  }
  return read_with_rapidjson(line, scratch_);
}

std::expected<Event, ReadError> read_event(std::string_view line) { return EventReader().read(line); }

}  // namespace paiscribe
