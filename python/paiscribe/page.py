"""One self-contained HTML page that replays games: the template shipped
with the package, and the table states the native replay built, packed as
the page needs them. The page's script only applies what it is given and
draws it: the table at each kyoku's start in full, then each line's changes
as splices of lists and new values, worked out here by comparing states."""

import html
import json
from collections.abc import Iterable, Sequence
from importlib import resources
from typing import TYPE_CHECKING, Any

from paiscribe.games import Game, State, replay

if TYPE_CHECKING:
    from _typeshed import ReadableBuffer

# What a line's event is called, by its code in the page.
EVENT_NAMES = ["", "start_game", "start_kyoku", "tsumo", "dahai", "chi", "pon", "daiminkan", "kakan", "ankan",
               "dora", "reach", "reach_accepted", "hora", "ryukyoku", "end_kyoku", "end_game", "none"]
_EVENT_CODES = {name: code for code, name in enumerate(EVENT_NAMES)}

# The page's own keys of a state: lists changed by splicing, values replaced whole.
_SEAT_LISTS = ("h", "m", "r")  # hand, melds, river, one of each per seat
_LISTS = frozenset([f"{key}{seat}" for key in _SEAT_LISTS for seat in range(4)] + ["s", "i", "d", "u"])

TEMPLATE = "view_page.html"
_DATA_MARK = "__PAISCRIBE_DATA__"
_TITLE_MARK = "__PAISCRIBE_TITLE__"


def _river_tile(discard: dict[str, Any]) -> str:
    """A discard as its name and marks: ' tsumogiri, * riichi, ^ called;
    no tile's name holds any of them."""
    marks = ("'" if discard["tsumogiri"] else "") + ("*" if discard["riichi"] else "") + ("^" if discard["called"] else "")
    return str(discard["pai"]) + marks


def _packed(state: State) -> dict[str, Any]:
    packed: dict[str, Any] = {}
    for seat in range(4):
        packed[f"h{seat}"] = state["hands"][seat]
        packed[f"m{seat}"] = [[meld["type"], meld["target"], meld["pai"], meld["consumed"], meld["added"]]
                              for meld in state["melds"][seat]]
        packed[f"r{seat}"] = [_river_tile(discard) for discard in state["rivers"][seat]]
    packed["s"] = state["scores"]
    packed["i"] = [int(riichi) for riichi in state["riichi"]]
    packed["d"] = state["dora_markers"]
    packed["u"] = state["ura_markers"]
    packed["k"] = state["kyoku"]
    packed["b"] = state["honba"]
    packed["p"] = state["deposits"]
    packed["o"] = state["oya"]
    packed["w"] = list(state["drawn"]) if state["drawn"] is not None else None
    return packed


def _splice(key: str, old: Sequence[Any], new: Sequence[Any]) -> list[Any] | None:
    """[key, at, removed, *inserted] that turns old into new, or None when equal."""
    if old == new:
        return None
    start = 0
    while start < min(len(old), len(new)) and old[start] == new[start]:
        start += 1
    end_old, end_new = len(old), len(new)
    while end_old > start and end_new > start and old[end_old - 1] == new[end_new - 1]:
        end_old -= 1
        end_new -= 1
    return [key, start, end_old - start, *new[start:end_new]]


def _changes(before: dict[str, Any], after: dict[str, Any]) -> list[Any]:
    changes: list[Any] = []
    for key, value in after.items():
        if key in _LISTS:
            if (splice := _splice(key, before[key], value)) is not None:
                changes.append(splice)
        elif before[key] != value:
            changes.append([key, value])
    return changes


def _event(state: State) -> list[int]:
    return [_EVENT_CODES.get(state["event"] or "", 0), -1 if state["actor"] is None else state["actor"]]


def _results(game: Game) -> list[dict[str, Any]]:
    wins = {win["line"]: win for win in game.wins}
    results = []
    for found in game.results:
        result: dict[str, Any] = {"line": found["line"], "kind": found["event"], "deltas": found["deltas"]}
        if found["event"] == "hora":
            result["actor"] = found["actor"]
            win = wins.get(found["line"])
            if win is not None:
                result.update(target=win["target"], summary=win["summary"], han=win["han"], fu=win["fu"],
                              points=win["points"], deltas=win["deltas"],
                              yaku=[[item["name"], item["han"], int(item["yakuman"])] for item in win["yaku"]])
        results.append(result)
    return results


def _game_data(game: Game, title: str) -> dict[str, Any]:
    segments: list[dict[str, Any]] = []
    previous: dict[str, Any] | None = None
    for line in range(game.first_line, game.last_line + 1):
        state = game.state_at(line)
        packed = _packed(state)
        if previous is None or state["event"] == "start_kyoku":
            segments.append({"line": state["line"], "state": packed, "event": _event(state), "steps": []})
        else:
            segments[-1]["steps"].append(_event(state) + _changes(previous, packed))
        previous = packed
    return {
        "title": title,
        "names": game.names,
        "first": game.first_line,
        "last": game.last_line,
        "kyokus": [{"name": kyoku.name, "label": kyoku.label, "first": kyoku.first_line, "last": kyoku.last_line}
                   for kyoku in game.kyokus],
        "segments": segments,
        "results": _results(game),
        "findings": [[finding.line, finding.kyoku, finding.seat, finding.message] for finding in game.findings],
    }


class Page(str):
    """The HTML of a page, a str; notebooks show it inline, in a frame of its
    own so that its script runs where notebooks keep scripts out of outputs."""

    def _repr_html_(self) -> str:
        return (f'<iframe srcdoc="{html.escape(self, quote=True)}" title="paiscribe viewer" '
                'style="width:100%;height:780px;border:0" sandbox="allow-scripts"></iframe>')


def _title(game: Game, several: bool) -> str:
    return f"{game.source} (game {game.number})" if several or game.number > 1 else game.source


def page_of(games: Sequence[Game], title: str = "paiscribe") -> Page:
    """One page replaying `games`, with a picker when there are several."""
    sources = [game.source for game in games]
    data = {"events": EVENT_NAMES,
            "games": [_game_data(game, _title(game, sources.count(game.source) > 1)) for game in games]}
    # Escaped so that no "</script>" or "<!--" in a name can end the data early.
    text = json.dumps(data, ensure_ascii=False, separators=(",", ":"))
    text = text.replace("<", "\\u003c").replace(">", "\\u003e").replace("&", "\\u0026")
    template = resources.files("paiscribe").joinpath(TEMPLATE).read_text(encoding="utf-8")
    return Page(template.replace(_TITLE_MARK, html.escape(title)).replace(_DATA_MARK, text))


def view(lines: "str | ReadableBuffer | Iterable[str]", title: str = "paiscribe") -> Page:
    """The HTML of one self-contained page that replays the games of mjai
    lines (a list of str, or a text of lines): the table seen from above with
    every hand open, stepped line by line (the arrow keys and a slider) or
    kyoku by kyoku, each win's yaku, han, fu, points and deltas as the rules
    score them, and check's findings marked where they happen. The page needs
    no network; opened as page.html#line=N it starts at line N, and
    window.paiscribe.state() gives the table it draws as plain JSON.

    The result is a str; in a notebook it shows inline.

    >>> page = paiscribe.view(paiscribe.convert_file("game.json"))
    >>> open("game.html", "w", encoding="utf-8").write(page)
    """
    return page_of(replay(lines), title)
