#pragma once

// Builders and a short event notation shared by the conversion tests.

#include <expected>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "paiscribe/conv/convert_kyoku.hpp"
#include "paiscribe/conv/decode_items.hpp"
#include "paiscribe/conv/game_conversion.hpp"
#include "paiscribe/conv/seat_actions.hpp"
#include "paiscribe/json/parse_json_log.hpp"
#include "paiscribe/mjai/event.hpp"
#include "paiscribe/mjai/tile_names.hpp"
#include "paiscribe/record/raw_log.hpp"
#include "paiscribe/record/tile_code.hpp"

namespace paiscribe::test_support {

// A JSON log's record from text held anywhere.
inline std::expected<RawLog, JsonParseError> parse_text(std::string_view text) {
  return parse_json_log(PaddedText(text));
}

inline std::vector<std::string> lines_in(const MjaiLines& lines) {
  std::vector<std::string> texts;
  for (std::size_t i = 0; i < lines.size(); ++i) texts.emplace_back(lines[i]);
  return texts;
}

// The game's mjai lines as the conversion writes them, or one line naming
// the failure.
inline std::vector<std::string> lines_of(const RawLog& log) {
  ConversionStorage storage;
  auto game = GameConversion::start(log, storage);
  if (!game) return {"invalid log"};
  MjaiLines lines;
  while (!game->done()) {
    if (!game->next(lines)) return {"conversion failed"};
  }
  return lines_in(lines);
}

// The game's lines, or its failure.
inline std::expected<std::vector<std::string>, GameError> converted(const RawLog& log) {
  ConversionStorage storage;
  auto game = GameConversion::start(log, storage);
  if (!game) return std::unexpected(GameError{std::move(game.error())});
  MjaiLines lines;
  while (!game->done()) {
    if (auto made = game->next(lines); !made) return std::unexpected(std::move(made.error()));
  }
  return lines_in(lines);
}

// A list item written the way the log writes it: a code or a call string.
struct Item {
  Item(int code) : value(static_cast<std::uint8_t>(code)) {}  // NOLINT: rows read like the log
  Item(const char* text) : value(std::string(text)) {}        // NOLINT

  std::variant<std::uint8_t, std::string> value;
};

// Rows that name the kind of item they mean; the code alone decides a tile from a number.
inline Item tile_item(int code) { return code; }
inline Item number_item(int value) { return value; }
inline Item text_item(const char* text) { return text; }

inline ActionItems items(std::span<const Item> list) {
  ActionItems out;
  for (const Item& entry : list) std::visit([&](const auto& value) { out.add(value); }, entry.value);
  return out;
}
inline ActionItems items(std::initializer_list<Item> list) { return items(std::span(list.begin(), list.size())); }

inline std::vector<Event> events_of(Seat actor, const std::vector<Action>& actions) {
  std::vector<Event> events;
  for (const Action& action : actions) events.push_back(event_of(actor, action));
  return events;
}

// One item decoded on its own, as its seat's list decoding would decode it.
inline std::expected<Event, ConversionError> decode_take(Seat actor, const Item& item) {
  std::vector<Action> actions;
  if (auto decoded = append_takes(SeatAt{{}, actor}, items({item}), actions); !decoded)
    return std::unexpected(decoded.error());
  return event_of(actor, actions.front());
}

inline std::expected<std::vector<Event>, ConversionError> decode_discard(Seat actor, const Item& item) {
  std::vector<Action> actions;
  if (auto decoded = append_discards(SeatAt{{}, actor}, items({item}), actions); !decoded)
    return std::unexpected(decoded.error());
  return events_of(actor, actions);
}

struct SeatEvents {
  std::vector<Event> takes;
  std::vector<Event> discards;
};

inline std::expected<SeatEvents, ConversionError> build_seat_events(Seat seat, std::span<const Item> takes,
                                                                    std::span<const Item> discards) {
  SeatActions actions;
  if (auto built = build_seat_actions(SeatAt{{}, seat}, items(takes), items(discards), actions); !built)
    return std::unexpected(built.error());
  return SeatEvents{events_of(seat, actions.takes), events_of(seat, actions.discards)};
}

// One kyoku's lines, start_kyoku to end_kyoku, as a kyoku ending in a draw.
inline std::expected<std::vector<std::string>, ConversionError> convert_kyoku(const RawKyoku& kyoku) {
  EverySeatActions seats;
  MjaiLines lines;
  GameLines game_lines(lines);
  const KyokuResult draw;
  if (auto converted = paiscribe::convert_kyoku(kyoku, KyokuOutcome{draw, {}}, seats, game_lines); !converted)
    return std::unexpected(converted.error());
  return lines_in(lines);
}

inline Tile tile(int code) { return *tile_from_code(static_cast<std::uint8_t>(code)); }

inline std::vector<Tile> tiles(std::initializer_list<int> codes) {
  std::vector<Tile> out;
  for (int code : codes) out.push_back(tile(code));
  return out;
}

// A kyoku whose hands are all 1m; tests fill in the lists they care about.
inline RawKyoku make_kyoku(std::uint8_t kyoku_index = 0, std::vector<Tile> dora = tiles({21, 22, 23, 24, 25})) {
  RawKyoku kyoku;
  kyoku.header = {kyoku_index, 0, 0};
  kyoku.scores = {25000, 25000, 25000, 25000};
  kyoku.dora_indicators = std::move(dora);
  for (RawSeat& seat : kyoku.seats) seat.haipai.fill(tile(11));
  return kyoku;
}

inline void set_lists(RawKyoku& kyoku, int seat, std::initializer_list<Item> takes,
                      std::initializer_list<Item> discards) {
  kyoku.seats[seat].take_items = items(takes);
  kyoku.seats[seat].discard_items = items(discards);
}

// The text of a member of a line: a string's content, a number or literal,
// or the first element of a list.
inline std::string member_of(std::string_view line, std::string_view key) {
  std::size_t at = line.find("\"" + std::string(key) + "\":");
  if (at == std::string_view::npos) return "";
  at += key.size() + 3;
  if (line[at] == '[') ++at;
  if (line[at] == '"') return std::string(line.substr(at + 1, line.find('"', at + 1) - at - 1));
  return std::string(line.substr(at, line.find_first_of(",]}", at) - at));
}

// One line in a few words: "tsumo 0 1m", "pon 2<0 5m", "dahai 1 E*" (* = tsumogiri).
inline std::string summary(std::string_view line) {
  const std::string type = member_of(line, "type");
  const std::string actor = member_of(line, "actor");
  const std::string target = actor + "<" + member_of(line, "target");
  if (type == "tsumo" || type == "kakan") return type + " " + actor + " " + member_of(line, "pai");
  if (type == "dahai") return type + " " + actor + " " + member_of(line, "pai") + (member_of(line, "tsumogiri") == "true" ? "*" : "");
  if (type == "chi" || type == "pon" || type == "daiminkan") return type + " " + target + " " + member_of(line, "pai");
  if (type == "ankan") return type + " " + actor + " " + member_of(line, "consumed");
  if (type == "dora") return type + " " + member_of(line, "dora_marker");
  if (type == "reach" || type == "reach_accepted") return type + " " + actor;
  if (type == "hora") return type + " " + target;
  return type;
}

inline std::vector<std::string> summaries(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  for (const std::string& line : lines) out.push_back(summary(line));
  return out;
}

}  // namespace paiscribe::test_support
