#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <variant>

#include "paiscribe/mjai/event.hpp"

namespace paiscribe {

// Why a line is no event: the line is no JSON object, or a key is unknown,
// missing, repeated or of the wrong kind for its event type.
struct ReadError {
  std::string description;
  friend bool operator==(const ReadError&, const ReadError&) = default;
};

// A draw or discard line in the exact form the writer prints, read by
// position; kind None for any other line. It is packed in one number, so
// that it comes back in a register and is never pieced together byte by
// byte in memory.
class DrawOrDiscard {
 public:
  enum Kind : std::uint8_t { None, Tsumo, Dahai, Tsumogiri };

  constexpr DrawOrDiscard() = default;
  constexpr DrawOrDiscard(Kind kind, Seat actor, Tile tile)
      : code_(static_cast<std::uint32_t>(kind | actor << 8 | tile.index() << 16)) {}

  constexpr Kind kind() const { return static_cast<Kind>(code_ & 0xFF); }
  constexpr Seat actor() const { return static_cast<Seat>(code_ >> 8 & 0xFF); }
  constexpr Tile tile() const { return Tile(static_cast<std::uint8_t>(code_ >> 16)); }

 private:
  std::uint32_t code_ = 0;
};
DrawOrDiscard read_draw_or_discard(std::string_view line);

// Reads mjai lines back into events, in the forms the line writer writes:
// every key an event's type has in those lines, of the same kind, in any
// order. One reader reads line after line in the same room.
class EventReader {
 public:
  std::expected<Event, ReadError> read(std::string_view line);

  // The same, but hands the event to `visit` as its own type: a draw or a
  // discard, most of a game, is never made into an Event at all.
  template <class Visit>
  std::expected<void, ReadError> read_with(std::string_view line, Visit&& visit) {
    switch (const DrawOrDiscard common = read_draw_or_discard(line); common.kind()) {
      case DrawOrDiscard::Tsumo: visit(ev::Tsumo{common.actor(), common.tile()}); return {};
      case DrawOrDiscard::Dahai: visit(ev::Dahai{common.actor(), common.tile(), false}); return {};
      case DrawOrDiscard::Tsumogiri: visit(ev::Dahai{common.actor(), common.tile(), true}); return {};
      case DrawOrDiscard::None: break;
    }
    auto event = read_other(line);
    if (!event) return std::unexpected(std::move(event.error()));
    std::visit(visit, *event);
    return {};
  }

 private:
  // Any line but a draw or discard in the writer's form.
  std::expected<Event, ReadError> read_other(std::string_view line);

  std::string scratch_;  // the line, parsed where it lies
};

// One line on its own.
std::expected<Event, ReadError> read_event(std::string_view line);

}  // namespace paiscribe
