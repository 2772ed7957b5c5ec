// Whole games through the checker: every real game checks clean, and one
// edit of a real game, for each kind of check, is found at its line.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "line_of.hpp"
#include "paiscribe/mjai/tile_lookup.hpp"
#include "paiscribe/mjai/read_event.hpp"
#include "paiscribe/pipeline/check_lines.hpp"
#include "paiscribe/mjai/tile_names.hpp"
#include "paiscribe/rules/game_checker.hpp"
#include "paiscribe/rules/wording.hpp"
#include "paiscribe/scoring/hand_shape.hpp"
#include "rules_test_support.hpp"

namespace paiscribe::rules {
namespace {

using namespace scoring;

using Lines = std::vector<std::string>;

std::vector<Finding> check(const Lines& lines) { return check_game(rules_test::views_of(lines)); }

std::string all_of(const std::vector<Finding>& findings) {
  std::string text;
  for (const Finding& finding : findings) text += format_finding(finding) + "\n";
  return text;
}

TEST(RealGames, CheckWithNoFinding) {
  for (const auto& path : rules_test::real_games()) {
    SCOPED_TRACE(path.string());
    const Lines lines = rules_test::mjai_lines_of(path);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(all_of(check(lines)), "");
  }
}

// A text of games one after another, as -o writes several logs' lines: each
// game is checked on its own, and a finding names its line in the whole text.
TEST(RealGames, GamesOneAfterAnotherInOneText) {
  const Lines first = rules_test::mjai_lines_of(rules_test::kData / "real" / "real_060.json");
  const Lines second = rules_test::mjai_lines_of(rules_test::kData / "real" / "real_088.json");
  ASSERT_FALSE(first.empty() || second.empty());
  std::string text;
  for (const Lines* game : {&first, &second, &first})
    for (const std::string& line : *game) text += line + "\r\n";
  EXPECT_EQ(all_of(check_lines(text).kept), "");
  // The second game loses its last line: the third then starts inside it.
  const std::size_t second_end = first.size() + second.size();
  std::string cut;
  std::size_t number = 0;
  for (const Lines* game : {&first, &second, &first})
    for (const std::string& line : *game)
      if (++number != second_end) cut += line + "\n";
  const auto findings = check_lines(cut).kept;
  ASSERT_FALSE(findings.empty());
  EXPECT_EQ(findings.front().line, second_end) << all_of(findings);
  EXPECT_EQ(all_of(check_lines("").kept), "line 1: the game has no lines\n");
}

// Dropping any one line of a game leaves a game the checker faults, but for
// a riichi whose discard is won on: such a riichi leaves no trace at all.
TEST(RealGames, EveryDroppedLineIsFound) {
  const Lines lines = rules_test::mjai_lines_of(rules_test::kData / "real" / "real_063.json");
  ASSERT_FALSE(lines.empty());
  for (std::size_t drop = 0; drop < lines.size(); ++drop) {
    const bool void_riichi = lines[drop].find("\"reach\"") != std::string::npos && drop + 2 < lines.size() &&
                             lines[drop + 2].find("\"hora\"") != std::string::npos;
    if (void_riichi) continue;
    Lines edited = lines;
    edited.erase(edited.begin() + static_cast<std::ptrdiff_t>(drop));
    const auto findings = check(edited);
    ASSERT_FALSE(findings.empty()) << "line " << drop + 1 << ": " << lines[drop];
    EXPECT_LE(findings.front().line, drop + 2) << lines[drop] << "\n" << all_of(findings);
  }
}

Event event_at(const Lines& lines, std::size_t index) { return read_event(lines[index]).value(); }

template <typename Kind>
const Kind* as(const Event& event) {
  return std::get_if<Kind>(&event);
}

// The index of the first line at or after `from` that holds every part.
std::optional<std::size_t> find_line(const Lines& lines, std::initializer_list<std::string_view> parts,
                                std::size_t from = 0) {
  for (std::size_t index = from; index < lines.size(); ++index) {
    if (std::ranges::all_of(parts, [&](auto part) { return lines[index].find(part) != std::string::npos; }))
      return index;
  }
  return std::nullopt;
}

void replace(std::string& line, std::string_view from, std::string_view to) {
  const auto at = line.find(from);
  ASSERT_NE(at, std::string::npos) << line;
  line.replace(at, from.size(), to);
}

std::string name(Tile tile) { return std::string(mjai_name(tile)); }
std::string quoted(Tile tile) { return "\"" + name(tile) + "\""; }

// Rewrites a line through its event.
template <typename Kind, typename Change>
void rewrite(std::string& line, Change&& change) {
  Event event = read_event(line).value();
  change(std::get<Kind>(event));
  line = test_support::line_of(event).value();
}

// What each seat holds, and which tiles are in sight, before line `end`.
struct Table {
  std::array<std::array<int, Tile::kCount>, 4> hands{};
  std::array<int, kKinds> seen{};
  std::optional<Tile> drawn;  // by the last line, if it was a draw
};

Table table_before(const Lines& lines, std::size_t end) {
  Table table;
  const auto take = [&](Seat seat, std::span<const Tile> tiles) {
    for (const Tile tile : tiles) --table.hands[seat][tile.index()];
  };
  for (std::size_t index = 0; index < end; ++index) {
    const Event event = event_at(lines, index);
    table.drawn.reset();
    if (const auto* e = as<ev::StartKyoku>(event)) {
      table = {};
      ++table.seen[kind_of(e->dora_marker)];
      for (Seat seat = 0; seat < 4; ++seat) {
        for (const Tile tile : e->tehais[seat]) ++table.hands[seat][tile.index()], ++table.seen[kind_of(tile)];
      }
    } else if (const auto* e = as<ev::Tsumo>(event)) {
      ++table.hands[e->actor][e->pai.index()];
      ++table.seen[kind_of(e->pai)];
      table.drawn = e->pai;
    } else if (const auto* e = as<ev::Dahai>(event)) {
      --table.hands[e->actor][e->pai.index()];
    } else if (const auto* e = as<ev::Chi>(event)) {
      take(e->actor, e->consumed);
    } else if (const auto* e = as<ev::Pon>(event)) {
      take(e->actor, e->consumed);
    } else if (const auto* e = as<ev::Ankan>(event)) {
      take(e->actor, e->consumed);
    } else if (const auto* e = as<ev::Dora>(event)) {
      ++table.seen[kind_of(e->dora_marker)];
    }
  }
  return table;
}

KindCounts kinds_of(const std::array<int, Tile::kCount>& tiles) {
  KindCounts kinds{};
  for (std::uint8_t index = 0; index < 37; ++index)
    kinds[kind_of(Tile(index))] = static_cast<std::uint8_t>(kinds[kind_of(Tile(index))] + tiles[index]);
  return kinds;
}

// Each edit finds a place for itself in a game and returns the index of
// the line where the checker must find it; nothing when the game has no
// such place.
using Edit = std::function<std::optional<std::size_t>(Lines&)>;

std::optional<std::size_t> discard_not_held(Lines& lines) {
  const auto at = find_line(lines, {"\"type\":\"dahai\"", "\"tsumogiri\":false"}, 40);
  if (!at) return std::nullopt;
  const Event dahai_event = event_at(lines, *at);
  const auto* dahai = as<ev::Dahai>(dahai_event);
  const auto hand = table_before(lines, *at).hands[dahai->actor];
  const auto missing = std::ranges::find(hand.begin(), hand.begin() + 34, 0) - hand.begin();
  replace(lines[*at], quoted(dahai->pai), quoted(Tile(static_cast<std::uint8_t>(missing))));
  return at;
}

// A tsumogiri flag flipped: on a drawn tile the hand held no other copy
// of, or on a discard from the hand just after a draw.
std::optional<std::size_t> flip_tsumogiri(Lines& lines, bool from) {
  for (std::size_t at = 1; at < lines.size(); ++at) {
    const Event dahai_event = event_at(lines, at);
    const auto* dahai = as<ev::Dahai>(dahai_event);
    if (dahai == nullptr || dahai->tsumogiri != from) continue;
    const Table table = table_before(lines, at);
    if (!table.drawn) continue;
    if (from && table.hands[dahai->actor][dahai->pai.index()] != 1) continue;
    if (!from && *table.drawn == dahai->pai) continue;
    rewrite<ev::Dahai>(lines[at], [](ev::Dahai& e) { e.tsumogiri = !e.tsumogiri; });
    return at;
  }
  return std::nullopt;
}

// A start_kyoku whose first hand holds `copies` of `tile` in place of its first tiles.
std::optional<std::size_t> too_many(Lines& lines, Tile tile, int copies) {
  rewrite<ev::StartKyoku>(lines[1], [&](ev::StartKyoku& e) { std::fill_n(e.tehais[0].begin(), copies, tile); });
  return 1;
}

std::optional<std::size_t> chi_from_afar(Lines& lines) {
  const auto at = find_line(lines, {"\"type\":\"chi\""});
  if (!at) return std::nullopt;
  rewrite<ev::Chi>(lines[*at], [](ev::Chi& e) { e.actor = static_cast<Seat>((e.target + 2) % 4); });
  return at;
}

// A call followed by the caller discarding what the call forbids, a tile it
// holds: the called kind, or the other end of a chi's sequence.
std::optional<std::size_t> kuikae(Lines& lines) {
  for (std::size_t call = 0; call + 1 < lines.size(); ++call) {
    const Event event = event_at(lines, call);
    const auto* chi = as<ev::Chi>(event);
    const auto* pon = as<ev::Pon>(event);
    if (chi == nullptr && pon == nullptr) continue;
    const Seat actor = chi ? chi->actor : pon->actor;
    const Kind called = kind_of(chi ? chi->pai : pon->pai);
    std::vector<Kind> forbidden{called};
    if (chi) {
      const Kind low = std::min(kind_of(chi->consumed[0]), kind_of(chi->consumed[1]));
      const Kind high = std::max(kind_of(chi->consumed[0]), kind_of(chi->consumed[1]));
      if (called < low && number_of(high) < 9) forbidden.push_back(static_cast<Kind>(high + 1));
      if (called > high && number_of(low) > 1) forbidden.push_back(static_cast<Kind>(low - 1));
    }
    const auto hand = table_before(lines, call + 1).hands[actor];
    for (std::uint8_t index = 0; index < 37; ++index) {
      if (hand[index] == 0 || std::ranges::find(forbidden, kind_of(Tile(index))) == forbidden.end()) continue;
      rewrite<ev::Dahai>(lines[call + 1], [&](ev::Dahai& e) { e.pai = Tile(index); });
      return call + 1;
    }
  }
  return std::nullopt;
}

std::optional<std::size_t> erase_first(Lines& lines, std::string_view part) {
  const auto at = find_line(lines, {part});
  if (!at) return std::nullopt;
  lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(*at));
  return at;
}

// A seat with a called meld declares riichi after its next draw.
std::optional<std::size_t> open_riichi(Lines& lines) {
  for (std::size_t call = 0; call < lines.size(); ++call) {
    const Event pon_event = event_at(lines, call);
    const auto* pon = as<ev::Pon>(pon_event);
    if (pon == nullptr) continue;
    const std::string draw = R"({"type":"tsumo","actor":)" + std::to_string(pon->actor) + ",";
    const auto at = find_line(lines, {draw}, call);
    if (!at || find_line(lines, {"end_kyoku"}, call) < at) continue;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*at) + 1,
                 R"({"type":"reach","actor":)" + std::to_string(pon->actor) + "}");
    return *at + 1;
  }
  return std::nullopt;
}

// A kan dora shown before the replacement draw that it must follow.
std::optional<std::size_t> early_kan_dora(Lines& lines) {
  const auto kan = find_line(lines, {"\"type\":\"kakan\""});
  if (!kan || lines[*kan + 2].find("\"dora\"") == std::string::npos) return std::nullopt;
  std::swap(lines[*kan + 1], lines[*kan + 2]);
  return *kan + 1;
}

// A win on another's discard made furiten: the winner's last tsumogiri
// before it becomes one of its waits, drawn and let go.
std::optional<std::size_t> furiten(Lines& lines) {
  for (std::size_t hora = 0; hora < lines.size(); ++hora) {
    const Event win_event = event_at(lines, hora);
    const auto* win = as<ev::Hora>(win_event);
    if (win == nullptr || win->actor == win->target) continue;
    const Table table = table_before(lines, hora);
    const KindCounts hand = kinds_of(table.hands[win->actor]);
    const KindMask waits = waits_of(hand, hand);
    for (std::size_t at = hora - 1; at > 0 && !as<ev::StartKyoku>(event_at(lines, at)); --at) {
      const Event dahai_event = event_at(lines, at);
      const auto* dahai = as<ev::Dahai>(dahai_event);
      if (dahai == nullptr || dahai->actor != win->actor || !dahai->tsumogiri) continue;
      for (Kind wait = 0; wait < 27; ++wait) {
        if (!has(waits, wait) || table.seen[wait] >= 3 || is_five(wait)) continue;
        const Tile tile(wait);
        rewrite<ev::Dahai>(lines[at], [&](ev::Dahai& e) { e.pai = tile; });
        rewrite<ev::Tsumo>(lines[at - 1], [&](ev::Tsumo& e) { e.pai = tile; });
        return hora;
      }
      break;
    }
  }
  return std::nullopt;
}

std::optional<std::size_t> ura_dropped(Lines& lines) {
  const auto at = find_line(lines, {"\"type\":\"hora\"", "ura_markers\":[\""});
  if (!at) return std::nullopt;
  rewrite<ev::Hora>(lines[*at], [](ev::Hora& e) { e.ura_markers->clear(); });
  return at;
}

std::optional<std::size_t> double_ron_swapped(Lines& lines) {
  for (std::size_t at = 0; at + 1 < lines.size(); ++at) {
    if (lines[at].find("\"hora\"") == std::string::npos || lines[at + 1].find("\"hora\"") == std::string::npos)
      continue;
    std::swap(lines[at], lines[at + 1]);
    return at + 1;
  }
  return std::nullopt;
}

// Changes the first event of a kind.
template <typename Kind, typename Change>
std::optional<std::size_t> rewrite_first(Lines& lines, Change&& change) {
  for (std::size_t at = 0; at < lines.size(); ++at) {
    if (!as<Kind>(event_at(lines, at))) continue;
    rewrite<Kind>(lines[at], change);
    return at;
  }
  return std::nullopt;
}

// Replaces `from` with `to` in the first line holding `part`.
Edit replacing(std::string_view part, std::string_view from, std::string_view to) {
  return [=](Lines& lines) -> std::optional<std::size_t> {
    const auto at = find_line(lines, {part});
    if (!at) return std::nullopt;
    replace(lines[*at], from, to);
    return at;
  };
}

Edit inserting(std::size_t at, std::string_view line) {
  return [=](Lines& lines) -> std::optional<std::size_t> {
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), std::string(line));
    return at;
  };
}

// The hora lines' deltas set to what the rules pay, so that an edit that
// changes what a win is worth leaves only the fault it makes.
void pay_as_the_rules_do(Lines& lines) {
  GameChecker checker;
  for (const std::string& line : lines) checker.feed(line);
  for (const ScoredWin& win : checker.wins())
    rewrite<ev::Hora>(lines[win.line - 1], [&](ev::Hora& e) { e.deltas = win.deltas; });
}

// Tiles by mjai name: "E E E 2m 3m".
std::vector<Tile> tiles_of(std::string_view names) {
  std::vector<Tile> tiles;
  for (std::size_t at = 0; at < names.size();) {
    const std::size_t end = std::min(names.find(' ', at), names.size());
    tiles.push_back(tile_named(names.substr(at, end - at)).value());
    at = end + 1;
  }
  return tiles;
}

// The game's last kyoku dealt anew: its start_kyoku keeps the table (scores,
// sticks, dealer) but deals `hands`, the dealer's first, and shows `dora`;
// the lines `play` makes for the dealer replace the rest, and the hora lines
// are paid as the rules pay. Returns the index of the start_kyoku.
std::size_t deal_last_kyoku(Lines& lines, const std::array<std::string_view, 4>& hands, std::string_view dora,
                            const std::function<std::vector<Event>(Seat dealer)>& play) {
  std::size_t start = lines.size();
  while (!as<ev::StartKyoku>(event_at(lines, --start))) {}
  const Seat dealer = std::get<ev::StartKyoku>(event_at(lines, start)).oya;
  rewrite<ev::StartKyoku>(lines[start], [&](ev::StartKyoku& e) {
    e.dora_marker = tiles_of(dora).front();
    for (std::size_t at = 0; at < 4; ++at) {
      const auto tiles = tiles_of(hands[at]);
      ASSERT_EQ(tiles.size(), 13u) << hands[at];
      std::ranges::copy(tiles, e.tehais[(dealer + at) % 4].begin());
    }
  });
  lines.resize(start + 1);
  for (const Event& event : play(dealer)) lines.push_back(test_support::line_of(event).value());
  lines.push_back(R"({"type":"end_kyoku"})");
  lines.push_back(R"({"type":"end_game"})");
  pay_as_the_rules_do(lines);
  return start;
}

// The dealer draws its fourth 4m, or its fourth East, and makes a closed kan
// of it, which the next seat wins on: with a plain hand, or with kokushi.
std::optional<std::size_t> ron_on_closed_kan(Lines& lines, bool kokushi) {
  static constexpr std::array<std::string_view, 4> kPlain = {
      "4m 4m 4m 2p 3p 4p 6p 7p 8p 2s 3s 4s 6s", "2m 3m 6m 7m 8m 2p 3p 4p 6p 7p 8p 8s 8s",
      "1m 1m 1m 9m 9m 9m 1p 1p 1p 9p 9p 9p E", "1s 1s 1s 9s 9s 9s S S S W W W N"};
  static constexpr std::array<std::string_view, 4> kOrphans = {
      "E E E 2p 3p 4p 6p 7p 8p 2s 3s 4s 6s", "1m 1m 9m 1p 9p 1s 9s S W N P F C",
      "2m 3m 4m 6m 7m 8m 2m 3m 4m 6m 7m 8m 7s", "6p 7p 8p 2s 3s 4s 6s 7s 8s 2p 3p 4p 8s"};
  const Tile kan = tiles_of(kokushi ? "E" : "4m").front();
  const std::size_t start = deal_last_kyoku(lines, kokushi ? kOrphans : kPlain, "7m", [&](Seat dealer) {
    const auto next = static_cast<Seat>((dealer + 1) % 4);
    return std::vector<Event>{ev::Tsumo{dealer, kan}, ev::Ankan{dealer, {kan, kan, kan, kan}},
                              ev::Dora{tiles_of("7p").front()}, ev::Hora{next, dealer, Deltas{}, std::vector<Tile>{}}};
  });
  return start + 4;
}

// The index of the first line of kind `Kind` at or after `from` whose event `test` accepts.
template <typename Kind, typename Test>
std::optional<std::size_t> first_of(const Lines& lines, std::size_t from, Test&& test) {
  for (std::size_t at = from; at < lines.size(); ++at) {
    const Event event = event_at(lines, at);
    if (const auto* e = as<Kind>(event); e && test(*e)) return at;
  }
  return std::nullopt;
}

// Whether `seat` called (chi, pon, open or added kan) or declared riichi
// in the kyoku of line `at`, before it.
bool called_or_in_riichi(const Lines& lines, std::size_t at, Seat seat) {
  for (std::size_t index = at; index-- > 0 && !as<ev::StartKyoku>(event_at(lines, index));) {
    const std::string& line = lines[index];
    const bool seats = line.find("\"actor\":" + std::to_string(seat) + ",") != std::string::npos ||
                       line.find("\"actor\":" + std::to_string(seat) + "}") != std::string::npos;
    if (seats && (line.find("\"chi\"") != std::string::npos || line.find("\"pon\"") != std::string::npos ||
                  line.find("kan\"") != std::string::npos || line.find("\"reach\"") != std::string::npos))
      return true;
  }
  return false;
}

// Two wins of one discard: the index of the first.
std::optional<std::size_t> double_ron(const Lines& lines) {
  for (std::size_t at = 0; at + 1 < lines.size(); ++at) {
    if (as<ev::Hora>(event_at(lines, at)) && as<ev::Hora>(event_at(lines, at + 1))) return at;
  }
  return std::nullopt;
}

// The seat the two wins of a discard left out wins on it too.
std::optional<std::size_t> triple_ron(Lines& lines) {
  const auto first = double_ron(lines);
  if (!first) return std::nullopt;
  const Event a = event_at(lines, *first), b = event_at(lines, *first + 1);
  const ev::Hora& one = std::get<ev::Hora>(a);
  const ev::Hora& two = std::get<ev::Hora>(b);
  Seat third = 0;
  while (third == one.actor || third == two.actor || third == one.target) ++third;
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*first) + 2,
               test_support::line_of(ev::Hora{third, one.target, Deltas{}, std::vector<Tile>{}}).value());
  return *first + 2;
}

// The first winner of a double ron declares riichi with its last discard
// before the win (a closed hand, tenpai since) and shows ura markers; the
// second shows others.
std::optional<std::size_t> double_ron_with_other_ura(Lines& lines) {
  const auto first = double_ron(lines);
  if (!first) return std::nullopt;
  const Seat winner = std::get<ev::Hora>(event_at(lines, *first)).actor;
  std::size_t discard = *first;
  while (!as<ev::Dahai>(event_at(lines, --discard)) ||
         std::get<ev::Dahai>(event_at(lines, discard)).actor != winner) {}
  if (!as<ev::Tsumo>(event_at(lines, discard - 1)) || called_or_in_riichi(lines, discard, winner))
    return std::nullopt;
  const Table table = table_before(lines, *first);
  std::vector<Tile> unseen;
  for (std::uint8_t kind = 0; kind < 27; ++kind)
    if (table.seen[kind] < 3 && !is_five(kind)) unseen.push_back(Tile(kind));
  std::size_t markers = 1;
  for (std::size_t at = *first; !as<ev::StartKyoku>(event_at(lines, at)); --at)
    markers += as<ev::Dora>(event_at(lines, at)) != nullptr;
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(discard) + 1,
               test_support::line_of(ev::ReachAccepted{winner}).value());
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(discard), test_support::line_of(ev::Reach{winner}).value());
  const std::size_t win = *first + 2;
  for (const std::size_t shift : {0, 1}) {
    const auto from = unseen.begin() + static_cast<std::ptrdiff_t>(shift);
    rewrite<ev::Hora>(lines[win + shift], [&](ev::Hora& e) { e.ura_markers.emplace(from, from + markers); });
  }
  pay_as_the_rules_do(lines);
  return win + 1;
}

// A riichi whose discard is won on, given a reach_accepted all the same.
std::optional<std::size_t> accepted_riichi_won_on(Lines& lines) {
  for (std::size_t at = 0; at + 2 < lines.size(); ++at) {
    const Event reach = event_at(lines, at), win = event_at(lines, at + 2);
    if (!as<ev::Reach>(reach) || !as<ev::Hora>(win) || std::get<ev::Hora>(win).actor == std::get<ev::Hora>(win).target)
      continue;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at) + 2,
                 test_support::line_of(ev::ReachAccepted{std::get<ev::Reach>(reach).actor}).value());
    return at + 3;
  }
  return std::nullopt;
}

// A seat in riichi calls pon on a later discard, a tile it need not hold.
std::optional<std::size_t> pon_in_riichi(Lines& lines) {
  const auto accepted = first_of<ev::ReachAccepted>(lines, 0, [](const auto&) { return true; });
  if (!accepted) return std::nullopt;
  const Seat caller = std::get<ev::ReachAccepted>(event_at(lines, *accepted)).actor;
  const auto discard = first_of<ev::Dahai>(lines, *accepted, [&](const ev::Dahai& e) { return e.actor != caller; });
  if (!discard || !as<ev::Tsumo>(event_at(lines, *discard + 1)) || find_line(lines, {"end_kyoku"}, *accepted) < discard)
    return std::nullopt;
  const auto dahai = std::get<ev::Dahai>(event_at(lines, *discard));
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*discard) + 1,
               test_support::line_of(ev::Pon{caller, dahai.actor, dahai.pai, {dahai.pai, dahai.pai}}).value());
  return *discard + 1;
}

// A pon made an open kan, one tile more than its caller holds.
std::optional<std::size_t> kan_of_tiles_not_held(Lines& lines) {
  for (std::size_t at = 0; at < lines.size(); ++at) {
    const Event event = event_at(lines, at);
    const auto* pon = as<ev::Pon>(event);
    if (pon == nullptr) continue;
    const KindCounts held = kinds_of(table_before(lines, at).hands[pon->actor]);
    if (held[kind_of(pon->pai)] != 2) continue;
    const Tile extra = pon->consumed[1];
    lines[at] = test_support::line_of(
                    ev::Daiminkan{pon->actor, pon->target, pon->pai, {pon->consumed[0], pon->consumed[1], extra}})
                    .value();
    return at;
  }
  return std::nullopt;
}

// The first kyoku's riichi, in a game started at 900 points each.
std::optional<std::size_t> riichi_under_1000(Lines& lines) {
  const auto reach = first_of<ev::Reach>(lines, 0, [](const auto&) { return true; });
  const auto end = find_line(lines, {"end_kyoku"});
  if (!reach || *reach > *end) return std::nullopt;
  rewrite<ev::StartKyoku>(lines[1], [&](ev::StartKyoku& e) { e.scores.fill(900); });
  return reach;
}

// A riichi after the last draw of a kyoku that ends in an exhaustive draw,
// by a seat with a closed hand.
std::optional<std::size_t> riichi_at_the_wall_end(Lines& lines) {
  for (std::size_t at = 2; at < lines.size(); ++at) {
    const Event event = event_at(lines, at);
    const auto* draw = as<ev::Ryukyoku>(event);
    if (draw == nullptr || !draw->deltas || *draw->deltas == Deltas{} || !as<ev::Tsumo>(event_at(lines, at - 2)))
      continue;
    const Seat seat = std::get<ev::Tsumo>(event_at(lines, at - 2)).actor;
    if (called_or_in_riichi(lines, at, seat)) continue;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at) - 1, test_support::line_of(ev::Reach{seat}).value());
    return at - 1;
  }
  return std::nullopt;
}

// Four winds open a kyoku, and play goes on with a draw instead of its ryukyoku.
std::optional<std::size_t> play_after_four_winds(Lines& lines) {
  for (std::size_t start = 0; start + 9 < lines.size(); ++start) {
    if (!as<ev::StartKyoku>(event_at(lines, start)) || !as<ev::Ryukyoku>(event_at(lines, start + 9))) continue;
    const Event event = event_at(lines, start + 8);
    const auto* last = as<ev::Dahai>(event);
    if (last == nullptr || !is_wind(kind_of(last->pai))) continue;
    if (lines[start + 2].find(quoted(last->pai)) == std::string::npos) continue;
    const Table table = table_before(lines, start + 9);
    std::uint8_t kind = 0;
    while (table.seen[kind] > 2 || is_five(kind)) ++kind;
    lines[start + 9] = test_support::line_of(ev::Tsumo{static_cast<Seat>((last->actor + 1) % 4), Tile(kind)}).value();
    return start + 9;
  }
  return std::nullopt;
}

struct EditCase {
  std::string_view check;
  Edit edit;
  std::string_view says;  // empty: the edited game breaks no rule
};

TEST(EditedGames, EachCheckFindsItsEdit) {
  const EditCase cases[] = {
      {"shape: a line that is no event", replacing(R"("type":"dahai")", "}", ""), "not an mjai event"},
      {"shape: the last line gone", [](Lines& lines) { return lines.pop_back(), std::optional(lines.size() - 1); },
       "the lines end before end_game"},
      {"turns: a draw gone", [](Lines& lines) { return erase_first(lines, R"({"type":"tsumo","actor":1,)"); },
       "out of turn"},
      {"hands: a discard the hand lacks", discard_not_held, "but the hand holds no"},
      {"tsumogiri: the drawn tile said to come from the hand", [](Lines& l) { return flip_tsumogiri(l, true); },
       "is the one just drawn"},
      {"tsumogiri: a tile of the hand said to be the drawn one", [](Lines& l) { return flip_tsumogiri(l, false); },
       "is not the drawn tile"},
      {"tiles: a fifth copy", [](Lines& l) { return too_many(l, Tile(0), 5); }, "more than 4 1m"},
      {"tiles: a second red five", [](Lines& l) { return too_many(l, Tile(35), 2); }, "more than 1 5pr"},
      {"tiles: a hidden tile", [](Lines& l) { return rewrite_first<ev::Tsumo>(l, [](auto& e) { e.pai = Tile::hidden(); }); },
       "a hidden tile"},
      {"calls: a chi from the wrong seat", chi_from_afar, "does not sit before it"},
      {"calls: kuikae", kuikae, "kuikae"},
      {"calls: a pon of a tile that is not the last discard",
       [](Lines& l) { return rewrite_first<ev::Pon>(l, [](auto& e) { e.pai = Tile(e.pai == Tile(0) ? 1 : 0); }); },
       "but the last discard is"},
      {"calls: a pon while in riichi", pon_in_riichi, "while in riichi"},
      {"calls: a kan of tiles the hand does not hold", kan_of_tiles_not_held, "which the hand does not hold"},
      {"riichi: an acceptance gone", [](Lines& l) { return erase_first(l, "reach_accepted"); },
       "no reach_accepted"},
      {"riichi: with an open hand", open_riichi, "riichi with an open hand"},
      {"riichi: under 1,000 points", riichi_under_1000, "riichi with 900 points, fewer than 1,000"},
      {"riichi: fewer than 4 tiles left", riichi_at_the_wall_end, "tiles left to draw, fewer than 4"},
      {"riichi: reach_accepted for a riichi discard won on", accepted_riichi_won_on,
       "reach_accepted came for a riichi discard that was won on"},
      {"kan dora: a dora line gone", [](Lines& l) { return erase_first(l, R"("type":"dora")"); },
       "dora marker is due"},
      {"kan dora: shown before the replacement draw", early_kan_dora, "no kan's dora marker is due"},
      {"wins: ron while furiten", furiten, "ron while furiten"},
      {"wins: ura markers gone from a riichi win", ura_dropped, "ura markers"},
      {"wins: two wins of one discard out of order", double_ron_swapped, "out of turn order"},
      {"wins: a triple ron", triple_ron, "a third ron on one tile"},
      {"wins: a ron on a closed kan", [](Lines& l) { return ron_on_closed_kan(l, false); },
       "ron on a closed kan, which only kokushi musou may rob"},
      {"wins: kokushi robs a closed kan", [](Lines& l) { return ron_on_closed_kan(l, true); }, ""},
      {"wins: a double ron's other ura markers", double_ron_with_other_ura,
       "the wins of one discard show different ura markers"},
      {"draws: play after four winds", play_after_four_winds, "four winds end the kyoku in a draw, but play goes on"},
      {"scores: a win's deltas", replacing("[0,-8000,8000,0]", "[0,-8000,8000,0]", "[0,-7700,7700,0]"),
       "hora deltas [0, -7700, 7700, 0], but the hand scores 30 fu 4 han = 7,700 + 300 honba"},
      {"scores: deltas past any score",
       [](Lines& l) { return rewrite_first<ev::Hora>(l, [](auto& e) { e.deltas->fill(2147483647); }); },
       "hora deltas [2147483647"},
      {"scores: a draw's deltas", replacing("[-1500,-1500,1500,1500]", "1500,1500]", "1000,2000]"),
       "ryukyoku deltas"},
      {"scores: a draw where none applies", inserting(31, R"({"type":"ryukyoku","deltas":[0,0,0,0]})"),
       "no draw applies"},
      {"scores: the next kyoku's scores", replacing("[25000,17000,33000,25000]", "25000]", "26000]"),
       "start_kyoku scores"},
      {"scores: the next kyoku's honba", replacing(R"("honba":1)", R"("honba":1)", R"("honba":0)"),
       "start_kyoku honba"},
      {"start: uneven starting points", replacing("[25000,25000,25000,25000]", "25000,25000,25000]",
                                                  "26000,24000,25000]"),
       "the first kyoku starts the seats at different points: [25000, 26000, 24000, 25000]"},
      {"start: the first kyoku's honba", replacing(R"("kyoku":1,"honba":0)", R"("honba":0)", R"("honba":2)"),
       "the first kyoku has 2 honba, not 0"},
      {"start: kyoku_first", replacing(R"("kyoku_first":0)", R"("kyoku_first":0)", R"("kyoku_first":7)"),
       "kyoku_first 7 is neither 0"},
  };
  const auto games = rules_test::real_json_logs();
  for (const EditCase& c : cases) {
    SCOPED_TRACE(c.check);
    bool applied = false;
    for (const auto& game : games) {
      Lines lines = rules_test::mjai_lines_of(game);
      ASSERT_FALSE(lines.empty()) << game;
      const auto at = c.edit(lines);
      if (!at) continue;
      const auto findings = check(lines);
      applied = true;
      if (c.says.empty()) {
        EXPECT_EQ(all_of(findings), "") << game;
        break;
      }
      ASSERT_FALSE(findings.empty()) << game;
      EXPECT_EQ(findings.front().line, *at + 1) << game << "\n" << all_of(findings);
      EXPECT_NE(findings.front().message.find(c.says), std::string::npos) << game << "\n" << all_of(findings);
      break;
    }
    EXPECT_TRUE(applied) << "no game has a place for the edit";
  }
}

std::vector<Finding> check_under(const Lines& lines, RecordRules record) {
  GameChecker checker(record);
  for (const std::string& line : lines) checker.feed(line);
  checker.finish();
  return checker.findings();
}

// A room without 喰 pays an open hand no tanyao: a record that says so is
// held to it, and where nothing says, a win paid either way is right.
TEST(RecordRules, OpenTanyaoAsTheRoomHasIt) {
  constexpr RecordRules kWithout{.open_tanyao = false};
  constexpr RecordRules kWith{.open_tanyao = true};
  for (const auto& game : rules_test::real_json_logs()) {
    Lines lines = rules_test::mjai_lines_of(game);
    // The first open hand won with tanyao and more, which a room without 喰 pays less.
    const auto findings = check_under(lines, kWithout);
    if (findings.empty() || findings.front().message.find("hora deltas") == std::string::npos) continue;
    SCOPED_TRACE(game.string());
    const std::size_t at = findings.front().line - 1;
    GameChecker checker(kWithout);
    for (std::size_t line = 0; line <= at; ++line) checker.feed(lines[line]);
    const Deltas without = checker.wins().back().deltas;
    EXPECT_EQ(all_of(check_under(lines, {})), "");
    EXPECT_EQ(all_of(check_under(lines, kWith)), "");
    rewrite<ev::Hora>(lines[at], [&](ev::Hora& e) { e.deltas = without; });
    const auto paid_without = check_under(lines, kWithout);
    EXPECT_TRUE(paid_without.empty() || paid_without.front().line > at + 1) << all_of(paid_without);
    const auto either = check_under(lines, {});
    EXPECT_TRUE(either.empty() || either.front().line > at + 1) << all_of(either);
    const auto with = check_under(lines, kWith);
    ASSERT_FALSE(with.empty());
    EXPECT_EQ(with.front().line, at + 1) << all_of(with);
    return;
  }
  FAIL() << "no real game has an open hand won with tanyao and another yaku";
}

// A kyoku that cannot be followed is told once, not once a line.
TEST(EditedGames, AKyokuThatCannotOpenIsToldOnce) {
  Lines lines = rules_test::mjai_lines_of(rules_test::kData / "real" / "real_025.json");
  ASSERT_FALSE(lines.empty());
  replace(lines[1], R"("oya":0)", R"("oya":2)");
  const auto findings = check(lines);
  ASSERT_EQ(findings.size(), 1u) << all_of(findings);
  EXPECT_EQ(format_finding(findings.front()), "line 2: start_kyoku's oya 2 does not deal kyoku 1");
}

TEST(Finding, ReadsAsASentenceWithItsPlace) {
  EXPECT_EQ(format_finding({412, 2, Seat{2}, "hora deltas [-3900, 3900, 0, 0], but ..."}),
            "line 412, East 3, seat 2: hora deltas [-3900, 3900, 0, 0], but ...");
  EXPECT_EQ(format_finding({7, 5, std::nullopt, "x"}), "line 7, South 2: x");
  EXPECT_EQ(format_finding({1, kBeforeFirstKyoku, std::nullopt, "the game has no lines"}),
            "line 1: the game has no lines");
}

}  // namespace
}  // namespace paiscribe::rules
