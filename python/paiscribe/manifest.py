"""The manifest of a run: one JSON line per game, in the order its source
gave them, with what became of it and what its record says of it, for
choosing the games to train on; and the list of games a rerun need not do.

It is written beside its path and put in place whole when the run ends,
also when Ctrl-C or a kill ends it: a rerun with the same manifest reads it
first, and the games it lists as converted, whose outputs are still there,
are skipped as "done" with their rows kept as they were. A game the run did
not get to keeps the row it had, if any.
"""

import json
import os
import stat
import tempfile
from collections import deque
from dataclasses import dataclass, field
from typing import Any, BinaryIO

from paiscribe.batch import Job, Outcome
from paiscribe.game_facts import ROOMS, GameFacts, date_of, log_id_in
from paiscribe.report import Failure, Skip


@dataclass
class _Row:
    """A row waiting for its turn: its line, or None while its game is worked on."""

    line: bytes | None = None


@dataclass(frozen=True)
class _Before:
    """A row of the manifest as the last run left it."""

    offset: int
    size: int
    converted: bool
    output: str


def _umask() -> int:
    mask = os.umask(0o022)
    os.umask(mask)
    return mask


def _is_file(path: str) -> bool:
    try:
        return stat.S_ISREG(os.stat(path).st_mode)
    except OSError:
        return False


def row_of(name: str, outcome: Outcome | None, output: str, facts: GameFacts | None, check: bool) -> dict[str, Any]:
    """The manifest's row of a game: converted when outcome is None."""
    log_id = log_id_in(os.path.basename(name))
    day = None if log_id is None else date_of(log_id)
    row: dict[str, Any] = {"id": name, "status": "converted", "reason": "", "output": output,
                           "date": None if day is None else day.isoformat()}
    if isinstance(outcome, Skip):
        row.update(status="skipped", reason=outcome.reason, output="")
    elif isinstance(outcome, Failure):
        row.update(status="failed", reason=f"{outcome.error_class}: {outcome.message}", output="",
                   detail=outcome.detail)
    if facts is not None:
        row.update(
            room=None if facts.room is None else ROOMS[facts.room], rule=facts.rule, lobby=facts.lobby,
            hanchan=facts.hanchan, standard_rules=facts.standard_rules, names=list(facts.names),
            grades=None if facts.grades is None else list(facts.grades),
            rates=None if facts.rates is None else list(facts.rates), scores=facts.scores(), places=facts.places(),
            kyokus=facts.kyokus, disconnections=facts.disconnections)
    if check:
        if outcome is None:
            row["check"] = "legal"
        elif isinstance(outcome, Failure) and outcome.error_class == "IllegalGameError":
            row["check"] = "illegal"
            row["findings"] = [str(finding) for finding in outcome.findings]
        else:
            row["check"] = None
    return row


@dataclass
class Manifest:
    """The manifest at `path`: the rows of the last run read first, the
    rows of this one written in order into a temporary file beside it as
    they settle, and the whole put in place by close()."""

    path: str
    check: bool = False
    _before: dict[str, _Before] = field(default_factory=dict)
    _old: BinaryIO | None = None
    _out: BinaryIO | None = None
    _temporary: str = ""
    _rows: deque[_Row] = field(default_factory=deque)
    _waiting: dict[int, tuple[_Row, Job]] = field(default_factory=dict)
    _written: set[str] = field(default_factory=set)

    @classmethod
    def open(cls, path: str, check: bool = False) -> "Manifest":
        """Reads the manifest at path, if there is one, and starts the new
        one beside it; OSError when either cannot be."""
        manifest = cls(os.fspath(path), check)
        try:
            manifest._old = open(manifest.path, "rb")
        except FileNotFoundError:
            pass
        try:
            if manifest._old is not None:
                manifest._read_before(manifest._old)
            folder = os.path.dirname(os.path.abspath(manifest.path))
            handle, manifest._temporary = tempfile.mkstemp(prefix="." + os.path.basename(manifest.path) + ".",
                                                           suffix=".tmp", dir=folder)
        except BaseException:
            manifest._close_old()
            raise
        os.fchmod(handle, 0o666 & ~_umask())
        manifest._out = os.fdopen(handle, "wb")
        return manifest

    def _read_before(self, old: BinaryIO) -> None:
        offset = 0
        for line in old:
            try:
                row = json.loads(line)
                name = row["id"]
            except (ValueError, TypeError, KeyError):
                row = None
            # A line that is no row (one cut short by a crash) is dropped.
            if isinstance(row, dict) and isinstance(name, str):
                self._before[name] = _Before(offset, len(line), row.get("status") == "converted",
                                             str(row.get("output") or ""))
            offset += len(line)

    def done(self, name: str, output: str) -> bool:
        """Whether the last run converted the game into the same output, which is still there."""
        before = self._before.get(name)
        return before is not None and before.converted and before.output == output and _is_file(output)

    def found(self, item: Job | Outcome, index: int | None) -> None:
        if isinstance(item, Job):
            entry = _Row()
            self._rows.append(entry)
            self._waiting[index if index is not None else -1] = (entry, item)
            return
        if isinstance(item, Skip) and item.reason == "done":
            self._rows.append(_Row(self._old_line(item.path)))
            self._written.add(item.path)
        elif isinstance(item, (Skip, Failure)):
            self._rows.append(_Row(self._line(row_of(item.path, item, item.output if isinstance(item, Skip) else "",
                                                     None, self.check))))
            self._written.add(item.path)
        self._flush()

    def settled(self, index: int, outcome: Outcome | None, facts: GameFacts | None) -> None:
        waiting = self._waiting.pop(index, None)
        if waiting is None:
            return
        entry, job = waiting
        entry.line = self._line(row_of(job.input, outcome, job.output, facts, self.check))
        self._written.add(job.input)
        self._flush()

    def _line(self, row: dict[str, Any]) -> bytes:
        return (json.dumps(row, ensure_ascii=False) + "\n").encode("utf-8", "backslashreplace")

    def _old_line(self, name: str) -> bytes:
        before = self._before[name]
        assert self._old is not None
        self._old.seek(before.offset)
        line = self._old.read(before.size)
        return line if line.endswith(b"\n") else line + b"\n"

    def _flush(self) -> None:
        assert self._out is not None
        while self._rows and self._rows[0].line is not None:
            self._out.write(self._rows.popleft().line)  # type: ignore[arg-type]

    def close(self) -> None:
        """Puts the manifest in place: this run's rows, those of games it
        did not get to left out, then the last run's rows of games this run
        did not list."""
        out = self._out
        if out is None:
            return
        try:
            for entry in self._rows:
                if entry.line is not None:
                    out.write(entry.line)
            for name in self._before:
                if name not in self._written:
                    out.write(self._old_line(name))
            out.flush()
            os.fsync(out.fileno())
        except BaseException:
            self.discard()
            raise
        out.close()
        self._out = None
        os.replace(self._temporary, self.path)
        self._close_old()

    def discard(self) -> None:
        """Leaves the manifest as it was."""
        if self._out is not None:
            self._out.close()
            self._out = None
            try:
                os.unlink(self._temporary)
            except OSError:
                pass
        self._close_old()

    def _close_old(self) -> None:
        if self._old is not None:
            self._old.close()
            self._old = None
