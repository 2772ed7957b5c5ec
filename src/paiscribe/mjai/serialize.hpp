#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "paiscribe/mjai/event.hpp"

namespace paiscribe {

struct SerializeError {
  std::string description;
};

// The members of start_game and hora, for writing their lines from the
// record without making an event that owns copies of them.
struct StartGameParts {
  std::span<const std::string, 4> names;
  std::uint8_t kyoku_first;
  bool aka_flag;
};
struct HoraParts {
  Seat actor;
  Seat target;
  std::optional<Deltas> deltas;
  std::optional<std::span<const Tile>> ura_markers;
};

// Why an event has no line.
inline constexpr std::string_view kNoLineText = "a name is not valid UTF-8 or a tile has no name";

// A line is sized, then written: line_bound gives the most bytes the event's
// line can take (nothing when a value has no text form: a name that is not
// UTF-8, a tile without a name), and write_line writes it into `room` bytes
// (at least the bound) and returns one past its last byte, or nothing when a
// tile has no name.
std::optional<std::size_t> line_bound(const Event& event);
char* write_line(const Event& event, char* out, std::size_t room);
std::optional<std::size_t> line_bound(const StartGameParts& start);
char* write_line(const StartGameParts& start, char* out, std::size_t room);
std::optional<std::size_t> line_bound(const HoraParts& hora);
char* write_line(const HoraParts& hora, char* out, std::size_t room);

// Above the bound of every kind's line but start_game's and hora's
// (start_kyoku's is the longest, at 502 bytes), as the tests check.
inline constexpr std::size_t kFixedLineRoom = 512;

// Room enough for the event's line without sizing it: kFixedLineRoom for
// every event but start_game and hora, whose lines grow with their names and
// ura markers and are sized: nothing when a value has no text form.
inline std::optional<std::size_t> line_room(const Event& event) {
  if (std::holds_alternative<ev::StartGame>(event) || std::holds_alternative<ev::Hora>(event)) [[unlikely]]
    return line_bound(event);
  return kFixedLineRoom;
}

}  // namespace paiscribe
