"""Converting many logs at once: paiscribe.convert_files.

Python plans the run: it walks the folders, names the outputs, settles
clashes, leaves out what is done and accounts for every file it passes over.
The native module then converts the jobs on its own threads without the
interpreter lock, handing the failures back as they come.
"""

import errno
import os
import re
import stat
import time
from collections.abc import Callable, Iterable, Iterator, Sequence
from dataclasses import dataclass, field
from typing import Literal, NamedTuple

from paiscribe import _native
from paiscribe.report import Failure, Finding, Ignored, Progress, Report, Skip

PathLike = str | os.PathLike[str]
# What to do with two inputs for one output; see convert_files.
CLASH_POLICIES: tuple[str, ...] = ("skip", "full-name", "refuse")

# The name endings of logs, longest first, matched without regard to case. A
# folder walk takes files with one of them; a file given by name is taken
# whatever its name.
LOG_ENDINGS: tuple[str, ...] = (".json.gz", ".json", ".mjlog", ".xml.gz", ".xml")
MJAI_ENDING = ".mjson"
GZIP_ENDING = ".gz"


class Job(NamedTuple):
    input: str
    output: str
    data: bytes | None = None  # the record itself, when it is held in memory


@dataclass(frozen=True)
class InMemory:
    """A record held in memory (standard input, for the command line): named
    `name` in every report, its output named after `file_name`."""

    name: str
    data: bytes
    file_name: str


Outcome = Failure | Skip | Ignored
# A failure as the native batch hands it on: (job index, class name, message,
# detail, [(line, kyoku, seat, message), ...]).
FindingTuple = tuple[int, str | None, int | None, str]
FailureTuple = tuple[int, str, str, str, list[FindingTuple]]


def log_ending(name: str, endings: tuple[str, ...] = LOG_ENDINGS) -> str | None:
    """The log ending of a file name, as it is written there, or None."""
    folded = name.lower()
    for ending in endings:
        if folded.endswith(ending):
            return name[-len(ending) :]
    return None


def output_name(name: str, gzip: bool = False, full_name: bool = False) -> str:
    """The output file name for an input file name: its log ending replaced by
    .mjson, or with full_name kept before it.

    >>> output_name("2019-game.JSON.gz"), output_name("game.json", gzip=True), output_name("game.xml", full_name=True)
    ('2019-game.mjson', 'game.mjson.gz', 'game.xml.mjson')
    """
    ending = None if full_name else log_ending(name)
    stem = name[: -len(ending)] if ending else name
    return stem + MJAI_ENDING + (GZIP_ENDING if gzip else "")


def _glob_body(pattern: str) -> str:
    """A regular expression for a glob: * and ? stay within a path component,
    ** crosses them, [...] is a class of characters, a backslash quotes."""
    out = []
    at = 0
    while at < len(pattern):
        char = pattern[at]
        if pattern.startswith("**", at):
            out.append(".*")
            at += 2
            continue
        if char == "*":
            out.append("[^/]*")
        elif char == "?":
            out.append("[^/]")
        elif char == "\\" and at + 1 < len(pattern):
            at += 1
            out.append(re.escape(pattern[at]))
        elif char == "[" and (end := pattern.find("]", at + 2)) != -1:
            inside = pattern[at + 1 : end]
            negated = inside[0] in "!^"
            inside = inside[1:] if negated else inside
            out.append("[" + ("^/" if negated else "") + inside.replace("\\", "\\\\").replace("[", "\\[") + "]")
            at = end
        else:
            out.append(re.escape(char))
        at += 1
    return "".join(out)


@dataclass(frozen=True)
class _Glob:
    """One --include or --exclude pattern, as rsync reads it: without a slash
    it matches a name at any depth; with one it matches the end of the path
    below the folder walked, or the whole of it when it starts with a slash;
    a trailing slash matches folders only."""

    regex: re.Pattern[str]
    folders_only: bool

    @classmethod
    def of(cls, pattern: str) -> "_Glob":
        folders_only = pattern.endswith("/") and pattern.strip("/") != ""
        body = pattern.rstrip("/") if folders_only else pattern
        anchored = body.startswith("/")
        return cls(re.compile(("^" if anchored else "(?:^|/)") + _glob_body(body.lstrip("/")) + "$"), folders_only)

    def matches(self, relative: str, is_folder: bool) -> bool:
        return (is_folder or not self.folders_only) and self.regex.search(relative) is not None


@dataclass(frozen=True)
class Filters:
    """Which files a folder walk takes. Without include patterns, files with
    one of the endings; with them, the files that match one, whatever their
    ending. An exclude pattern leaves out a file, or a folder with all it
    holds, and wins over an include pattern."""

    include: tuple[_Glob, ...] = ()
    exclude: tuple[_Glob, ...] = ()
    endings: tuple[str, ...] = LOG_ENDINGS

    @classmethod
    def of(cls, include: Iterable[str], exclude: Iterable[str], endings: tuple[str, ...] = LOG_ENDINGS) -> "Filters":
        return cls(tuple(map(_Glob.of, _patterns(include, "include"))),
                   tuple(map(_Glob.of, _patterns(exclude, "exclude"))), endings)

    def excludes(self, relative: str, is_folder: bool) -> bool:
        return any(glob.matches(relative, is_folder) for glob in self.exclude)

    def why_not_taken(self, relative: str, name: str) -> str | None:
        """The reason a file is ignored, or None when it is taken."""
        if self.excludes(relative, False):
            return "excluded"
        if self.include:
            return None if any(glob.matches(relative, False) for glob in self.include) else "not-included"
        return None if log_ending(name, self.endings) is not None else "no-log-ending"


def _patterns(value: Iterable[str], name: str) -> tuple[str, ...]:
    patterns = (value,) if isinstance(value, str) else tuple(value)
    for pattern in patterns:
        if not isinstance(pattern, str):
            raise TypeError(f"{name} must be a glob or a sequence of globs (str), not {type(pattern).__name__}")
    return patterns


def _os_failure(path: str, message: str, error: OSError) -> Failure:
    """A failure with the system's reason and the errno's name as its detail,
    as a log's failures have them: "Permission denied (EACCES)"."""
    detail = error.strerror or str(error)
    if (name := errno.errorcode.get(error.errno or 0)) is not None:
        detail += f" ({name})"
    return Failure(path, type(error).__name__, message, detail)


@dataclass
class _Frame:
    """A folder being walked: its remaining entries, its identity and its
    path below the folder the walk started in ("" there, else ending in /)."""

    entries: Iterator[os.DirEntry[str]]
    identity: tuple[int, int]
    relative: str


class Found(NamedTuple):
    """A log found in a folder, and its path below that folder."""

    path: str
    relative: str


def walk_logs(
    folder: str, follow_symlinks: bool = False, filters: Filters = Filters()
) -> Iterator[Found | Ignored | Failure]:
    """Everything under folder, in name order, depth first: each log to
    convert, an Ignored for each other file (and for each folder left out),
    and a Failure for each folder that cannot be read. Walks without
    recursion, so depth costs no stack; a link to a folder is walked only
    with follow_symlinks, and never back into a folder above it."""
    stack: list[_Frame] = []
    above: set[tuple[int, int]] = set()

    def enter(path: str, identity: tuple[int, int], relative: str) -> Failure | None:
        try:
            with os.scandir(path) as scan:
                entries = sorted(scan, key=lambda entry: entry.name)
        except OSError as error:
            return _os_failure(path, "failed to read folder", error)
        stack.append(_Frame(iter(entries), identity, relative))
        above.add(identity)
        return None

    try:
        top = os.stat(folder)
    except OSError as error:
        yield _os_failure(folder, "failed to read folder", error)
        return
    if failure := enter(folder, (top.st_dev, top.st_ino), ""):
        yield failure
    while stack:
        frame = stack[-1]
        entry = next(frame.entries, None)
        if entry is None:
            stack.pop()
            above.discard(frame.identity)
            continue
        relative = frame.relative + entry.name
        is_link = entry.is_symlink()
        try:
            found: os.stat_result | None = entry.stat()
        except OSError:
            # A link to nothing, or to itself: a log by its name fails to
            # open, and is reported as such.
            found = None
        if found is not None and stat.S_ISDIR(found.st_mode):
            identity = (found.st_dev, found.st_ino)
            if filters.excludes(relative, True):
                yield Ignored(entry.path, "excluded")
            elif is_link and not follow_symlinks:
                yield Ignored(entry.path, "folder-link")
            elif identity in above:
                yield Ignored(entry.path, "loop")
            elif failure := enter(entry.path, identity, relative + "/"):
                yield failure
            continue
        if reason := filters.why_not_taken(relative, entry.name):
            yield Ignored(entry.path, reason)
        elif found is not None and not stat.S_ISREG(found.st_mode):
            yield Ignored(entry.path, "not-regular")
        else:
            yield Found(entry.path, relative)


@dataclass
class Run:
    """One run of convert_files: what it plans, and what it has done so far.
    report() is whole at any time, also after an interruption."""

    output_dir: str
    gzip: bool
    check: bool = False
    jobs: list[Job] = field(default_factory=list)
    skips: list[Skip] = field(default_factory=list)
    ignores: list[Ignored] = field(default_factory=list)
    failures: list[Failure] = field(default_factory=list)  # found while planning, then while converting
    converted: int = 0
    failed_jobs: int = 0
    started: float = field(default_factory=time.perf_counter)

    def __post_init__(self) -> None:
        self.output_dir = os.path.normpath(self.output_dir)

    def report(self) -> Report:
        return Report(
            converted=self.converted,
            failed=len(self.failures),
            skipped=sum(skip.reason == "exists" for skip in self.skips),
            failures=tuple(self.failures),
            elapsed=time.perf_counter() - self.started,
            clashed=sum(skip.reason == "clash" for skip in self.skips),
            ignored=len(self.ignores),
            skips=tuple(self.skips),
            ignores=tuple(self.ignores),
            untried=len(self.jobs) - self.converted - self.failed_jobs,
        )


def _is_done(job: Job) -> bool:
    """Whether the job's output is a regular file no older than its input."""
    try:
        output = os.stat(job.output)
        if not stat.S_ISREG(output.st_mode):
            return False
        return job.data is not None or output.st_mtime_ns >= os.stat(job.input).st_mtime_ns
    except OSError:
        return False


def plan(
    run: Run,
    inputs: Iterable[PathLike | InMemory],
    *,
    skip_existing: bool = False,
    clash: Literal["skip", "full-name", "refuse"] = "skip",
    follow_symlinks: bool = False,
    filters: Filters = Filters(),
    root: PathLike | None = None,
    on_outcome: Callable[[Outcome], object] | None = None,
) -> None:
    """Fills the run with every job in walk order, and accounts for each other
    input and found file (on_outcome gets each as it is found). Raises
    ValueError when clash is "refuse" and two inputs map to one output, before
    anything is written."""
    output_dir, gzip = run.output_dir, run.gzip
    root_path = None if root is None else os.path.abspath(os.fspath(root))
    full_name = clash == "full-name"
    first_input: dict[str, str] = {}
    clashes: list[str] = []

    def account(outcome: Outcome) -> None:
        if isinstance(outcome, Failure):
            run.failures.append(outcome)
        elif isinstance(outcome, Skip):
            run.skips.append(outcome)
        else:
            run.ignores.append(outcome)
        if on_outcome is not None:
            on_outcome(outcome)

    def place(path: str, relative_folder: str, data: bytes | None = None, name: str | None = None) -> None:
        """Settles the output of one log: a job, a clash, or done already."""
        output = os.path.normpath(
            os.path.join(output_dir, relative_folder, output_name(name or os.path.basename(path), gzip, full_name)))
        key = os.path.abspath(output)
        if (other := first_input.get(key)) is not None:
            if clash == "refuse":
                clashes.append(f"{other} and {path} both map to {output}")
            else:
                account(Skip(path, "clash", output, other))
            return
        first_input[key] = path
        job = Job(path, output, data)
        if skip_existing and _is_done(job):
            account(Skip(path, "exists", output))
        else:
            run.jobs.append(job)

    def folder_below_root(path: str) -> str | None:
        """The folder of path relative to the root; None outside it."""
        assert root is not None and root_path is not None
        relative = os.path.relpath(os.path.abspath(path), root_path)
        if relative == os.pardir or relative.startswith(os.pardir + os.sep):
            account(Failure(path, "ValueError", f"outside the root folder {os.fspath(root)}"))
            return None
        return os.path.dirname(relative)

    for item in inputs:
        if isinstance(item, InMemory):
            place(item.name, "", item.data, item.file_name)
            continue
        given = os.fspath(item)
        if not os.path.isdir(given):
            folder = "" if root_path is None else folder_below_root(given)
            if folder is not None:
                place(given, folder)
            continue
        for found in walk_logs(given, follow_symlinks, filters):
            if not isinstance(found, Found):
                account(found)
                continue
            folder = os.path.dirname(found.relative) if root_path is None else folder_below_root(found.path)
            if folder is not None:
                place(found.path, folder)
    if clashes:
        more = f" (and {len(clashes) - 3} more)" if len(clashes) > 3 else ""
        raise ValueError("two inputs map to one output: " + "; ".join(clashes[:3]) + more)


def _make_folder(path: str) -> None:
    """Makes path and the folders above it that are missing, without
    recursion: a layout may be deeper than the interpreter's stack."""
    missing = []
    while path and not os.path.isdir(path):
        missing.append(path)
        parent = os.path.dirname(path)
        if parent == path:
            break
        path = parent
    for folder in reversed(missing):
        try:
            os.mkdir(folder)
        except FileExistsError:
            if not os.path.isdir(folder):
                raise


def make_folders(run: Run) -> None:
    """The output folder, or OSError naming it; then every folder an output
    goes into, as far as they can be made: the job of one that cannot fails
    on its own."""
    try:
        _make_folder(run.output_dir)
    except OSError as error:
        raise type(error)(error.errno, f"cannot create output directory {run.output_dir}: {error.strerror}") from None
    for folder in dict.fromkeys(os.path.dirname(job.output) for job in run.jobs):
        try:
            _make_folder(folder)
        except OSError:
            pass


def default_workers() -> int:
    """The CPUs this process may run on."""
    if hasattr(os, "process_cpu_count"):
        return os.process_cpu_count() or 1
    if hasattr(os, "sched_getaffinity"):
        return len(os.sched_getaffinity(0))
    return os.cpu_count() or 1


def execute(
    run: Run,
    workers: int,
    progress: Callable[[Progress], object] | None = None,
    on_outcome: Callable[[Outcome], object] | None = None,
    check_only: bool = False,
) -> Report:
    """Converts the run's jobs, or with check_only checks their inputs as
    files of mjai lines (`converted` then counts the legal ones); the failures
    go to on_outcome as they come. KeyboardInterrupt, or an exception from a
    callback, stops the workers after the log each holds; the run then holds
    every failure so far."""
    jobs = run.jobs
    planned_failures = len(run.failures)
    skipped = sum(skip.reason == "exists" for skip in run.skips)
    clashed = len(run.skips) - skipped
    total = len(jobs) + len(run.skips) + planned_failures

    def record(converted: int, failures: list[FailureTuple]) -> None:
        run.converted = converted
        for index, error_class, message, detail, findings in sorted(failures):
            failure = Failure(jobs[index].input, error_class, message, detail, tuple(Finding(*f) for f in findings))
            run.failures.append(failure)
            run.failed_jobs += 1
            if on_outcome is not None:
                on_outcome(failure)

    def on_counts(converted: int, failed: int) -> None:
        if progress is not None:
            progress(Progress(converted, planned_failures + failed, skipped, total, clashed))

    counts = None if progress is None else on_counts
    if check_only:
        _native.check_files([os.fsencode(job.input) for job in jobs], workers, record, counts)
        return run.report()
    pairs = [(os.fsencode(job.input), os.fsencode(job.output), *(() if job.data is None else (job.data,)))
             for job in jobs]
    _native.convert_files(pairs, workers, run.gzip, run.check, record, counts)
    return run.report()


def check_arguments(workers: int | None, progress: Callable[[Progress], object] | None, clash: str = "skip") -> int:
    """The worker count; TypeError or ValueError for arguments that cannot
    be, before any work."""
    if workers is None:
        workers = default_workers()
    elif not isinstance(workers, int) or isinstance(workers, bool):
        raise TypeError(f"workers must be an int or None, not {type(workers).__name__}")
    elif workers < 1:
        raise ValueError(f"workers must be at least 1, not {workers}")
    if progress is not None and not callable(progress):
        raise TypeError(f"progress must be callable or None, not {type(progress).__name__}")
    if clash not in CLASH_POLICIES:
        raise ValueError(f"clash must be one of {', '.join(map(repr, CLASH_POLICIES))}, not {clash!r}")
    return workers


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
    all. Only regular files are read and written: a FIFO fails at once.

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
    count = check_arguments(workers, progress, clash)
    filters = Filters.of(include, exclude)
    if isinstance(inputs, (str, os.PathLike)):
        inputs = [inputs]
    run = Run(os.fspath(output_dir), gzip, check)
    plan(run, inputs, skip_existing=skip_existing, clash=clash, follow_symlinks=follow_symlinks, filters=filters,
         root=root)
    make_folders(run)
    return execute(run, count, progress)
