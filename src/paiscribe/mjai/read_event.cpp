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
#include "paiscribe/mjai/printed_line.hpp"

namespace paiscribe {
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
  const auto [name_size, tile] = name_at(line.data() + kNameAt);
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
}

namespace {

using line_reading::Fields;
using line_reading::LineHandler;

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
  return line_reading::event_of(fields);
}

}  // namespace

std::expected<Event, ReadError> EventReader::read(std::string_view line) {
  std::expected<Event, ReadError> event;
  auto read = read_with(line, [&event](auto&& each) { event = std::forward<decltype(each)>(each); });
  if (!read) return std::unexpected(std::move(read.error()));
  return event;
}

// Any other line in the writer's form; else RapidJSON, which reads any
// key order and spacing and words every failure.
std::expected<Event, ReadError> EventReader::read_other(std::string_view line) {
  if (auto printed = read_printed_line(line)) return *std::move(printed);
  return read_with_rapidjson(line, scratch_);
}

std::expected<Event, ReadError> read_event(std::string_view line) { return EventReader().read(line); }

}  // namespace paiscribe
