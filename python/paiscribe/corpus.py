"""Converting many logs at once: paiscribe.convert_files, and
paiscribe.convert_records for records held in memory.

The plan names each record's output, settles clashes and leaves out what is
done; walk.py finds the records (database.py the rows of a database) and
batch.py converts them.
"""

import itertools
import os
import stat
from collections.abc import Callable, Iterable, Iterator, Sequence
from dataclasses import dataclass
from typing import Any, Literal

from paiscribe.batch import Batch, Convert, Job, Outcome, check_arguments
from paiscribe.database import database_records
from paiscribe.game_facts import GameChoice, log_id_in
from paiscribe.manifest import Manifest
from paiscribe.report import Failure, Ignored, Progress, Report, Skip
from paiscribe.walk import Filters, PathLike, Record, gather, log_ending

# What to do with two inputs for one output; see convert_files.
CLASH_POLICIES: tuple[str, ...] = ("skip", "full-name", "refuse")
# Where outputs go: as their inputs lie, or in a folder per day of the log id.
LAYOUTS: tuple[str, ...] = ("flat", "date")

MJAI_ENDING = ".mjson"
GZIP_ENDING = ".gz"


def output_name(name: str, gzip: bool = False, full_name: bool = False) -> str:
    """The output file name for an input file name: its log ending replaced by
    .mjson, or with full_name kept before it.

    >>> output_name("2019-game.JSON.gz"), output_name("game.json", gzip=True), output_name("game.xml", full_name=True)
    ('2019-game.mjson', 'game.mjson.gz', 'game.xml.mjson')
    """
    ending = None if full_name else log_ending(name)
    stem = name[: -len(ending)] if ending else name
    return stem + MJAI_ENDING + (GZIP_ENDING if gzip else "")


def _is_done(job: Job) -> bool:
    """Whether the job's output is a regular file no older than its input."""
    try:
        output = os.stat(job.output)
        if not stat.S_ISREG(output.st_mode):
            return False
        return job.data is not None or output.st_mtime_ns >= os.stat(job.input).st_mtime_ns
    except OSError:
        return False


def _identity(path: str) -> tuple[int, int] | None:
    """The device and inode of what path names, after links; None when
    nothing is there."""
    try:
        found = os.stat(path)
    except (OSError, ValueError):
        return None
    return found.st_dev, found.st_ino


def plan(
    found: Iterable[Record | Ignored | Failure | Skip],
    output_dir: str,
    gzip: bool = False,
    *,
    skip_existing: bool = False,
    clash: Literal["skip", "full-name", "refuse"] = "skip",
    root: PathLike | None = None,
    layout: Literal["flat", "date"] = "flat",
    choice: GameChoice = GameChoice(),
    manifest: Manifest | None = None,
) -> Iterator[Job | Outcome]:
    """A job for each record, in the order found, and an outcome for each
    other thing found and for each record left out. A record whose output is
    one of the files given (the same file, after links) fails: no output may
    replace an input. Raises ValueError when clash is "refuse" and two
    records map to one output, once all are seen and before anything is
    written."""
    root_text = None if root is None else os.fspath(root)
    root_path = None if root_text is None else os.path.abspath(root_text)
    full_name = clash == "full-name"
    first_input: dict[str, str] = {}
    clashes: list[str] = []

    def folder_of(record: Record) -> str | Failure:
        """The folder of the record's output below output_dir: YYYY/MM/DD of
        its log id with the date layout, else its layout where it was found,
        or with root its path below the root."""
        if layout == "date":
            log_id = log_id_in(os.path.basename(record.relative))
            if log_id is None:
                return Failure(record.name, "ValueError", "no log id in its name to take a date from")
            return os.path.join(log_id[:4], log_id[4:6], log_id[6:8])
        if record.data is not None:
            if os.path.isabs(record.relative) or os.pardir in record.relative.split(os.sep):
                return Failure(record.name, "ValueError", "its name leads outside the output folder")
            return os.path.dirname(record.relative)
        if root_path is None:
            return os.path.dirname(record.relative)
        relative = os.path.relpath(os.path.abspath(record.name), root_path)
        if relative == os.pardir or relative.startswith(os.pardir + os.sep):
            return Failure(record.name, "ValueError", f"outside the root folder {root_text}")
        return os.path.dirname(relative)

    inputs: dict[tuple[int, int], str] = {}  # the files given, by identity

    def known(items: Iterable[Record | Outcome]) -> Iterator[Record | Outcome]:
        for item in items:
            if isinstance(item, Record) and item.data is None and (identity := _identity(item.name)) is not None:
                inputs.setdefault(identity, item.name)
            yield item

    # The files given are all known before the first output is named, up to
    # the first record held in memory: a source of those (a database) is
    # taken as the work goes.
    rest = iter(found)
    head: list[Record | Outcome] = []
    for item in rest:
        head.append(item)
        if isinstance(item, Record) and item.data is not None:
            break
    for record in itertools.chain(list(known(head)), known(rest)):
        if not isinstance(record, Record):
            yield record
            continue
        folder = folder_of(record)
        if isinstance(folder, Failure):
            yield folder
            continue
        output = os.path.normpath(os.path.join(
            output_dir, folder, output_name(os.path.basename(record.relative), gzip, full_name)))
        key = os.path.abspath(output)
        if (other := first_input.get(key)) is not None:
            if clash == "refuse":
                clashes.append(f"{other} and {record.name} both map to {output}")
            else:
                yield Skip(record.name, "clash", output, other)
            continue
        first_input[key] = record.name
        job = Job(record.name, output, record.data)
        if (replaced := inputs.get(identity) if (identity := _identity(output)) is not None else None) is not None:
            yield Failure(record.name, "ValueError", "its output would replace an input", f"{output} is {replaced}")
        elif not choice.dated(os.path.basename(record.relative)):
            yield Skip(record.name, "date", output)
        elif manifest is not None and manifest.done(record.name, output):
            yield Skip(record.name, "done", output)
        else:
            yield Skip(record.name, "exists", output) if skip_existing and _is_done(job) else job
    if clashes:
        more = f" (and {len(clashes) - 3} more)" if len(clashes) > 3 else ""
        raise ValueError("two inputs map to one output: " + "; ".join(clashes[:3]) + more)


def make_output_folder(output_dir: str) -> None:
    """The output folder and the folders above it that are missing, or
    OSError naming it. The folders below it are the native batch's to make,
    as it opens them without following a link. Without recursion: a path
    may be deeper than the interpreter's stack."""
    missing = []
    path = output_dir
    while path and not os.path.isdir(path):
        missing.append(path)
        parent = os.path.dirname(path)
        if parent == path:
            break
        path = parent
    try:
        for folder in reversed(missing):
            try:
                os.mkdir(folder)
            except FileExistsError:
                if not os.path.isdir(folder):
                    raise
    except OSError as error:
        raise type(error)(error.errno, f"cannot create output directory {output_dir}: {error.strerror}") from None


def check_clash(clash: str) -> None:
    if clash not in CLASH_POLICIES:
        raise ValueError(f"clash must be one of {', '.join(map(repr, CLASH_POLICIES))}, not {clash!r}")


def prepare(
    inputs: Iterable[PathLike | Record],
    output_dir: str,
    gzip: bool = False,
    *,
    skip_existing: bool = False,
    clash: Literal["skip", "full-name", "refuse"] = "skip",
    follow_symlinks: bool = False,
    filters: Filters = Filters(),
    root: PathLike | None = None,
    layout: Literal["flat", "date"] = "flat",
    choice: GameChoice = GameChoice(),
    manifest: Manifest | None = None,
) -> Iterable[Job | Outcome]:
    """The plan of the inputs, to be taken as the work goes; with clash
    "refuse" the whole plan, so that a clash stops the run before any work.
    ValueError for a refused clash, OSError when output_dir cannot be made,
    both before anything is converted."""
    output_dir = os.path.normpath(output_dir)
    found = gather(inputs, filters, follow_symlinks, database_records)
    planned: Iterable[Job | Outcome] = plan(found, output_dir, gzip, skip_existing=skip_existing, clash=clash,
                                            root=root, layout=layout, choice=choice, manifest=manifest)
    if clash == "refuse":
        planned = list(planned)
    make_output_folder(output_dir)
    return planned


def check_options(clash: str, layout: str, choice: GameChoice | None) -> GameChoice:
    """The choice of games; ValueError or TypeError for options that cannot be."""
    check_clash(clash)
    if layout not in LAYOUTS:
        raise ValueError(f"layout must be one of {', '.join(map(repr, LAYOUTS))}, not {layout!r}")
    if choice is None:
        return GameChoice()
    if not isinstance(choice, GameChoice):
        raise TypeError(f"choice must be a paiscribe.GameChoice or None, not {type(choice).__name__}")
    return choice


@dataclass
class Plan:
    """A run planned: its source, taken as the work goes, the work, and the
    manifest, put in place when the run ends however it ends."""

    source: Iterable[Job | Outcome]
    work: Convert
    manifest: Manifest | None

    def run(self, batch: Batch, workers: int, progress: Callable[[Progress], object] | None) -> Report:
        batch.ledger = self.manifest
        try:
            return batch.run(self.work, workers, progress, self.source)
        finally:
            if self.manifest is not None:
                self.manifest.close()


def make_plan(
    inputs: Iterable[PathLike | Record],
    output_dir: PathLike,
    *,
    gzip: bool,
    check: bool,
    manifest: PathLike | None,
    choice: GameChoice,
    **planning: Any,
) -> Plan:
    """The plan of a conversion, with its manifest read; ValueError or
    OSError for what stops it before any work (see prepare), and OSError
    when the manifest cannot be read or made."""
    ledger = None if manifest is None else Manifest.open(os.fspath(manifest), check)
    try:
        source = prepare(inputs, os.fspath(output_dir), gzip, choice=choice, manifest=ledger, **planning)
    except BaseException:
        if ledger is not None:
            ledger.discard()
        raise
    return Plan(source, Convert(os.path.normpath(os.fspath(output_dir)), gzip, check, ledger is not None, choice), ledger)


def convert_files(
    inputs: Iterable[PathLike] | PathLike,
    output_dir: PathLike,
    *,
    workers: int | None = None,
    gzip: bool = False,
    skip_existing: bool = False,
    progress: Callable[[Progress], object] | None = None,
    clash: Literal["skip", "full-name", "refuse"] = "skip",
    follow_symlinks: bool = False,
    include: Sequence[str] = (),
    exclude: Sequence[str] = (),
    root: PathLike | None = None,
    check: bool = False,
    layout: Literal["flat", "date"] = "flat",
    manifest: PathLike | None = None,
    choice: GameChoice | None = None,
) -> Report:
    """Converts each input log into one mjai file in output_dir and reports how
    it went; a failing log is reported, never raised.

    inputs are Tenhou game records, JSON logs or XML records, plain or
    gzip- or bz2-compressed (known by their first bytes), folders, walked
    for files ending in .json, .json.gz, .mjlog, .xml or .xml.gz (in any
    case) with their layout kept, and the SQLite databases of the public
    downloaders (known by their first bytes; given by name, as a folder walk
    takes none), each row a game named by its log id. Each output is named
    after its input with that ending replaced by .mjson (.mjson.gz with
    gzip=True), or with clash="full-name" added to the whole name, and
    appears complete or not at all; layout="date" puts each in a folder
    YYYY/MM/DD of the day in its log id. Only regular files are read and
    written: a FIFO fails at once. No output replaces an input: a log whose
    output is one of the inputs (after links) fails. Below output_dir no link
    is followed: the folders an output goes into are made as needed, and a
    log whose output, or a folder on its way, is a link fails.

    Two inputs with one output: the first in walk order converts and the
    other is skipped (clash="skip"), or the run is refused (clash="refuse").
    skip_existing leaves out inputs whose output exists and is not older, so
    a stopped run can be resumed. A folder walk takes each file with a log
    ending, or with include globs each file that matches one, leaves out
    whatever matches an exclude glob, and follows links to folders only with
    follow_symlinks; every other file is counted as ignored, with its reason.
    With root, every output keeps its input's path below root. With check,
    each log's lines are checked under the rules Tenhou plays before its
    output is written, and a game that breaks them fails as IllegalGameError
    with its findings (see paiscribe.check).

    Games that are no work to do are skipped, each with its reason, and are
    no failure: three-player games, a database's rows without a record, and
    the games that choice (a paiscribe.GameChoice) leaves out. With
    manifest, a JSON line per game is written to that file at the end (also
    when the run is stopped): its id, status, reason, output, date, room,
    rule, players' names, grades and rates, final scores and places and
    kyoku count; a rerun with the same manifest skips the games it lists as
    converted whose outputs are still there ("done"), and does the rest.

    The work runs on `workers` native threads (default: the CPUs available)
    without the interpreter lock, holding one log per worker, and takes the
    inputs as it goes, so a database's records are held a few at a time.
    progress(Progress) is called from this thread every 0.1 s and once at
    the end; KeyboardInterrupt, or an exception from progress, stops the
    workers after the log each holds and is raised again.

    TypeError or ValueError for an argument that cannot be, ValueError for a
    refused clash, and OSError when output_dir or the manifest cannot be
    made: all before any log is converted.

    >>> report = convert_files(["logs/", "extra.json.gz"], "out", gzip=True)
    >>> report.converted, report.failed, report.failures[:1]
    (1001, 1, (Failure(path='logs/bad.json', error_class='JsonParsingError', ...),))
    >>> print(convert_files(["2024.db"], "out", layout="date", choice=GameChoice(room="phoenix")))
    converted 1990 of 2000 logs (0 failed, 6 three-player, 4 not downloaded) in 3.10 s
    """
    count = check_arguments(workers, progress)
    chosen = check_options(clash, layout, choice)
    filters = Filters.of(include, exclude)
    if isinstance(inputs, (str, os.PathLike)):
        inputs = [inputs]
    return make_plan(inputs, output_dir, gzip=gzip, check=check, manifest=manifest, choice=chosen,
                     skip_existing=skip_existing, clash=clash, follow_symlinks=follow_symlinks, filters=filters,
                     root=root, layout=layout).run(Batch(), count, progress)


def _records_of(records: Iterable[tuple[str, bytes]]) -> Iterator[Record]:
    for number, item in enumerate(records):
        try:
            name, data = item
        except (TypeError, ValueError):
            raise TypeError(f"record {number} must be a (name, bytes) pair, not {type(item).__name__}") from None
        if not isinstance(name, str) or not isinstance(data, (bytes, bytearray, memoryview)):
            raise TypeError(f"record {number} must be a (str, bytes) pair, not ({type(name).__name__}, "
                            f"{type(data).__name__})")
        yield Record(name, name, bytes(data))


def convert_records(
    records: Iterable[tuple[str, bytes]],
    output_dir: PathLike,
    *,
    workers: int | None = None,
    gzip: bool = False,
    skip_existing: bool = False,
    progress: Callable[[Progress], object] | None = None,
    clash: Literal["skip", "full-name", "refuse"] = "skip",
    check: bool = False,
    layout: Literal["flat", "date"] = "flat",
    manifest: PathLike | None = None,
    choice: GameChoice | None = None,
) -> Report:
    """convert_files for records held in memory: each (name, bytes) pair of
    records, taken as the workers need them (a generator over a store of any
    size holds a few at a time), is a Tenhou record, plain or gzip- or
    bz2-compressed, whose output is named after it (a log id, usually) as
    convert_files names a file's; a name may hold folders, but none that
    lead outside output_dir. Everything else is as convert_files does it:
    threads, atomic outputs, gzip, check, skips, layout, manifest, choice,
    progress and the report. TypeError for an item that is no such pair,
    raised as it is reached, after the records before it were converted.

    >>> rows = ((log_id, blob) for log_id, blob in my_store.items())
    >>> print(convert_records(rows, "out", gzip=True, layout="date", manifest="out/manifest.jsonl"))
    converted 2000 of 2000 logs (0 failed) in 3.02 s
    """
    count = check_arguments(workers, progress)
    chosen = check_options(clash, layout, choice)
    return make_plan(_records_of(records), output_dir, gzip=gzip, check=check, manifest=manifest, choice=chosen,
                     skip_existing=skip_existing, clash=clash, layout=layout).run(Batch(), count, progress)
