"""Converting many logs at once: paiscribe.convert_files.

The plan names each record's output, settles clashes and leaves out what is
done; walk.py finds the records and batch.py converts them.
"""

import os
import stat
from collections.abc import Callable, Iterable, Iterator, Sequence
from typing import Literal

from paiscribe.batch import Batch, Convert, Job, Outcome, check_arguments
from paiscribe.report import Failure, Ignored, Progress, Report, Skip
from paiscribe.walk import Filters, PathLike, Record, gather, log_ending

# What to do with two inputs for one output; see convert_files.
CLASH_POLICIES: tuple[str, ...] = ("skip", "full-name", "refuse")

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
    """Whether the job's output is a regular file (not a link) no older than
    its input."""
    try:
        output = os.stat(job.output, follow_symlinks=False)
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
    found: Iterable[Record | Ignored | Failure],
    output_dir: str,
    gzip: bool = False,
    *,
    skip_existing: bool = False,
    clash: Literal["skip", "full-name", "refuse"] = "skip",
    root: PathLike | None = None,
) -> Iterator[Job | Outcome]:
    """A job for each record, in the order found, and an outcome for each
    other thing found and for each record left out. A record whose output is
    one of the records (the same file, after links) fails: no output may
    replace an input. Raises ValueError when clash is "refuse" and two
    records map to one output, once all are seen and before anything is
    written."""
    root_text = None if root is None else os.fspath(root)
    root_path = None if root_text is None else os.path.abspath(root_text)
    full_name = clash == "full-name"
    first_input: dict[str, str] = {}
    clashes: list[str] = []

    def folder_of(record: Record) -> str | Failure:
        """The folder of the record's output below output_dir: its layout
        where it was found, or with root its path below the root."""
        if root_path is None or record.data is not None:
            return os.path.dirname(record.relative)
        relative = os.path.relpath(os.path.abspath(record.name), root_path)
        if relative == os.pardir or relative.startswith(os.pardir + os.sep):
            return Failure(record.name, "ValueError", f"outside the root folder {root_text}")
        return os.path.dirname(relative)

    # Every input is known before the first output is named.
    items = list(found)
    inputs = {identity: item.name for item in items
              if isinstance(item, Record) and item.data is None and (identity := _identity(item.name)) is not None}
    for record in items:
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
        replaced = inputs.get(identity) if (identity := _identity(output)) is not None else None
        if replaced is not None:
            yield Failure(record.name, "ValueError", "its output would replace an input", f"{output} is {replaced}")
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
    batch: Batch,
    inputs: Iterable[PathLike | Record],
    output_dir: str,
    gzip: bool = False,
    *,
    skip_existing: bool = False,
    clash: Literal["skip", "full-name", "refuse"] = "skip",
    follow_symlinks: bool = False,
    filters: Filters = Filters(),
    root: PathLike | None = None,
) -> None:
    """Fills the batch with the plan of the inputs and makes the output
    folder: ValueError for a refused clash, OSError when output_dir cannot be
    made, both before anything is converted."""
    output_dir = os.path.normpath(output_dir)
    batch.take(plan(gather(inputs, filters, follow_symlinks), output_dir, gzip, skip_existing=skip_existing,
                    clash=clash, root=root))
    make_output_folder(output_dir)


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
) -> Report:
    """Converts each input log into one mjai file in output_dir and reports how
    it went; a failing log is reported, never raised.

    inputs are Tenhou game records, JSON logs or XML records, plain or
    gzip-compressed (known by their first bytes), and folders, walked for
    files ending in .json, .json.gz, .mjlog, .xml or .xml.gz (in any case)
    with their layout kept. Each output is named after its input with that
    ending replaced by .mjson (.mjson.gz with gzip=True), or with
    clash="full-name" added to the whole name, and appears complete or not at
    all. Only regular files are read and written: a FIFO fails at once. No
    output replaces an input: a log whose output is one of the inputs (after
    links) fails. Below output_dir no link is followed: the folders an output
    goes into are made as needed, and a log whose output, or a folder on its
    way, is a link fails.

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

    The work runs on `workers` native threads (default: the CPUs available)
    without the interpreter lock, holding one log per worker. progress(Progress)
    is called from this thread every 0.1 s and once at the end;
    KeyboardInterrupt, or an exception from progress, stops the workers after
    the log each holds and is raised again.

    TypeError or ValueError for an argument that cannot be, ValueError for a
    refused clash, and OSError when output_dir cannot be made: all before any
    log is converted.

    >>> report = convert_files(["logs/", "extra.json.gz"], "out", gzip=True)
    >>> report.converted, report.failed, report.failures[:1]
    (1001, 1, (Failure(path='logs/bad.json', error_class='JsonParsingError', ...),))
    """
    count = check_arguments(workers, progress)
    check_clash(clash)
    filters = Filters.of(include, exclude)
    if isinstance(inputs, (str, os.PathLike)):
        inputs = [inputs]
    batch = Batch()
    folder = os.path.normpath(os.fspath(output_dir))
    prepare(batch, inputs, folder, gzip, skip_existing=skip_existing, clash=clash,
            follow_symlinks=follow_symlinks, filters=filters, root=root)
    return batch.run(Convert(folder, gzip, check), count, progress)
