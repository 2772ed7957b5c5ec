"""The paiscribe command: converts Tenhou game records to mjai lines."""

import argparse
import datetime
import json
import os
import signal
import sys
import threading
from collections import Counter
from collections.abc import Iterator, Sequence
from contextlib import contextmanager
from types import FrameType
from typing import Any, BinaryIO

from _paiscribe import __version__
from paiscribe import check_command, mjlog_json, show_command, tenhou_json_command, view_command
from paiscribe._native import GamesFile
from paiscribe.batch import Batch, Outcome, check_arguments
from paiscribe.command_line import (EXIT_FAILED, EXIT_INTERRUPTED, EXIT_TERMINATED, EXIT_USAGE, STANDARD_STREAM,
                                    add_jobs_option, add_walk_options, is_invoked, output_among_inputs,
                                    quiet_standard_output)
from paiscribe.corpus import CLASH_POLICIES, LAYOUTS, make_plan
from paiscribe.database import is_database
from paiscribe.game_facts import LENGTHS, ROOMS, GameChoice
from paiscribe.report import Failure, Progress, Report, Skip
from paiscribe.walk import Filters, Record

# The options that only a run into an output folder takes.
FOLDER_OPTIONS = (("-j", "jobs"), ("--gzip", "gzip"), ("--check", "check"), ("--skip-existing", "skip_existing"), ("--clash", "clash"),
                  ("-L", "follow_symlinks"), ("--include", "include"), ("--exclude", "exclude"), ("--root", "root"),
                  ("--layout", "layout"), ("--manifest", "manifest"), ("--room", "room"), ("--length", "length"),
                  ("--standard-rules", "standard_rules"), ("--connected", "connected"), ("--since", "since"),
                  ("--until", "until"))

DESCRIPTION = """\
Converts four-player Tenhou game records, JSON logs (tenhou.net/6) or XML
records (mjlog), plain or gzip- or bz2-compressed, into mjai event lines:
compact JSON, one event per line. With -O OUTDIR it also converts the SQLite
databases the public downloaders keep their games in:

    paiscribe 2024.db -O out --gzip --layout date --manifest out/2024.jsonl

More commands: `paiscribe check FILE|DIR ...` checks mjai lines under the
rules Tenhou plays, `paiscribe mjlog-json RECORD` writes an XML record as
Tenhou's JSON log, `paiscribe tenhou-json FILE` writes one game's mjai lines
as Tenhou's JSON log, `paiscribe show GAME` prints a game's table in the
terminal and `paiscribe view GAME... -o game.html` writes a page that replays
games; each has its own --help."""

EPILOG = """\
Without -o, or with -o -, the lines of each log go to standard output in the
order the logs are given. With -o FILE, FILE receives the lines of every log
that converts, in the order given, one log at a time; it is replaced once all
logs were tried, and left untouched when none converts or a write fails. A
FILE whose name ends in .gz is gzip-compressed. FILE may not be one of the
logs. A LOG of "-" is read from standard input. Every argument after -- is a
LOG: a log named like a command converts as `paiscribe -- check` or
`paiscribe ./check`.

With -O OUTDIR, each log becomes its own file in OUTDIR, named after it with
its ending (.json, .json.gz, .mjlog, .xml, .xml.gz, in any case) replaced by
.mjson (.mjson.gz with --gzip); standard input becomes stdin.mjson. A DIR is
walked for files with those endings, its layout kept; --include GLOB takes the
files that match instead, whatever their ending, and --exclude GLOB leaves out
files and folders, as rsync reads patterns: one without a slash matches a name
at any depth, one with a slash the end of the path below DIR (all of it when it
starts with one), and a trailing slash matches folders only. Links to folders
are walked with -L, never back into a folder above. Only regular files are
read: a FIFO or device given by name fails. No output replaces a LOG of the
run, and below OUTDIR no link is followed: a log whose output would replace
one of the logs, or whose output or one of its folders is a link, fails.
With --root DIR, each output keeps its log's path below DIR, also for logs
given by name or with --files-from. A record's kind is known by its first
bytes, not its name.

Two logs with one output (G.json and G.json.gz, or G.json and G.xml): by
default the first in walk order converts and the other is skipped and named;
--clash full-name names every output after the whole name of its log
(G.json.mjson, G.xml.mjson), and --clash refuse stops before any work.
--skip-existing leaves out a log whose output exists and is not older than it,
so a stopped run resumes. --check checks each log's lines under the rules
Tenhou plays before its output is written: a game that breaks them fails as
IllegalGameError with its first finding, and its output is not written. The logs are converted on N threads (-j, default:
the CPUs available), with a progress bar when standard error is a terminal.
Each output appears complete or not at all. The run ends with the line
"converted N of M logs (K failed, S skipped as existing, C skipped as clashes)
in T s", then what was ignored and why, then the failures by error class.

A LOG that is a SQLite database (known by its first bytes, "SQLite format
3", not its name) is a downloader's table of games, in either of its two
layouts: each row is a game named by its log id, converted into ID.mjson
(.mjson.gz), read in id order a page at a time with a read-only connection
that holds no lock between pages, so a downloader may go on writing to it.
Give a database by name: a folder walk takes none. --layout date puts each
output in OUTDIR/YYYY/MM/DD/ by the day in its log id (a log whose name
holds no log id then fails).

Games that are no work are skipped with their reason, and are no failure:
three-player games, rows not downloaded or whose download failed, and the
games the filters leave out: --room ROOM (general, upper, superior,
phoenix), --length hanchan|east, --standard-rules (no lobby game with rules
of its own: starting points, first dealer, no red fives or open tanyao),
--connected (no game in which a player disconnected), --since and --until
DAY (YYYY-MM-DD, by the log id; both days included). -v names them; the
summary counts them by reason.

--manifest FILE writes one JSON line per game when the run ends, also when
it is interrupted or killed, replacing FILE whole: "id", "status"
(converted, skipped, failed), "reason", "output", "date", "room", "rule",
"names", "grades", "rates", "scores", "places", "kyokus", and "check" with
--check. A rerun with the same FILE reads it first and does exactly the games
it does not list as converted (with their output still there), whatever the
files' times say; the rows of the others are kept.

--files-from FILE reads more logs and folders from FILE ("-" for standard
input), one per line, or separated by NUL bytes with -0 (as find -print0
writes them).

A log that fails is reported on standard error as "paiscribe: LOG: message"
(then " (detail)" where there is one), and the other logs are still
converted; a clash is reported likewise, and -v adds every skipped and ignored
file while -q leaves only the summary. --report FILE appends one JSON line per
failed, skipped or ignored file as the run goes, with "path" and "status"
("failed": "error", "message", "detail", and "findings" with --check;
"skipped": "reason", "output" and "clashed_with"; "ignored": "reason").

Exit status: 0 when no log failed (however many were skipped), 1 when any
failed, 2 on a usage error (including an OUTDIR that cannot be made, a
refused clash and a glob that does not read), 130 when interrupted with
Ctrl-C and 143 when terminated (after the summary, every finished output
kept and no partial one), 141 when the reader of standard output goes away
(as with `| head`)."""


def day(text: str) -> datetime.date:
    try:
        return datetime.date.fromisoformat(text)
    except ValueError:
        raise argparse.ArgumentTypeError(f"not a day YYYY-MM-DD: {text!r}") from None


class UsageError(Exception):
    """What the command cannot do as asked; it exits with EXIT_USAGE."""


class Terminated(BaseException):
    """SIGTERM arrived: the run ends as it does for Ctrl-C."""


def build_parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(
        prog="paiscribe",
        description=DESCRIPTION,
        epilog=EPILOG,
        formatter_class=argparse.RawDescriptionHelpFormatter,
    )
    parser.add_argument(
        "logs", nargs="*", metavar="LOG",
        help='a Tenhou JSON log or XML record, "-" for standard input, or with -O a folder or a database'
    )
    destination = parser.add_mutually_exclusive_group()
    destination.add_argument(
        "-o",
        "--output",
        metavar="OUT",
        default=STANDARD_STREAM,
        help='where the lines go: a file (gzip-compressed when named .gz), or "-" for standard output (the default)',
    )
    destination.add_argument("-O", "--output-dir", metavar="OUTDIR", help="write one output file per log into OUTDIR")
    parser.add_argument("--files-from", metavar="FILE", help='read more logs from FILE, one per line ("-": standard input)')
    parser.add_argument("-0", "--null", action="store_true", help="with --files-from: the names end with NUL bytes")
    folders = parser.add_argument_group("with -O OUTDIR")
    add_jobs_option(folders, "threads to convert on")
    folders.add_argument("--gzip", action="store_true", help="gzip-compress the outputs (.mjson.gz)")
    folders.add_argument("--check", action="store_true",
                         help="check each game under the rules before its output is written")
    folders.add_argument("--skip-existing", action="store_true",
                         help="leave out logs whose output exists and is not older")
    folders.add_argument("--clash", choices=CLASH_POLICIES,
                         help="two logs with one output: skip the later (the default), name outputs after the whole "
                              "log name, or refuse the run")
    add_walk_options(folders)
    folders.add_argument("--root", metavar="DIR", help="keep each log's path below DIR in OUTDIR")
    folders.add_argument("--layout", choices=LAYOUTS, help="flat (the default), or date: OUTDIR/YYYY/MM/DD/ID.mjson")
    folders.add_argument("--manifest", metavar="FILE", help="write a JSON line per game; a rerun with it does the rest")
    chosen = parser.add_argument_group("which games, with -O OUTDIR")
    chosen.add_argument("--room", choices=ROOMS, help="only games of this room")
    chosen.add_argument("--length", choices=LENGTHS, help="only hanchan or only east-only games")
    chosen.add_argument("--standard-rules", action="store_true", help="only games under the ranked tables' rules")
    chosen.add_argument("--connected", action="store_true", help="only games in which no player disconnected")
    chosen.add_argument("--since", metavar="DAY", type=day, help="only games of DAY (YYYY-MM-DD) or later")
    chosen.add_argument("--until", metavar="DAY", type=day, help="only games of DAY or earlier")
    parser.add_argument("--report", metavar="FILE", help="append a JSON line per failed, skipped or ignored file")
    loudness = parser.add_mutually_exclusive_group()
    loudness.add_argument("-q", "--quiet", action="store_true", help="no line per file, only the summary")
    loudness.add_argument("-v", "--verbose", action="store_true", help="a line for every skipped and ignored file too")
    parser.add_argument("--version", action="version", version=f"%(prog)s {__version__}")
    return parser


def parse_arguments(argv: Sequence[str] | None) -> argparse.Namespace:
    parser = build_parser()
    args = parser.parse_args(argv)
    if not args.logs and args.files_from is None:
        parser.error("give at least one LOG, or a list of them with --files-from")
    if args.null and args.files_from is None:
        parser.error("-0 goes with --files-from")
    if args.files_from == STANDARD_STREAM and STANDARD_STREAM in args.logs:
        parser.error('standard input cannot hold both a log ("-") and the list of logs (--files-from -)')
    if args.output_dir is None:
        if folders := [log for log in args.logs if log != STANDARD_STREAM and os.path.isdir(log)]:
            parser.error(f"{folders[0]} is a folder: folders are converted with -O OUTDIR")
        given = [option for option, name in FOLDER_OPTIONS if getattr(args, name)]
        if given:
            parser.error(f"{given[0]} goes with -O OUTDIR")
    if args.jobs is not None and args.jobs < 1:
        parser.error("-j takes a number of at least 1")
    if args.root is not None and not os.path.isdir(args.root):
        parser.error(f"--root {args.root} is no folder")
    return args


def read_list(source: BinaryIO, separator: bytes) -> list[str]:
    """The names in a list, as the file system gives them."""
    return [os.fsdecode(name) for name in source.read().split(separator) if name]


def listed_logs(args: argparse.Namespace) -> list[str]:
    if args.files_from is None:
        return []
    separator = b"\0" if args.null else b"\n"
    if args.files_from == STANDARD_STREAM:
        return read_list(standard_input(), separator)
    try:
        with open(args.files_from, "rb") as source:
            return read_list(source, separator)
    except OSError as error:
        raise UsageError(f"{args.files_from}: {error.strerror or error}") from None


def standard_input() -> BinaryIO:
    if sys.stdin is None:
        raise UsageError("standard input is closed")
    return sys.stdin.buffer


class ReportFile:
    """--report: one JSON line per failed, skipped or ignored file, appended
    with one write each as the run goes, so that whatever ends the run leaves
    every line so far. Paths that are not UTF-8 keep their bytes as the
    surrogate escapes os.fsdecode gives them."""

    def __init__(self, path: str | None) -> None:
        self.out = None
        if path is not None:
            try:
                self.out = open(path, "ab", buffering=0)
            except OSError as error:
                raise UsageError(f"{path}: {error.strerror or error}") from None

    def write(self, outcome: Outcome) -> None:
        if self.out is None:
            return
        record: dict[str, str | list[str]]
        if isinstance(outcome, Failure):
            record = {"path": outcome.path, "status": "failed", "error": outcome.error_class,
                      "message": outcome.message, "detail": outcome.detail}
            if outcome.findings:
                record["findings"] = [str(finding) for finding in outcome.findings]
        elif isinstance(outcome, Skip):
            record = {"path": outcome.path, "status": "skipped", "reason": outcome.reason, "output": outcome.output}
            if outcome.reason == "clash":
                record["clashed_with"] = outcome.other
        else:
            record = {"path": outcome.path, "status": "ignored", "reason": outcome.reason}
        line = json.dumps(record, ensure_ascii=False) + "\n"
        self.out.write(line.encode("utf-8", "backslashreplace"))

    def close(self) -> None:
        if self.out is not None:
            self.out.close()


class Console:
    """Standard error: a line per file as loud as asked, around a tqdm bar
    made on the first count when standard error is a terminal."""

    def __init__(self, args: argparse.Namespace) -> None:
        self.quiet = args.quiet
        self.verbose = args.verbose
        self.bar: Any = None
        self.shown = sys.stderr.isatty()

    def say(self, text: str) -> None:
        if self.bar is not None:
            self.bar.write(text, file=sys.stderr)
        else:
            print(text, file=sys.stderr)

    def outcome(self, outcome: Outcome) -> None:
        loud = isinstance(outcome, Failure) or (isinstance(outcome, Skip) and outcome.reason == "clash")
        if not self.quiet and (loud or self.verbose):
            self.say(f"paiscribe: {outcome}")

    def progress(self, counts: Progress) -> None:
        if not self.shown:
            return
        if self.bar is None:
            from tqdm import tqdm  # type: ignore[import-untyped]

            self.bar = tqdm(total=counts.total - counts.skipped - counts.clashed, unit="log", file=sys.stderr,
                            dynamic_ncols=True)
        # A source read as it goes tells its size as it goes.
        self.bar.total = counts.total - counts.skipped - counts.clashed
        self.bar.update(counts.converted + counts.failed - self.bar.n)
        self.bar.set_postfix(failed=counts.failed, refresh=False)

    def close_bar(self, result: Report) -> None:
        """The bar at the run's final counts, which a stopped run has not
        shown yet, then gone."""
        if self.bar is not None:
            self.bar.update(result.converted + result.failed - self.bar.n)
            self.bar.close()
            self.bar = None


def failure_of(path: str, error: ValueError | OSError) -> Failure:
    return Failure(path, type(error).__name__, str(error), "; ".join(getattr(error, "__notes__", [])))


def run_lines(logs: Sequence[str], output: str, console: Console, report: ReportFile) -> int:
    """Converts every log to lines on standard output or into one file;
    returns the count of failures."""
    failures = 0
    stdin: bytes | None = None

    def record(failure: Failure) -> None:
        nonlocal failures
        failures += 1
        console.outcome(failure)
        report.write(failure)

    def text_of_stdin() -> bytes:
        nonlocal stdin
        if stdin is None:
            stdin = standard_input().read()
        return stdin

    # Standard output is written natively too, each log's lines in one write as it converts.
    to_stdout = output == STANDARD_STREAM
    if to_stdout:
        if sys.stdout is None:
            raise UsageError("standard output is closed: give -o FILE")
        sys.stdout.flush()
    elif (log := output_among_inputs(output, logs)) is not None:
        raise UsageError(f"{output} is one of the logs ({log}): its lines would replace it")
    try:
        games = GamesFile(output)
    except OSError as error:
        record(failure_of(output, error))
        return failures
    with games:
        converted = 0
        for log in logs:
            try:
                if log == STANDARD_STREAM:
                    games.add_text(text_of_stdin())
                else:
                    games.add_file(log)
                converted += 1
            except (ValueError, OSError) as error:
                if to_stdout and isinstance(error, BrokenPipeError):
                    raise
                # A failed write closes the file: the logs after it need not be tried.
                record(failure_of(output if games.closed else log, error))
                if games.closed:
                    return failures
        if converted:
            try:
                games.commit()
            except OSError as error:
                record(failure_of(output, error))
    return failures


def summary_by_class(failures: Sequence[Failure]) -> str:
    """"failed 132: JsonParsingError 120, OSError 12"."""
    counts = Counter(failure.error_class for failure in failures)
    return f"failed {len(failures)}: " + ", ".join(f"{name} {count}" for name, count in counts.most_common())


def run_files(args: argparse.Namespace, logs: Sequence[str], console: Console, report: ReportFile) -> int:
    """Converts every log into its own file in the output folder; returns the
    exit status."""
    workers = check_arguments(args.jobs, None)
    try:
        filters = Filters.of(args.include or (), args.exclude or ())
    except ValueError as error:
        raise UsageError(str(error)) from None
    inputs = [Record(STANDARD_STREAM, "stdin.json", standard_input().read()) if log == STANDARD_STREAM else log
              for log in logs]

    def on_outcome(outcome: Outcome) -> None:
        report.write(outcome)
        console.outcome(outcome)

    choice = GameChoice(args.room, args.length, args.standard_rules, args.connected, args.since, args.until)
    batch = Batch(on_outcome)
    output_dir = os.path.normpath(args.output_dir)
    status = 0
    try:
        try:
            plan = make_plan(inputs, output_dir, gzip=args.gzip, check=args.check, manifest=args.manifest,
                             choice=choice, skip_existing=args.skip_existing, clash=args.clash or "skip",
                             follow_symlinks=args.follow_symlinks, filters=filters, root=args.root,
                             layout=args.layout or "flat")
        except (ValueError, OSError) as error:
            raise UsageError(str(error)) from None
        plan.run(batch, workers, console.progress)
    except KeyboardInterrupt:
        status = EXIT_INTERRUPTED
    except Terminated:
        status = EXIT_TERMINATED
    with signals_ignored():
        result = batch.report()
        console.close_bar(result)
        summarise(result, console, report, interrupted=status != 0)
    return status or (EXIT_FAILED if batch.failures else 0)


@contextmanager
def signals_ignored() -> Iterator[None]:
    """A run ends with its summary, however often Ctrl-C is pressed: every
    outcome is accounted for by then, and the status says it was stopped."""
    held = (signal.SIGINT, signal.SIGTERM) if threading.current_thread() is threading.main_thread() else ()
    previous = [signal.signal(signum, signal.SIG_IGN) for signum in held]
    try:
        yield
    finally:
        for signum, handler in zip(held, previous):
            signal.signal(signum, handler)


def summarise(result: Report, console: Console, report: ReportFile, interrupted: bool) -> None:
    line = ("interrupted: " if interrupted else "") + str(result)
    if result.ignored and not console.verbose:
        line += " (see --report)" if report.out is not None else " (-v lists them)"
    console.say(line)
    if result.failures:
        console.say(summary_by_class(result.failures))


@contextmanager
def terminated_as_interrupted() -> Iterator[None]:
    """SIGTERM raises Terminated while the command runs, so that a kill ends
    the run as Ctrl-C does: temporary files removed, the summary printed."""

    def terminate(signum: int, frame: FrameType | None) -> None:
        raise Terminated

    previous = signal.signal(signal.SIGTERM, terminate)
    try:
        yield
    finally:
        signal.signal(signal.SIGTERM, previous)


def main(argv: Sequence[str] | None = None) -> int:
    if sys.stderr is None:
        # Messages to a closed standard error go nowhere, never to standard output.
        sys.stderr = open(os.devnull, "w")
    # `paiscribe mjlog-json RECORD`, `paiscribe check FILE|DIR ...` and
    # `paiscribe tenhou-json FILE`: commands of their own.
    if is_invoked(mjlog_json.COMMAND, argv):
        return mjlog_json.main(argv)
    if is_invoked(check_command.COMMAND, argv):
        return check_command.main(argv)
    if is_invoked(show_command.COMMAND, argv):
        return show_command.main(argv)
    if is_invoked(view_command.COMMAND, argv):
        return view_command.main(argv)
    if is_invoked(tenhou_json_command.COMMAND, argv):
        return tenhou_json_command.main(argv)
    args = parse_arguments(argv)
    console = Console(args)
    report: ReportFile | None = None
    try:
        with terminated_as_interrupted():
            report = ReportFile(args.report)
            logs = [*args.logs, *listed_logs(args)]
            if args.output_dir is not None:
                return run_files(args, logs, console, report)
            if folders := [log for log in logs if log != STANDARD_STREAM and os.path.isdir(log)]:
                raise UsageError(f"{folders[0]} is a folder: folders are converted with -O OUTDIR")
            if databases := [log for log in logs if log != STANDARD_STREAM and is_database(log)]:
                raise UsageError(f"{databases[0]} is a database: databases are converted with -O OUTDIR")
            return EXIT_FAILED if run_lines(logs, args.output, console, report) else 0
    except UsageError as error:
        console.say(f"paiscribe: {error}")
        return EXIT_USAGE
    except BrokenPipeError:
        return quiet_standard_output()
    except KeyboardInterrupt:
        console.say("paiscribe: interrupted")
        return EXIT_INTERRUPTED
    except Terminated:
        console.say("paiscribe: terminated")
        return EXIT_TERMINATED
    finally:
        if report is not None:
            report.close()
