#include "paiscribe/pipeline/game_facts.hpp"

#include <algorithm>

#include "paiscribe/json/tenhou_texts.hpp"
#include "paiscribe/record/notation.hpp"

namespace paiscribe {
namespace {

// The bits of a game's type: its length, its room (0x80 and 0x20, both
// for the phoenix room), and the rules that differ from the ranked tables'.
constexpr std::uint32_t kHanchanBit = 0x08;
constexpr std::uint32_t kNoRedFivesBit = 0x02;
constexpr std::uint32_t kNoOpenTanyaoBit = 0x04;
// Bits past the first byte are a lobby's own rules (chips and the like).
constexpr std::uint32_t kLobbyRuleBits = ~std::uint32_t{0xFF};

constexpr std::int32_t kStartingPoints = 25'000;

// A JSON log names its room by a mark in its rule's name: 般 上 特 鳳.
constexpr std::array<std::string_view, 4> kRoomMarks = {"\xE8\x88\xAC", "\xE4\xB8\x8A", "\xE7\x89\xB9",
                                                        "\xE9\xB3\xB3"};
constexpr std::string_view kOpenTanyaoMark = "\xE5\x96\xB0";  // 喰
constexpr std::string_view kRedFivesMark = "\xE8\xB5\xA4";    // 赤

}  // namespace

std::optional<Room> GameFacts::room() const {
  if (game_type) return static_cast<Room>(((*game_type & 0x20) >> 4) | ((*game_type & 0x80) >> 7));
  for (std::size_t room = 0; room < kRoomMarks.size(); ++room)
    if (rule.contains(kRoomMarks[room])) return static_cast<Room>(room);
  return std::nullopt;
}

std::optional<bool> GameFacts::hanchan() const {
  if (game_type) return (*game_type & kHanchanBit) != 0;
  if (rule.contains(notation::kEastSouth)) return true;
  if (rule.contains(notation::kEastOnly)) return false;
  return std::nullopt;
}

std::optional<std::array<std::string_view, 4>> GameFacts::grades() const {
  if (!dan) return std::nullopt;
  std::array<std::string_view, 4> names;
  std::ranges::transform(*dan, names.begin(), dan_name);
  return names;
}

bool GameFacts::standard_rules() const {
  const bool rules = game_type ? (*game_type & (kLobbyRuleBits | kNoRedFivesBit | kNoOpenTanyaoBit)) == 0
                               : rule.contains(kOpenTanyaoMark) && rule.contains(kRedFivesMark);
  return rules && standard_start;
}

GameFacts facts_of(const RawLog& log, const GameDetails* details) {
  GameFacts facts;
  facts.rule = log.rule.disp;
  facts.names = log.name;
  facts.kyokus = log.kyokus.size();
  if (!log.kyokus.empty()) {
    const RawKyoku& first = log.kyokus.front();
    facts.standard_start = first.header.kyoku_index == 0 && first.header.honba == 0 && first.header.kyotaku == 0 &&
                           std::ranges::all_of(first.scores, [](std::int32_t score) { return score == kStartingPoints; });
  }
  if (details) {
    facts.game_type = details->game_type;
    facts.lobby = details->lobby;
    facts.dan = details->dan;
    facts.rate = details->rate;
    facts.final_scores = details->final_scores;
    facts.disconnections = details->disconnections;
  }
  return facts;
}

std::string_view left_out_by(const GameFacts& facts, const GameFilter& filter) {
  if (filter.room && facts.room() != filter.room) return "room";
  if (filter.hanchan && facts.hanchan() != filter.hanchan) return "length";
  if (filter.standard_rules && !facts.standard_rules()) return "rules";
  if (filter.without_disconnections && facts.disconnections > 0) return "disconnected";
  return {};
}

}  // namespace paiscribe
