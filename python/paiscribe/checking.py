"""Checking mjai lines under the rules Tenhou plays: paiscribe.check for lines
in memory and paiscribe.check_files for many files at once."""

import os
from collections.abc import Callable, Iterable, Sequence
from typing import TYPE_CHECKING

from paiscribe import _native
from paiscribe.batch import Batch, CheckFiles, Job, Outcome, check_arguments
from paiscribe.report import CheckReport, Failure, Finding, Progress
from paiscribe.walk import Filters, PathLike, Record, gather

if TYPE_CHECKING:
    from _typeshed import ReadableBuffer

# The name endings of files of mjai lines, matched without regard to case.
MJAI_ENDINGS: tuple[str, ...] = (".mjson.gz", ".mjson", ".json.gz", ".json")


def check(lines: "str | ReadableBuffer | Iterable[str]") -> list[Finding]:
    """The findings of mjai lines under the rules Tenhou plays: [] when every
    game is legal and its scores add up.

    lines is a list (or any iterable) of str, one line each, or a text of
    lines (str, bytes or any buffer) as a .mjson file holds them. One game or
    several one after another; each finding names its line (1-based) among
    all of them, and the kyoku and seat where there are such. A game keeps
    at most 100 findings and a check 1,000: a last finding then counts the
    rest. The starting points are the first kyoku's, and a game that starts
    elsewhere than 25,000 may keep or pass the deal after the dealer wins,
    as its lobby's rules say. The interpreter lock is released while the
    lines are checked.

    >>> lines = paiscribe.convert_file("game.json")
    >>> paiscribe.check(lines)
    []
    >>> paiscribe.check(open("edited.mjson").read())
    [Finding(line=37, kyoku='East 1', seat=2, message='dahai 5m, but the hand holds no 5m')]
    """
    return [Finding(*found) for found in _native.check(lines)]


def check_files(
    inputs: Iterable[PathLike] | PathLike,
    *,
    workers: int | None = None,
    progress: Callable[[Progress], object] | None = None,
    follow_symlinks: bool = False,
    include: Sequence[str] = (),
    exclude: Sequence[str] = (),
    on_failure: Callable[[Failure], object] | None = None,
) -> CheckReport:
    """Checks files of mjai lines as paiscribe.check checks lines, and reports
    how it went; a file that breaks the rules or cannot be read is reported,
    never raised.

    inputs are files, plain or gzip-compressed (known by their first bytes),
    and folders, walked for files ending in .mjson, .mjson.gz, .json or
    .json.gz (in any case); include, exclude and follow_symlinks walk them as
    convert_files does. A file whose games break the rules fails as
    "IllegalGameError" with every finding; one that cannot be read fails as
    its OSError. The work runs on `workers` native threads (default: the CPUs
    available) without the interpreter lock; progress(Progress), with
    `converted` counting the legal files, is called every 0.1 s and at the
    end, and on_failure(Failure) for each failure as it comes.
    KeyboardInterrupt, or an exception from a callback, stops the workers
    after the file each holds and is raised again.

    >>> report = check_files(["out/"])
    >>> print(report)
    checked 1000 files: 999 legal, 1 illegal, 0 failed in 0.35 s
    >>> print(report.failures[0].findings[0])
    line 412, East 3, seat 2: hora deltas [-3900, 3900, 0, 0], but the hand scores 30 fu 3 han = 3,900 + 300 honba
    """
    count = check_arguments(workers, progress)
    filters = Filters.of(include, exclude, MJAI_ENDINGS)
    if isinstance(inputs, (str, os.PathLike)):
        inputs = [inputs]

    def on_outcome(outcome: Outcome) -> None:
        if on_failure is not None and isinstance(outcome, Failure):
            on_failure(outcome)

    batch = Batch(on_outcome)
    batch.take(Job(found.name, "") if isinstance(found, Record) else found
               for found in gather(inputs, filters, follow_symlinks))
    done = batch.run(CheckFiles(), count, progress)
    return CheckReport(done.converted, done.failures, done.elapsed, done.ignores, done.untried)
