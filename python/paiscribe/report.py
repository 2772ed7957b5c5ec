"""What paiscribe.convert_files and paiscribe.check_files return and pass to
their progress callbacks, and what paiscribe.check finds."""

from collections.abc import Iterable
from dataclasses import dataclass

from paiscribe import _native


@dataclass(frozen=True)
class Finding:
    """One thing wrong with a game of mjai lines: the line (1-based, among all
    the lines checked), the kyoku ("East 3"; None before the first), the seat
    (0-3; None when no one seat is at fault) and what is wrong, a sentence.

    >>> print(finding)
    line 412, East 3, seat 2: hora deltas [-3900, 3900, 0, 0], but the hand scores 30 fu 3 han = 3,900 + 300 honba
    """

    line: int
    kyoku: str | None
    seat: int | None
    message: str

    def __str__(self) -> str:
        return _native.finding_text(self.line, self.kyoku, self.seat, self.message)


@dataclass(frozen=True)
class Failure:
    """One log that did not convert: the exception class name and message that
    tenhou_to_mjai raises for it, and the detail that goes with them ("" when
    there is none). A folder that cannot be read is a failure too. A game
    that breaks the rules (error_class "IllegalGameError", from check_files or
    convert_files(check=True)) has its findings here, the first in detail."""

    path: str
    error_class: str
    message: str
    detail: str = ""
    findings: tuple[Finding, ...] = ()

    def __str__(self) -> str:
        """The line the command prints: "PATH: message (detail)"."""
        text = f"{self.path}: {self.message}"
        return f"{text} ({self.detail})" if self.detail else text


# Why a game is left out, other than for its output: the key, then the
# words that follow a count of them in a summary.
SKIP_REASONS: dict[str, str] = {
    "three-player": "three-player",
    "not-downloaded": "not downloaded",
    "download-failed": "failed to download",
    "date": "outside the dates",
    "room": "of another room",
    "length": "of another length",
    "rules": "under other rules",
    "disconnected": "with a disconnection",
    "done": "converted before",
}


@dataclass(frozen=True)
class Skip:
    """A log left out, and why. `reason` is "exists" (with skip_existing,
    its output is there and not older than it), "clash" (a log before it in
    walk order has the same output, and `other` names that log), or one of
    the keys of SKIP_REASONS: a game that is no four-player game, a row of a
    database without a record, a game a filter leaves out, or one the
    manifest lists as converted before."""

    path: str
    reason: str
    output: str
    other: str = ""

    def __str__(self) -> str:
        if self.reason == "clash":
            return f"{self.path}: skipped: {self.other} has the same output {self.output}"
        if self.reason == "exists":
            return f"{self.path}: skipped: {self.output} exists"
        return f"{self.path}: skipped, {SKIP_REASONS[self.reason]}"


# Why a file found in a folder is no log to convert: the key, then the words
# that follow "N files" in a summary.
IGNORED_REASONS: dict[str, str] = {
    "no-log-ending": "without a log ending",
    "not-included": "matching no include pattern",
    "excluded": "matching an exclude pattern",
    "not-regular": "of another kind (a FIFO, socket or device)",
    "folder-link": "linking to a folder",
    "loop": "linking back to a folder above",
}


@dataclass(frozen=True)
class Ignored:
    """A file found while walking a folder that is no log to convert, and
    why: one of the keys of IGNORED_REASONS."""

    path: str
    reason: str

    def __str__(self) -> str:
        return f"{self.path}: ignored, {IGNORED_REASONS[self.reason]}"


def _by_reason(reasons: Iterable[str]) -> dict[str, int]:
    counts: dict[str, int] = {}
    for reason in reasons:
        counts[reason] = counts.get(reason, 0) + 1
    return dict(sorted(counts.items(), key=lambda item: -item[1]))


def _counted(count: int, one: str, many: str) -> str:
    return f"{count} {one if count == 1 else many}"


@dataclass(frozen=True)
class Report:
    """The outcome of a convert_files run: every input and every file found
    in its folders is converted, failed, skipped or ignored.

    >>> report = convert_files(["logs"], "out")
    >>> print(report)
    converted 998 of 1001 logs (2 failed, 1 skipped as a clash) in 0.41 s; ignored 3 files without a log ending
    >>> [failure.path for failure in report.failures]
    ['logs/broken.json', 'logs/three_player.json']
    """

    converted: int
    failed: int
    skipped: int  # as existing (skip_existing)
    failures: tuple[Failure, ...]
    elapsed: float  # seconds
    clashed: int = 0  # skipped as a clash
    ignored: int = 0
    skips: tuple[Skip, ...] = ()
    ignores: tuple[Ignored, ...] = ()
    untried: int = 0  # left when the run was stopped
    left_out: int = 0  # skipped for one of SKIP_REASONS

    @property
    def total(self) -> int:
        """The logs: converted, failed, skipped, or not tried yet when the run
        was stopped."""
        return self.converted + self.failed + self.skipped + self.clashed + self.untried + self.left_out

    def skipped_by_reason(self) -> dict[str, int]:
        """How many logs were left out for each of SKIP_REASONS, most first."""
        return _by_reason(skip.reason for skip in self.skips if skip.reason in SKIP_REASONS)

    def ignored_by_reason(self) -> dict[str, int]:
        """How many files were ignored for each reason, most first."""
        return _by_reason(ignored.reason for ignored in self.ignores)

    def __str__(self) -> str:
        notes = [f"{self.failed} failed"]
        if self.skipped:
            notes.append(f"{self.skipped} skipped as existing")
        if self.clashed:
            notes.append(_counted(self.clashed, "skipped as a clash", "skipped as clashes"))
        notes.extend(f"{count} {SKIP_REASONS[reason]}" for reason, count in self.skipped_by_reason().items())
        if self.untried:
            notes.append(f"{self.untried} not tried")
        text = f"converted {self.converted} of {self.total} logs ({', '.join(notes)}) in {self.elapsed:.2f} s"
        if not self.ignored:
            return text
        reasons = self.ignored_by_reason()
        if len(reasons) == 1:
            return f"{text}; ignored {_counted(self.ignored, 'file', 'files')} {IGNORED_REASONS[next(iter(reasons))]}"
        parts = ", ".join(f"{count} {IGNORED_REASONS[reason]}" for reason, count in reasons.items())
        return f"{text}; ignored {self.ignored} files: {parts}"


@dataclass(frozen=True)
class CheckReport:
    """The outcome of a check_files run: every file of mjai lines is legal
    (every game in it), illegal, failed to be read, or ignored.

    >>> print(check_files(["out/"]))
    checked 1000 files: 998 legal, 1 illegal, 1 failed in 0.35 s
    """

    legal: int
    failures: tuple[Failure, ...]  # the illegal files, with their findings, and those that failed
    elapsed: float  # seconds
    ignores: tuple[Ignored, ...] = ()
    untried: int = 0  # left when the run was stopped

    @property
    def illegal(self) -> int:
        return sum(failure.error_class == "IllegalGameError" for failure in self.failures)

    @property
    def failed(self) -> int:
        """The files that could not be checked: unreadable, or not gzip."""
        return len(self.failures) - self.illegal

    @property
    def total(self) -> int:
        return self.legal + len(self.failures) + self.untried

    def __str__(self) -> str:
        text = (f"checked {_counted(self.total, 'file', 'files')}: {self.legal} legal, {self.illegal} illegal, "
                f"{self.failed} failed")
        if self.untried:
            text += f", {self.untried} not tried"
        text += f" in {self.elapsed:.2f} s"
        if self.ignores:
            text += f"; ignored {_counted(len(self.ignores), 'file', 'files')}"
        return text


@dataclass(frozen=True)
class Progress:
    """Counts while convert_files or check_files runs (`converted` counts the
    files found legal); `total` counts every log, skipped ones too."""

    converted: int
    failed: int
    skipped: int
    total: int
    clashed: int = 0

    @property
    def done(self) -> int:
        return self.converted + self.failed + self.skipped + self.clashed
