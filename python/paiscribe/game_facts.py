"""What a run knows of each game beyond its lines: the log id in its name,
the facts its record holds (room, rules, players, result), and the choice
of games to convert that training asks for."""

import datetime
import re
from dataclasses import dataclass
from typing import NamedTuple

# Tenhou's rooms, as a game's type numbers them.
ROOMS: tuple[str, ...] = ("general", "upper", "superior", "phoenix")
LENGTHS: tuple[str, ...] = ("hanchan", "east")

# A log id: the hour the game began (Japan's time), "gm", the four hex
# digits of its type, the lobby and a key: "2024011523gm-00a9-0000-1c2d3e4f".
LOG_ID = re.compile(r"(\d{4})(\d{2})(\d{2})(\d{2})gm-([0-9a-f]{4})-(\d{4})-([0-9a-f]{8})")


def log_id_in(name: str) -> str | None:
    """The log id a name starts with, or None."""
    found = LOG_ID.match(name)
    return None if found is None else found.group(0)


def date_of(log_id: str) -> datetime.date | None:
    """The day of a log id, or None when it names no day."""
    found = LOG_ID.match(log_id)
    if found is None:
        return None
    try:
        return datetime.date(int(found.group(1)), int(found.group(2)), int(found.group(3)))
    except ValueError:
        return None


class GameFacts(NamedTuple):
    """What a game's record says of it, as the worker that converted it
    read it; None where the record has nothing to say (a JSON log holds no
    ranks, ratings or final scores)."""

    rule: str  # the rule's name, "四鳳南喰赤"
    game_type: int | None
    lobby: int | None
    names: tuple[str, str, str, str]
    grades: tuple[str, str, str, str] | None  # "七段"
    rates: tuple[float, float, float, float] | None
    final_scores: tuple[float, ...]  # each seat's score in hundreds, then its result; as "owari" lists them
    kyokus: int
    disconnections: int
    room: int | None  # an index into ROOMS
    hanchan: bool | None
    standard_rules: bool

    def scores(self) -> list[int] | None:
        """The final points of each seat."""
        if len(self.final_scores) < 8:
            return None
        return [round(self.final_scores[2 * seat] * 100) for seat in range(4)]

    def places(self) -> list[int] | None:
        """Each seat's place, 1 to 4: by points, a tie to the seat nearer the first dealer."""
        scores = self.scores()
        if scores is None:
            return None
        order = sorted(range(4), key=lambda seat: (-scores[seat], seat))
        return [order.index(seat) + 1 for seat in range(4)]


@dataclass(frozen=True)
class GameChoice:
    """Which games a run converts; the others are skipped, each with its
    reason. room is one of ROOMS, length one of LENGTHS; standard_rules
    leaves out lobby games with rules of their own (other starting points,
    another first dealer, no red fives or open tanyao, a lobby's rule bits);
    connected leaves out games in which a player left the table; since and
    until bound the day in the log id (both days included), and a game
    whose name holds no log id is left out when either is given."""

    room: str | None = None
    length: str | None = None
    standard_rules: bool = False
    connected: bool = False
    since: datetime.date | None = None
    until: datetime.date | None = None

    def __post_init__(self) -> None:
        if self.room is not None and self.room not in ROOMS:
            raise ValueError(f"room must be one of {', '.join(ROOMS)}, not {self.room!r}")
        if self.length is not None and self.length not in LENGTHS:
            raise ValueError(f"length must be one of {', '.join(LENGTHS)}, not {self.length!r}")
        for name in ("since", "until"):
            value = getattr(self, name)
            if value is not None and not isinstance(value, datetime.date):
                raise TypeError(f"{name} must be a datetime.date or None, not {type(value).__name__}")

    @property
    def reads_records(self) -> bool:
        """Whether the choice needs each game's record, not only its name."""
        return self.room is not None or self.length is not None or self.standard_rules or self.connected

    def native(self) -> tuple[int | None, bool | None, bool, bool]:
        """The filter as the native batch takes it."""
        room = None if self.room is None else ROOMS.index(self.room)
        hanchan = None if self.length is None else self.length == "hanchan"
        return room, hanchan, self.standard_rules, self.connected

    def dated(self, name: str) -> bool:
        """Whether the day of the log id the name starts with is in range."""
        if self.since is None and self.until is None:
            return True
        day = date_of(name)
        if day is None:
            return False
        return (self.since is None or day >= self.since) and (self.until is None or day <= self.until)
