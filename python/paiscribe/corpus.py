"""Converting many logs at once: paiscribe.convert_files.

Python plans the run (walks directories, names the outputs, finds collisions,
makes the folders, skips what exists); the native module converts the pairs
of paths on its own threads without the interpreter lock.
"""

import os
import time
from collections.abc import Callable, Iterable, Iterator
from typing import NamedTuple

from paiscribe import _native
from paiscribe.report import Failure, Progress, Report

PathLike = str | os.PathLike[str]

# Input name endings and the ending of their output, longest first. A file
# given by name with none of these gets the output ending appended; a
# directory walk takes only files with one of them.
OUTPUT_ENDINGS: tuple[tuple[str, str], ...] = (
    (".json.gz", ".mjson"),
    (".json", ".mjson"),
    (".mjlog", ".mjson"),
    (".xml.gz", ".mjson"),
    (".xml", ".mjson"),
)
MJAI_ENDING = ".mjson"
GZIP_ENDING = ".gz"


class Job(NamedTuple):
    input: str
    output: str


def output_name(name: str, gzip: bool = False) -> str:
    """The output file name for an input file name.

    >>> output_name("2019-game.json.gz"), output_name("game.json", gzip=True)
    ('2019-game.mjson', 'game.mjson.gz')
    """
    stem, ending = name, MJAI_ENDING
    for input_ending, output_ending in OUTPUT_ENDINGS:
        if name.endswith(input_ending):
            stem, ending = name[: -len(input_ending)], output_ending
            break
    return stem + ending + (GZIP_ENDING if gzip else "")


def is_log_name(name: str) -> bool:
    return name.endswith(tuple(ending for ending, _ in OUTPUT_ENDINGS))


def walk_logs(folder: str) -> Iterator[str]:
    """The log files under folder, in name order, depth first. Only regular
    files: a FIFO would hold a worker until something writes to it."""
    with os.scandir(folder) as scan:
        entries = sorted(scan, key=lambda entry: entry.name)
    for entry in entries:
        if entry.is_dir(follow_symlinks=False):
            yield from walk_logs(entry.path)
        elif is_log_name(entry.name) and entry.is_file():
            yield entry.path


def plan_jobs(inputs: Iterable[PathLike], output_dir: PathLike, gzip: bool = False) -> list[Job]:
    """Every (input, output) pair, in the order given, directories walked in
    name order with their layout kept under output_dir. Raises ValueError when
    two inputs map to one output, before anything is written."""
    output_dir = os.fspath(output_dir)
    jobs = []
    for item in inputs:
        given = os.fspath(item)
        if not os.path.isdir(given):
            jobs.append(Job(given, os.path.join(output_dir, output_name(os.path.basename(given), gzip))))
            continue
        for path in walk_logs(given):
            relative = os.path.relpath(path, given)
            output = os.path.join(output_dir, os.path.dirname(relative), output_name(os.path.basename(path), gzip))
            jobs.append(Job(path, os.path.normpath(output)))
    _check_collisions(jobs)
    return jobs


def _check_collisions(jobs: list[Job]) -> None:
    first_input: dict[str, str] = {}
    clashes = []
    for job in jobs:
        if job.output in first_input:
            clashes.append(f"{first_input[job.output]} and {job.input} both map to {job.output}")
        else:
            first_input[job.output] = job.input
    if clashes:
        more = f" (and {len(clashes) - 3} more)" if len(clashes) > 3 else ""
        raise ValueError("two inputs map to one output: " + "; ".join(clashes[:3]) + more)


def make_folders(output_dir: PathLike, jobs: list[Job]) -> None:
    """output_dir and every folder an output goes into; OSError with the folder
    named when one cannot be made."""
    for folder in dict.fromkeys([os.fspath(output_dir), *(os.path.dirname(job.output) for job in jobs)]):
        try:
            os.makedirs(folder, exist_ok=True)
        except OSError as error:
            raise type(error)(error.errno, f"cannot create output directory {folder}: {error.strerror}") from None


def default_workers() -> int:
    """The CPUs this process may run on."""
    if hasattr(os, "process_cpu_count"):
        return os.process_cpu_count() or 1
    if hasattr(os, "sched_getaffinity"):
        return len(os.sched_getaffinity(0))
    return os.cpu_count() or 1


def convert_files(
    inputs: Iterable[PathLike] | PathLike,
    output_dir: PathLike,
    *,
    workers: int | None = None,
    gzip: bool = False,
    skip_existing: bool = False,
    progress: Callable[[Progress], object] | None = None,
) -> Report:
    """Converts each input log into one mjai file in output_dir and reports how
    it went; a failing log is reported, never raised.

    inputs are Tenhou game records, JSON logs or XML records, plain or
    gzip-compressed (known by their first bytes), and directories, walked for
    *.json, *.json.gz, *.mjlog, *.xml and *.xml.gz with their layout kept.
    Each output is named after its input with that ending replaced by .mjson
    (.mjson.gz with gzip=True) and appears complete or not
    at all. skip_existing leaves out inputs whose output exists, so a stopped
    run can be resumed. The work runs on `workers` native threads (default:
    the CPUs available) without the interpreter lock, holding one log per
    worker. progress(Progress) is called from this thread every 0.1 s and
    once at the end; KeyboardInterrupt, or an exception from progress, stops
    the workers after the log each holds and is raised again.

    ValueError when two inputs map to one output, OSError when a folder
    cannot be made: both before any work.

    >>> report = convert_files(["logs/", "extra.json.gz"], "out", gzip=True)
    >>> report.converted, report.failed, report.failures[:1]
    (1001, 1, (Failure(path='logs/bad.json', error_class='JsonParsingError', ...),))
    """
    start = time.perf_counter()
    if isinstance(inputs, (str, os.PathLike)):
        inputs = [inputs]
    if workers is None:
        workers = default_workers()
    elif workers < 1:
        raise ValueError(f"workers must be at least 1, not {workers}")

    jobs = plan_jobs(inputs, output_dir, gzip)
    make_folders(output_dir, jobs)
    pending = [job for job in jobs if not (skip_existing and os.path.exists(job.output))]
    skipped = len(jobs) - len(pending)

    on_counts = None
    if progress is not None:

        def on_counts(converted: int, failed: int) -> None:
            progress(Progress(converted, failed, skipped, len(jobs)))

    pairs = [(os.fsencode(job.input), os.fsencode(job.output)) for job in pending]
    converted, failures = _native.convert_files(pairs, workers, gzip, on_counts)
    return Report(
        converted=converted,
        failed=len(failures),
        skipped=skipped,
        failures=tuple(Failure(pending[index].input, *rest) for index, *rest in failures),
        elapsed=time.perf_counter() - start,
    )
