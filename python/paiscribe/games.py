"""Games as a viewer shows them: the mjai lines of any game file, and the
table at each line as the native table replay builds it, with each game's
findings and scored wins from the rules replay. Nothing here rebuilds a
table: it only cuts the states into games and kyokus."""

import os
import re
from collections.abc import Iterable
from dataclasses import dataclass
from typing import TYPE_CHECKING, Any

from paiscribe import _native
from paiscribe.report import Finding

if TYPE_CHECKING:
    from _typeshed import ReadableBuffer

# One line's table, as _native.replay_table makes it: "line", "kyoku"
# ("East 3" or None), "hands", "melds", "rivers", "scores", "dora_markers",
# and what a viewer draws besides ("event", "actor", "honba", "deposits",
# "oya", "bakaze", "drawn", "riichi", "ura_markers").
State = dict[str, Any]

WIND_LETTERS = {"East": "E", "South": "S", "West": "W", "North": "N"}


@dataclass(frozen=True)
class Kyoku:
    """One kyoku's lines: from its start_kyoku to its end_kyoku (to its last
    line when the end is missing)."""

    name: str  # "East 3", as findings name it
    honba: int
    first_line: int
    last_line: int

    @property
    def label(self) -> str:
        """"E3", or "E3-1" with one honba."""
        wind, number = self.name.split()
        short = WIND_LETTERS.get(wind, wind[:1]) + number
        return f"{short}-{self.honba}" if self.honba else short


@dataclass(frozen=True)
class Game:
    """One game among a text's lines: the table at each of its lines, its
    kyokus, and what the rules replay found and scored in it. Lines are
    counted among all the lines of the text, as findings count them."""

    source: str
    number: int  # 1 for the first game of its lines
    names: list[str]
    states: list[State]
    kyokus: list[Kyoku]
    findings: list[Finding]
    wins: list[dict[str, Any]]

    @property
    def first_line(self) -> int:
        return int(self.states[0]["line"])

    @property
    def last_line(self) -> int:
        return int(self.states[-1]["line"])

    def state_at(self, line: int) -> State:
        return self.states[line - self.first_line]


def _kyokus(states: list[State]) -> list[Kyoku]:
    kyokus: list[Kyoku] = []
    start: State | None = None

    def close(last_line: int) -> None:
        if start is not None and start["kyoku"] is not None:
            kyokus.append(Kyoku(start["kyoku"], start["honba"], start["line"], last_line))

    for state in states:
        if state["event"] == "start_kyoku":
            close(state["line"] - 1)
            start = state
        elif state["event"] in ("end_kyoku", "end_game") and start is not None:
            close(state["line"] if state["event"] == "end_kyoku" else state["line"] - 1)
            start = None
    if start is not None:
        close(states[-1]["line"])
    return kyokus


def replay(lines: "str | ReadableBuffer | Iterable[str]", source: str = "lines") -> list[Game]:
    """The games of mjai lines (an iterable of str, or a text of lines), one
    after another as check splits them."""
    states, games = _native.replay_table(lines)
    result = []
    for number, game in enumerate(games, 1):
        first = game["first_line"] - 1
        own = states[first:first + game["lines"]]
        if own:
            result.append(Game(source, number, game["names"], own, _kyokus(own),
                               [Finding(*finding) for finding in game["findings"]], game["wins"]))
    return result


def read_games(path: "str | os.PathLike[str]") -> list[Game]:
    """The games of a game file: mjai lines, or a Tenhou JSON log or XML record
    converted first; plain or gzip-compressed. "-" is standard input."""
    name = os.fspath(path)
    return replay(_native.game_lines("/dev/stdin" if name == "-" else path), name)


_KYOKU_PATTERN = re.compile(r"^(?P<wind>[eswn]|east|south|west|north)\s*(?P<number>[1-4])(?:-(?P<honba>\d+))?$",
                            re.IGNORECASE)


def parse_kyoku(text: str) -> tuple[str, int | None]:
    """("East 3", None) for "E3" or "east 3"; ("East 3", 1) for "E3-1", the
    kyoku with one honba. ValueError for anything else."""
    match = _KYOKU_PATTERN.match(text.strip())
    if match is None:
        raise ValueError(f"{text!r} names no kyoku: give it as E3, S1, or E3-1 for East 3 with 1 honba")
    letter = match["wind"][0].upper()
    wind = next(name for name, short in WIND_LETTERS.items() if short == letter)
    honba = match["honba"]
    return f"{wind} {match['number']}", None if honba is None else int(honba)
