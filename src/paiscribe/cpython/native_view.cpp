// game_lines and replay_table: what a viewer of games draws, made by the
// table replay and the rules replay. Python only lays it out.
#include "paiscribe/cpython/native_view.hpp"

#include <array>
#include <initializer_list>
#include <span>
#include <string_view>
#include <vector>

#include "paiscribe/cpython/arguments.hpp"
#include "paiscribe/cpython/exceptions.hpp"
#include "paiscribe/cpython/finding_tuples.hpp"
#include "paiscribe/cpython/guarded_call.hpp"
#include "paiscribe/cpython/native_state.hpp"
#include "paiscribe/cpython/owned_ref.hpp"
#include "paiscribe/mjai/tile_names.hpp"
#include "paiscribe/pipeline/game_lines.hpp"
#include "paiscribe/pipeline/table_lines.hpp"
#include "paiscribe/pipeline/text_lines.hpp"
#include "paiscribe/base/kyoku_name.hpp"
#include "paiscribe/scoring/yaku.hpp"

namespace paiscribe {
namespace {

// The keys of the dicts made here, interned once a call.
enum Key : std::size_t {
  kLine, kGame, kEvent, kActor, kKyoku, kBakaze, kHonba, kDeposits, kOya, kHands, kDrawn, kMelds, kRivers,
  kScores, kRiichi, kDoraMarkers, kUraMarkers, kType, kTarget, kPai, kConsumed, kAdded, kTsumogiri, kCalled,
  kDealer, kYaku, kName, kHan, kFu, kYakuman, kPoints, kSummary, kDeltas, kFirstLine, kLastLine, kLines, kNames,
  kKyokus, kResults, kFindings, kWins, kKeyCount
};
constexpr std::array<const char*, kKeyCount> kKeyNames = {
    "line", "game", "event", "actor", "kyoku", "bakaze", "honba", "deposits", "oya", "hands", "drawn", "melds",
    "rivers", "scores", "riichi", "dora_markers", "ura_markers", "type", "target", "pai", "consumed", "added",
    "tsumogiri", "called", "dealer", "yaku", "name", "han", "fu", "yakuman", "points", "summary", "deltas",
    "first_line", "last_line", "lines", "names", "kyokus", "results", "findings", "wins"};

// A dict filled one item at a time, each value's reference taken; null at
// the end when any value or insertion failed.
class DictOf {
 public:
  DictOf() : dict_(PyDict_New()), ok_(dict_ != nullptr) {}
  DictOf& set(PyObject* key, PyObject* value) {
    const OwnedRef owned(value);
    ok_ = ok_ && owned && PyDict_SetItem(dict_.get(), key, owned.get()) == 0;
    return *this;
  }
  PyObject* release() { return ok_ ? dict_.release() : nullptr; }

 private:
  OwnedRef dict_;
  bool ok_;
};

// A list of `make(item)` for each item, each a new reference.
template <typename Items, typename Make>
PyObject* list_of(const Items& items, Make&& make) {
  OwnedRef list(PyList_New(static_cast<Py_ssize_t>(std::size(items))));
  if (!list) return nullptr;
  Py_ssize_t index = 0;
  for (const auto& item : items) {
    PyObject* value = make(item);
    if (value == nullptr) return nullptr;
    PyList_SET_ITEM(list.get(), index++, value);
  }
  return list.release();
}

PyObject* optional_long(const auto& value) { return value ? PyLong_FromLong(*value) : Py_NewRef(Py_None); }

// Makes the Python values of states, wins and games, with the keys and tile
// names made once.
class ViewWriter {
 public:
  bool init() {
    for (std::size_t key = 0; key < kKeyCount; ++key) {
      keys_[key].reset(PyUnicode_InternFromString(kKeyNames[key]));
      if (!keys_[key]) return false;
    }
    for (std::uint8_t index = 0; index < Tile::kCount; ++index) {
      const std::string_view name = mjai_name(Tile(index));
      tiles_[index].reset(PyUnicode_FromStringAndSize(name.data(), static_cast<Py_ssize_t>(name.size())));
      if (!tiles_[index]) return false;
    }
    return true;
  }

  PyObject* state(const table::TableState& table, std::size_t line, std::size_t game) {
    const auto& seats = table.seats;
    const auto kyoku = table.kyoku_index();
    PyObject* drawn = table.drawn_by ? Py_BuildValue("(iN)", *table.drawn_by, tile(table.drawn)) : Py_NewRef(Py_None);
    return DictOf()
        .set(key(kLine), PyLong_FromSize_t(line))
        .set(key(kGame), PyLong_FromSize_t(game))
        .set(key(kEvent), table.event.empty() ? Py_NewRef(Py_None) : text(table.event))
        .set(key(kActor), optional_long(table.actor))
        .set(key(kKyoku), kyoku ? str_of_text(kyoku_name(*kyoku)) : Py_NewRef(Py_None))
        .set(key(kBakaze), table.bakaze ? tile(*table.bakaze) : Py_NewRef(Py_None))
        .set(key(kHonba), PyLong_FromLong(table.honba))
        .set(key(kDeposits), PyLong_FromLong(table.kyotaku))
        .set(key(kOya), PyLong_FromLong(table.oya))
        .set(key(kHands), list_of(seats, [&](const table::SeatTable& seat) { return tiles(seat.hand); }))
        .set(key(kDrawn), drawn)
        .set(key(kMelds), list_of(seats, [&](const table::SeatTable& seat) {
               return list_of(seat.melds, [&](const table::TableMeld& meld) { return this->meld(meld); });
             }))
        .set(key(kRivers), list_of(std::array{0, 1, 2, 3}, [&](int seat) { return river(seat, seats[seat].river); }))
        .set(key(kScores), list_of(seats, [](const table::SeatTable& seat) { return PyLong_FromLongLong(seat.score); }))
        .set(key(kRiichi), list_of(seats, [](const table::SeatTable& seat) { return PyBool_FromLong(seat.riichi); }))
        .set(key(kDoraMarkers), tiles(table.dora_markers))
        .set(key(kUraMarkers), tiles(table.ura_markers))
        .release();
  }

  PyObject* game(const ViewedGame& game) {
    return DictOf()
        .set(key(kFirstLine), PyLong_FromSize_t(game.first_line))
        .set(key(kLines), PyLong_FromSize_t(game.line_count))
        .set(key(kNames), list_of(game.names, [](const std::string& name) { return str_of_text(name); }))
        .set(key(kKyokus), list_of(game.kyokus, [&](const ViewedKyoku& kyoku) {
               return DictOf()
                   .set(key(kName), str_of_text(kyoku_name(kyoku.index)))
                   .set(key(kHonba), PyLong_FromLong(kyoku.honba))
                   .set(key(kFirstLine), PyLong_FromSize_t(kyoku.first_line))
                   .set(key(kLastLine), PyLong_FromSize_t(kyoku.last_line))
                   .release();
             }))
        .set(key(kResults), list_of(game.results, [&](const ShownResult& result) {
               return DictOf()
                   .set(key(kLine), PyLong_FromSize_t(result.line))
                   .set(key(kEvent), text(result.event))
                   .set(key(kActor), optional_long(result.actor))
                   .set(key(kDeltas), list_of(result.deltas, [](std::int64_t delta) { return PyLong_FromLongLong(delta); }))
                   .release();
             }))
        .set(key(kFindings), finding_tuples(game.findings))
        .set(key(kWins), list_of(game.wins, [&](const ShownWin& win) { return this->win(win); }))
        .release();
  }

 private:
  PyObject* key(Key which) const { return keys_[which].get(); }
  PyObject* tile(Tile t) const { return Py_NewRef(tiles_[t.index()].get()); }
  PyObject* tiles(std::span<const Tile> list) const {
    return list_of(list, [&](Tile t) { return tile(t); });
  }
  static PyObject* text(std::string_view value) {
    return PyUnicode_FromStringAndSize(value.data(), static_cast<Py_ssize_t>(value.size()));
  }

  PyObject* meld(const table::TableMeld& meld) const {
    return DictOf()
        .set(key(kType), text(table::kMeldKindNames[static_cast<std::size_t>(meld.kind)]))
        .set(key(kTarget), PyLong_FromLong(meld.target))
        .set(key(kPai), meld.pai ? tile(*meld.pai) : Py_NewRef(Py_None))
        .set(key(kConsumed), tiles(meld.consumed))
        .set(key(kAdded), meld.added ? tile(*meld.added) : Py_NewRef(Py_None))
        .release();
  }

  // A river's discards, each the same dict as at the line before while it
  // is the same discard: a line adds one at most, and a game's states
  // would otherwise hold each discard once for every line after it.
  PyObject* river(int seat, const std::vector<table::RiverTile>& discards) {
    std::vector<table::RiverTile>& seen = rivers_seen_[seat];
    std::vector<OwnedRef>& made = rivers_made_[seat];
    std::size_t same = 0;
    while (same < discards.size() && same < seen.size() && seen[same] == discards[same]) ++same;
    seen.erase(seen.begin() + static_cast<std::ptrdiff_t>(same), seen.end());
    made.erase(made.begin() + static_cast<std::ptrdiff_t>(same), made.end());
    for (std::size_t index = same; index < discards.size(); ++index) {
      made.emplace_back(river_tile(discards[index]));
      if (!made.back()) {
        made.pop_back();
        return nullptr;
      }
      seen.push_back(discards[index]);
    }
    return list_of(made, [](const OwnedRef& discard) { return Py_NewRef(discard.get()); });
  }

  PyObject* river_tile(const table::RiverTile& discard) const {
    return DictOf()
        .set(key(kPai), tile(discard.tile))
        .set(key(kTsumogiri), PyBool_FromLong(discard.tsumogiri))
        .set(key(kRiichi), PyBool_FromLong(discard.riichi))
        .set(key(kCalled), PyBool_FromLong(discard.called))
        .release();
  }

  PyObject* win(const ShownWin& win) const {
    const rules::ScoredWin& record = win.record;
    const auto yaku = record.value.yaku.items();
    return DictOf()
        .set(key(kLine), PyLong_FromSize_t(record.line))
        .set(key(kActor), PyLong_FromLong(record.actor))
        .set(key(kTarget), PyLong_FromLong(record.target))
        .set(key(kDealer), PyBool_FromLong(win.dealer))
        .set(key(kYaku), list_of(yaku, [&](const scoring::YakuHan& item) {
               const scoring::YakuInfo& info = scoring::info(item.yaku);
               return DictOf()
                   .set(key(kName), text(info.name))
                   .set(key(kHan), PyLong_FromLong(item.han))
                   .set(key(kYakuman), PyBool_FromLong(info.yakuman))
                   .release();
             }))
        .set(key(kHan), PyLong_FromLong(record.value.han))
        .set(key(kFu), PyLong_FromLong(record.value.fu))
        .set(key(kYakuman), PyLong_FromLong(record.value.yakuman))
        .set(key(kPoints), PyLong_FromLong(win.points))
        .set(key(kSummary), str_of_text(win.summary))
        .set(key(kDeltas), list_of(record.deltas, [](std::int32_t delta) { return PyLong_FromLong(delta); }))
        .release();
  }

  std::array<OwnedRef, kKeyCount> keys_;
  std::array<OwnedRef, Tile::kCount> tiles_;
  std::array<std::vector<table::RiverTile>, 4> rivers_seen_;
  std::array<std::vector<OwnedRef>, 4> rivers_made_;
};

// The lines of `data`: a text (str or buffer), or an iterable of str.
template <typename Visit>
bool for_each_given_line(PyObject* data, Visit&& visit) {
  if (PyUnicode_Check(data) || PyObject_CheckBuffer(data)) {
    InputBytes input;
    if (!input.take("replay_table", data)) return false;
    for_each_text_line(input.bytes(), visit);
    return true;
  }
  const OwnedRef iterator(PyObject_GetIter(data));
  if (!iterator) {
    PyErr_Format(PyExc_TypeError, "replay_table() takes a str, a buffer or an iterable of str, not %.200s",
                 Py_TYPE(data)->tp_name);
    return false;
  }
  for (Py_ssize_t index = 0;; ++index) {
    const OwnedRef line(PyIter_Next(iterator.get()));
    if (!line) return !PyErr_Occurred();
    if (!PyUnicode_Check(line.get())) {
      PyErr_Format(PyExc_TypeError, "replay_table() line %zd must be str, not %.200s", index,
                   Py_TYPE(line.get())->tp_name);
      return false;
    }
    Py_ssize_t size = 0;
    const char* utf8 = PyUnicode_AsUTF8AndSize(line.get(), &size);
    if (utf8 == nullptr) return false;
    visit(std::string_view(utf8, static_cast<std::size_t>(size)));
  }
}

// Whether the state of `line` is wanted: every line when `wanted` is None,
// else those `wanted` contains. -1 with the error set.
int is_wanted(PyObject* wanted, std::size_t line) {
  if (wanted == Py_None) return 1;
  const OwnedRef number(PyLong_FromSize_t(line));
  return number ? PySequence_Contains(wanted, number.get()) : -1;
}

PyObject* replay_table(PyObject* data, PyObject* wanted) {
  ViewWriter writer;
  if (!writer.init()) return nullptr;
  const OwnedRef states(PyList_New(0));
  if (!states) return nullptr;
  TableLines lines;
  std::size_t line = 0;
  bool failed = false;
  const bool read = for_each_given_line(data, [&](std::string_view text) {
    if (failed) return;
    lines.feed(text);
    const int keep = is_wanted(wanted, ++line);
    if (keep <= 0) {
      failed = keep < 0;
      return;
    }
    const OwnedRef state(writer.state(lines.table(), line, lines.game_index()));
    failed = !state || PyList_Append(states.get(), state.get()) < 0;
  });
  if (!read || failed) return nullptr;
  const auto games = std::move(lines).finish();
  const OwnedRef game_list(list_of(games, [&](const ViewedGame& game) { return writer.game(game); }));
  if (!game_list) return nullptr;
  return PyTuple_Pack(2, states.get(), game_list.get());
}

}  // namespace

const char kGameLinesDoc[] =
    "game_lines($module, filename, /)\n--\n\n"
    "The mjai lines of the game file at filename, one str each: a file of mjai\n"
    "lines as it is, or a Tenhou JSON log or XML record converted as\n"
    "convert_file converts it; plain or gzip-compressed. A file whose first\n"
    "line opens an object with the key \"type\" holds mjai lines.";

const char kReplayTableDoc[] =
    "replay_table($module, data, lines=None, /)\n--\n\n"
    "(states, games) for mjai lines: data is a text of lines (str or any\n"
    "buffer) or an iterable of str. states holds the table as each line leaves\n"
    "it, a dict per line, for every line or for the line numbers that lines\n"
    "contains (a discard's dict is shared by the states it is the same in:\n"
    "read them, do not change them); games holds each game's first line, line count, names, kyokus,\n"
    "results (each hora and ryukyoku line with its change of scores), findings\n"
    "(as check gives them) and wins (as the rules score them). paiscribe.view\n"
    "and the show command are the interfaces to use.";

PyObject* native_game_lines(PyObject* module, PyObject* filename_argument) {
  const OwnedRef filename(path_bytes(filename_argument, "filename"));
  if (!filename) return nullptr;
  return guarded_call("game_lines", [&]() -> PyObject* {
    GameLinesReader reader;
    const auto text = reader.read(view_of(filename.get()), signal_handler_raised);
    if (!text) {
      raise_error(native_state(module).errors, text.error());
      return nullptr;
    }
    std::vector<std::string_view> lines;
    for_each_text_line(*text, [&](std::string_view line) { lines.push_back(line); });
    return list_of(lines, [](std::string_view line) { return str_of_text(line); });
  });
}

PyObject* native_replay_table(PyObject* /*module*/, PyObject* const* args, Py_ssize_t count) {
  if (count < 1 || count > 2) {
    PyErr_Format(PyExc_TypeError, "replay_table() takes 1 or 2 arguments (%zd given)", count);
    return nullptr;
  }
  return guarded_call("replay_table", [&] { return replay_table(args[0], count > 1 ? args[1] : Py_None); });
}

}  // namespace paiscribe
