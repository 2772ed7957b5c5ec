#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <variant>
#include <utility>
#include <vector>

#include "paiscribe/base/seat.hpp"
#include "paiscribe/base/tile.hpp"

namespace paiscribe {

// The four players' names, seat 0 first. They live on the heap: a game has
// one start_game among a thousand events, and four strings held inline would
// make every event of the sequence twice its size.
class Names {
 public:
  using Array = std::array<std::string, 4>;

  Names(std::string seat0, std::string seat1, std::string seat2, std::string seat3)
      : Names(Array{std::move(seat0), std::move(seat1), std::move(seat2), std::move(seat3)}) {}
  explicit Names(Array names) : names_(std::make_unique<Array>(std::move(names))) {}
  Names(const Names& other) : Names(other.array()) {}
  Names(Names&&) noexcept = default;
  Names& operator=(const Names& other) { return *this = Names(other); }
  Names& operator=(Names&&) noexcept = default;

  // Names that were moved away read as four empty names.
  const Array& array() const { return names_ ? *names_ : kMovedAway; }
  const std::string& operator[](std::size_t seat) const { return array()[seat]; }
  static constexpr std::size_t size() { return 4; }
  friend bool operator==(const Names& a, const Names& b) { return a.array() == b.array(); }

 private:
  static inline const Array kMovedAway{};
  std::unique_ptr<Array> names_;
};

// One struct per mjai event kind; members in wire order.
namespace ev {

struct None {
  friend bool operator==(const None&, const None&) = default;
};
struct StartGame {
  Names names;
  std::uint8_t kyoku_first = 0;
  bool aka_flag = false;
  friend bool operator==(const StartGame&, const StartGame&) = default;
};
struct StartKyoku {
  Tile bakaze;
  Tile dora_marker;
  std::uint8_t kyoku = 0;
  std::uint8_t honba = 0;
  std::uint8_t kyotaku = 0;
  Seat oya = 0;
  std::array<std::int32_t, 4> scores{};
  std::array<std::array<Tile, 13>, 4> tehais;
  friend bool operator==(const StartKyoku&, const StartKyoku&) = default;
};
struct Tsumo {
  Seat actor;
  Tile pai;
  friend bool operator==(const Tsumo&, const Tsumo&) = default;
};
struct Dahai {
  Seat actor;
  Tile pai;
  bool tsumogiri;
  friend bool operator==(const Dahai&, const Dahai&) = default;
};
struct Chi {
  Seat actor;
  Seat target;
  Tile pai;
  std::array<Tile, 2> consumed;
  friend bool operator==(const Chi&, const Chi&) = default;
};
struct Pon {
  Seat actor;
  Seat target;
  Tile pai;
  std::array<Tile, 2> consumed;
  friend bool operator==(const Pon&, const Pon&) = default;
};
struct Daiminkan {
  Seat actor;
  Seat target;
  Tile pai;
  std::array<Tile, 3> consumed;
  friend bool operator==(const Daiminkan&, const Daiminkan&) = default;
};
struct Kakan {
  Seat actor;
  Tile pai;
  std::array<Tile, 3> consumed;
  friend bool operator==(const Kakan&, const Kakan&) = default;
};
struct Ankan {
  Seat actor;
  std::array<Tile, 4> consumed;
  friend bool operator==(const Ankan&, const Ankan&) = default;
};
struct Dora {
  Tile dora_marker;
  friend bool operator==(const Dora&, const Dora&) = default;
};
struct Reach {
  Seat actor;
  friend bool operator==(const Reach&, const Reach&) = default;
};
struct ReachAccepted {
  Seat actor;
  friend bool operator==(const ReachAccepted&, const ReachAccepted&) = default;
};
struct Hora {
  Seat actor;
  Seat target;
  std::optional<Deltas> deltas;
  std::optional<std::vector<Tile>> ura_markers;
  friend bool operator==(const Hora&, const Hora&) = default;
};
struct Ryukyoku {
  std::optional<Deltas> deltas;
  friend bool operator==(const Ryukyoku&, const Ryukyoku&) = default;
};
struct EndKyoku {
  friend bool operator==(const EndKyoku&, const EndKyoku&) = default;
};
struct EndGame {
  friend bool operator==(const EndGame&, const EndGame&) = default;
};

}  // namespace ev

using Event = std::variant<ev::None, ev::StartGame, ev::StartKyoku, ev::Tsumo, ev::Dahai, ev::Chi, ev::Pon,
                           ev::Daiminkan, ev::Kakan, ev::Ankan, ev::Dora, ev::Reach, ev::ReachAccepted, ev::Hora,
                           ev::Ryukyoku, ev::EndKyoku, ev::EndGame>;

// Event's alternatives by name, in its order: what a switch over a line's
// type says, and the order of the tables of types.
enum class EventType : std::uint8_t {
  None, StartGame, StartKyoku, Tsumo, Dahai, Chi, Pon, Daiminkan, Kakan, Ankan, Dora, Reach, ReachAccepted, Hora,
  Ryukyoku, EndKyoku, EndGame,
};

namespace event_detail {
template <typename Alternative, typename... Alternatives>
consteval std::size_t index_in(const std::variant<Alternatives...>*) {
  constexpr std::array<bool, sizeof...(Alternatives)> matches = {std::is_same_v<Alternative, Alternatives>...};
  std::size_t index = 0;
  while (index < matches.size() && !matches[index]) ++index;
  return index;
}
}  // namespace event_detail

// The type of an alternative, from its place in Event.
template <typename Alternative>
inline constexpr auto kEventTypeOf =
    static_cast<EventType>(event_detail::index_in<Alternative>(static_cast<const Event*>(nullptr)));

// Fails to build when Event's alternatives change order or number.
static_assert(std::variant_size_v<Event> == static_cast<std::size_t>(EventType::EndGame) + 1 &&
              kEventTypeOf<ev::None> == EventType::None && kEventTypeOf<ev::StartGame> == EventType::StartGame &&
              kEventTypeOf<ev::StartKyoku> == EventType::StartKyoku && kEventTypeOf<ev::Tsumo> == EventType::Tsumo &&
              kEventTypeOf<ev::Dahai> == EventType::Dahai && kEventTypeOf<ev::Chi> == EventType::Chi &&
              kEventTypeOf<ev::Pon> == EventType::Pon && kEventTypeOf<ev::Daiminkan> == EventType::Daiminkan &&
              kEventTypeOf<ev::Kakan> == EventType::Kakan && kEventTypeOf<ev::Ankan> == EventType::Ankan &&
              kEventTypeOf<ev::Dora> == EventType::Dora && kEventTypeOf<ev::Reach> == EventType::Reach &&
              kEventTypeOf<ev::ReachAccepted> == EventType::ReachAccepted &&
              kEventTypeOf<ev::Hora> == EventType::Hora && kEventTypeOf<ev::Ryukyoku> == EventType::Ryukyoku &&
              kEventTypeOf<ev::EndKyoku> == EventType::EndKyoku && kEventTypeOf<ev::EndGame> == EventType::EndGame);

}  // namespace paiscribe
