"""Games as a viewer shows them: the mjai lines of any game file, and the
table at each line as the native table replay builds it, with each game's
kyokus, results, findings and scored wins. Nothing here rebuilds a table:
it only sorts what the replays give into games."""

import os
import re
from collections.abc import Container, Iterable
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
    """One game among a text's lines: its kyokus, each win and draw with what
    it changed, what the rules replay found and scored, and the table at the
    lines asked for (every line unless fewer were). Lines are counted among
    all the lines of the text, as findings count them."""

    source: str
    number: int  # 1 for the first game of its lines
    first_line: int
    last_line: int
    names: list[str]
    kyokus: list[Kyoku]
    results: list[dict[str, Any]]  # "line", "event" (hora, ryukyoku), "actor", "deltas" as the table changed
    findings: list[Finding]
    wins: list[dict[str, Any]]  # the hands as the rules score them
    states: dict[int, State]

    def state_at(self, line: int) -> State:
        return self.states[line]


def replay(lines: "str | ReadableBuffer | Iterable[str]", source: str = "lines",
           wanted: Container[int] | None = None) -> list[Game]:
    """The games of mjai lines (an iterable of str, or a text of lines), one
    after another as check splits them, with the table at every line, or at
    the lines `wanted` contains."""
    states, games = _native.replay_table(lines, wanted)
    by_line = {state["line"]: state for state in states}
    result = []
    for number, game in enumerate(games, 1):
        first, last = game["first_line"], game["first_line"] + game["lines"] - 1
        kyokus = [Kyoku(kyoku["name"], kyoku["honba"], kyoku["first_line"], kyoku["last_line"])
                  for kyoku in game["kyokus"]]
        result.append(Game(source, number, first, last, game["names"], kyokus, game["results"],
                           [Finding(*finding) for finding in game["findings"]], game["wins"],
                           {line: by_line[line] for line in range(first, last + 1) if line in by_line}))
    return result


def read_lines(path: "str | os.PathLike[str]") -> list[str]:
    """The mjai lines of a game file: mjai lines as they are, or a Tenhou JSON
    log or XML record converted first; plain or gzip-compressed. "-" is
    standard input."""
    return _native.game_lines("/dev/stdin" if os.fspath(path) == "-" else path)


def read_games(path: "str | os.PathLike[str]", wanted: Container[int] | None = None) -> list[Game]:
    """The games of a game file (see read_lines), with the table at every
    line or at the lines `wanted` contains."""
    return replay(read_lines(path), os.fspath(path), wanted)


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
