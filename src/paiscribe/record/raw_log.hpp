#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "paiscribe/base/large_buffer_allocator.hpp"
#include "paiscribe/base/tile.hpp"
#include "paiscribe/record/action_items.hpp"

namespace paiscribe {

struct Rule {
  std::string disp;
  std::uint8_t aka = 0;
  std::uint8_t aka51 = 0;
  std::uint8_t aka52 = 0;
  std::uint8_t aka53 = 0;
};

struct KyokuHeader {
  std::uint8_t kyoku_index = 0;  // 0 is East 1, 4 is South 1
  std::uint8_t honba = 0;
  std::uint8_t kyotaku = 0;
};

// One entry of a kyoku's result list.
struct ResultItem {
  struct Text {
    std::string value;
  };
  struct Deltas {
    std::array<std::int32_t, 4> values;
  };
  // What a value of a details list is, as far as anything reads it.
  struct Detail {
    enum class Kind : std::uint8_t { kNonNegative, kOtherNumber, kNoNumber };
    Kind kind = Kind::kNoNumber;
    std::uint64_t non_negative = 0;  // of a kNonNegative integer

    friend bool operator==(const Detail&, const Detail&) = default;
  };
  // Any other list, such as a win's details: winner, loser and liable seat,
  // then points and yaku. Only its length and first two values are kept.
  struct Details {
    std::size_t count = 0;
    std::array<Detail, 2> first{};

    void add(Detail detail) {
      if (count < first.size()) first[count] = detail;
      ++count;
    }
  };

  std::variant<Text, Deltas, Details> value;
};

using Haipai = std::array<Tile, 13>;

struct RawSeat {
  Haipai haipai{Tile::hidden(), Tile::hidden(), Tile::hidden(), Tile::hidden(), Tile::hidden(),
                Tile::hidden(), Tile::hidden(), Tile::hidden(), Tile::hidden(), Tile::hidden(),
                Tile::hidden(), Tile::hidden(), Tile::hidden()};
  ActionItems take_items;
  ActionItems discard_items;
};

// The log writes a kyoku as 17 positional elements; the seats' three lists
// (haipai, takes, discards) come in seat order.
struct RawKyoku {
  KyokuHeader header;
  std::array<std::int32_t, 4> scores{};
  std::vector<Tile> dora_indicators;
  std::vector<Tile> ura_indicators;
  std::array<RawSeat, 4> seats;
  std::vector<ResultItem> result;

  // Back to a new kyoku, keeping the room of its lists for the next record.
  void clear() {
    header = {};
    scores = {};
    dora_indicators.clear();
    ura_indicators.clear();
    for (RawSeat& seat : seats) {
      seat.haipai.fill(Tile::hidden());
      seat.take_items.clear();
      seat.discard_items.clear();
    }
    result.clear();
  }

  // The bytes its lists hold, in use or not.
  std::size_t reserved_bytes() const {
    std::size_t bytes = (dora_indicators.capacity() + ura_indicators.capacity()) * sizeof(Tile) +
                        result.capacity() * sizeof(ResultItem);
    for (const RawSeat& seat : seats) bytes += seat.take_items.reserved_bytes() + seat.discard_items.reserved_bytes();
    return bytes;
  }
};

struct RawLog {
  // A long game's kyokus take megabytes, given back to the system as the list
  // grows and when it is dropped.
  using Kyokus = std::vector<RawKyoku, LargeBufferAllocator<RawKyoku>>;
  Kyokus kyokus;
  std::array<std::string, 4> name;
  Rule rule;
  // The lobby the game was played in, when the record names it: 0 is
  // Tenhou's ranked games, any other one of its own rules.
  std::optional<std::int32_t> lobby;

  // Gives back the kyokus' room when it is far past a typical game's, so
  // that one long log does not stay in memory for the next.
  void keep_typical() {
    constexpr std::size_t kKeptBytes = std::size_t{1} << 20;
    constexpr std::size_t kKeptKyokus = 64;  // a long game has some twenty
    std::size_t bytes = kyokus.capacity() * sizeof(RawKyoku);
    for (const RawKyoku& kyoku : kyokus) bytes += kyoku.reserved_bytes();
    if (kyokus.size() > kKeptKyokus || bytes > kKeptBytes) kyokus = Kyokus();
  }
};

}  // namespace paiscribe
