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
#include "paiscribe/conv/game_conversion.hpp"
#include "paiscribe/json/parse_json_log.hpp"
#include "paiscribe/conv/decode_items.hpp"
#include "paiscribe/conv/seat_events.hpp"
#include "paiscribe/mjai/event.hpp"
#include "paiscribe/mjai/tile_names.hpp"
#include "paiscribe/record/raw_log.hpp"
#include "paiscribe/record/tile_code.hpp"

namespace paiscribe::test_support {

// A JSON log's record from text held anywhere.
inline std::expected<RawLog, JsonParseError> parse_text(std::string_view text) {
  return parse_json_log(PaddedText(text));
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
  std::vector<std::string> texts;
  for (std::size_t i = 0; i < lines.size(); ++i) texts.emplace_back(lines[i]);
  return texts;
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

// One item decoded on its own, as its seat's list decoding would decode it.
inline std::expected<Event, ConversionError> decode_take(Seat actor, const Item& item) {
  std::vector<Event> events;
  if (auto decoded = append_takes(SeatAt{{}, actor}, items({item}), events); !decoded)
    return std::unexpected(decoded.error());
  return std::move(events.front());
}

inline std::expected<std::vector<Event>, ConversionError> decode_discard(Seat actor, const Item& item) {
  std::vector<Event> events;
  if (auto decoded = append_discards(SeatAt{{}, actor}, items({item}), events); !decoded)
    return std::unexpected(decoded.error());
  return events;
}

inline std::expected<SeatEvents, ConversionError> build_seat_events(Seat seat, std::span<const Item> takes,
                                                                    std::span<const Item> discards) {
  SeatEvents events;
  if (auto built = paiscribe::build_seat_events(SeatAt{{}, seat}, items(takes), items(discards), events); !built)
    return std::unexpected(built.error());
  return events;
}

inline std::expected<void, ConversionError> convert_kyoku(const RawKyoku& kyoku, const KyokuResult& result,
                                                         std::vector<Event>& events) {
  EverySeatEvents seats;
  return paiscribe::convert_kyoku(kyoku, result, events, seats);
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

// One event in a few words: "tsumo 0 1m", "pon 2<0 5m", "dahai 1 E*" (* = tsumogiri).
inline std::string summary(const Event& event) {
  auto seat = [](Seat s) { return std::to_string(s); };
  auto name = [](Tile t) { return std::string(mjai_name(t)); };
  return std::visit(
      [&](const auto& e) -> std::string {
        using T = std::decay_t<decltype(e)>;
        if constexpr (std::is_same_v<T, ev::StartGame>) return "start_game";
        else if constexpr (std::is_same_v<T, ev::StartKyoku>) return "start_kyoku";
        else if constexpr (std::is_same_v<T, ev::Tsumo>) return "tsumo " + seat(e.actor) + " " + name(e.pai);
        else if constexpr (std::is_same_v<T, ev::Dahai>)
          return "dahai " + seat(e.actor) + " " + name(e.pai) + (e.tsumogiri ? "*" : "");
        else if constexpr (std::is_same_v<T, ev::Chi>) return "chi " + seat(e.actor) + "<" + seat(e.target) + " " + name(e.pai);
        else if constexpr (std::is_same_v<T, ev::Pon>) return "pon " + seat(e.actor) + "<" + seat(e.target) + " " + name(e.pai);
        else if constexpr (std::is_same_v<T, ev::Daiminkan>)
          return "daiminkan " + seat(e.actor) + "<" + seat(e.target) + " " + name(e.pai);
        else if constexpr (std::is_same_v<T, ev::Kakan>) return "kakan " + seat(e.actor) + " " + name(e.pai);
        else if constexpr (std::is_same_v<T, ev::Ankan>) return "ankan " + seat(e.actor) + " " + name(e.consumed[0]);
        else if constexpr (std::is_same_v<T, ev::Dora>) return "dora " + name(e.dora_marker);
        else if constexpr (std::is_same_v<T, ev::Reach>) return "reach " + seat(e.actor);
        else if constexpr (std::is_same_v<T, ev::ReachAccepted>) return "reach_accepted " + seat(e.actor);
        else if constexpr (std::is_same_v<T, ev::Hora>) return "hora " + seat(e.actor) + "<" + seat(e.target);
        else if constexpr (std::is_same_v<T, ev::Ryukyoku>) return "ryukyoku";
        else if constexpr (std::is_same_v<T, ev::EndKyoku>) return "end_kyoku";
        else if constexpr (std::is_same_v<T, ev::EndGame>) return "end_game";
        else return "none";
      },
      event);
}

inline std::vector<std::string> summaries(const std::vector<Event>& events) {
  std::vector<std::string> out;
  for (const Event& event : events) out.push_back(summary(event));
  return out;
}

}  // namespace paiscribe::test_support
