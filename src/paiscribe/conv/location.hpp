#pragma once

#include <cstddef>
#include <cstdint>

#include "paiscribe/mjai/event.hpp"
#include "paiscribe/record/raw_log.hpp"

namespace paiscribe {

// Where in a log a failure was found, so that a person can look it up there.

// A kyoku as its header numbers it: kyoku_index 0-3 are East 1-4, 4-7 South.
struct KyokuAt {
  std::uint8_t kyoku_index = 0;
  std::uint8_t honba = 0;

  // The round's wind, 0 East to 3 North (indices past North's stay North),
  // and the kyoku's number in its round, 1 to 4.
  constexpr std::uint8_t wind() const { return kyoku_index < 12 ? kyoku_index / 4 : 3; }
  constexpr std::uint8_t number() const { return kyoku_index % 4 + 1; }

  friend bool operator==(KyokuAt, KyokuAt) = default;
};

constexpr KyokuAt kyoku_at(const KyokuHeader& header) { return {header.kyoku_index, header.honba}; }

// One seat's lists in one kyoku.
struct SeatAt {
  KyokuAt kyoku;
  Seat seat = 0;
  friend bool operator==(SeatAt, SeatAt) = default;
};

enum class ActionList : std::uint8_t { Takes, Discards };

// One item of a seat's take or discard list, counted from 0 as the log lists it.
struct ItemAt {
  SeatAt seat;
  ActionList list = ActionList::Takes;
  std::size_t index = 0;
  friend bool operator==(ItemAt, ItemAt) = default;
};

}  // namespace paiscribe
