"""The paiscribe command: converts Tenhou game records to mjai lines."""

import argparse
import json
import os
import sys
import tempfile
from collections.abc import Sequence
from dataclasses import replace
from typing import Any

from _paiscribe import __version__
from paiscribe import mjlog_json
from paiscribe._native import convert_file, convert_text
from paiscribe.corpus import convert_files
from paiscribe.report import Failure, Progress

STANDARD_STREAM = "-"

# 128 + SIGPIPE, as a shell reports a program that the signal ended.
EXIT_READER_GONE = 141
EXIT_USAGE = 2
EXIT_INTERRUPTED = 128 + 2  # as for SIGINT

DESCRIPTION = """\
Converts four-player Tenhou game records, JSON logs (tenhou.net/6) or XML
records (mjlog), plain or gzip-compressed, into mjai event lines: compact
JSON, one event per line."""

EPILOG = """\
Without -o, or with -o -, the lines of each log go to standard output in the
order the logs are given. With -o FILE and one LOG, FILE is created (or
truncated) only when the log converts; a failing log leaves it untouched. With
-o FILE and several logs, FILE receives the lines of every log that converts,
in the order given, written once all logs were tried; when none converts, FILE
is left untouched. A LOG of "-" is read from standard input.

With -O OUTDIR, each log becomes its own file in OUTDIR, named after it with
its ending (.json, .json.gz, .mjlog, .xml, .xml.gz) replaced by .mjson
(.mjson.gz with --gzip); a DIR is walked for files with those endings and its
layout kept. A record's kind is known by its first bytes, not its name. The logs are converted on N threads (-j, default: the CPUs
available), with a progress bar when standard error is a terminal and a last
line "converted N of M logs (K failed) in T s". Each output appears complete
or not at all, so a run stopped with Ctrl-C can be resumed with
--skip-existing. Two inputs that would write one output stop the run before
it starts.

A log that fails is reported on standard error as "paiscribe: LOG: message"
(then " (detail)" where there is one) and the other logs are still converted; --report FILE also writes each
failure there as a JSON line {"path", "error", "message", "detail"}. The exit
status is 1 when any log failed and 0 when all converted; 2 on a usage error,
an OUTDIR that cannot be made or two inputs for one output; 141 when the
reader of standard output goes away (as with `| head`), the status a shell
gives a program that SIGPIPE ended."""


def build_parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(
        prog="paiscribe",
        description=DESCRIPTION,
        epilog=EPILOG,
        formatter_class=argparse.RawDescriptionHelpFormatter,
    )
    parser.add_argument(
        "logs", nargs="+", metavar="LOG", help='a Tenhou JSON log or XML record, "-" for standard input, or with -O a folder'
    )
    destination = parser.add_mutually_exclusive_group()
    destination.add_argument(
        "-o",
        "--output",
        metavar="OUT",
        default=STANDARD_STREAM,
        help='where the lines go: a file, or "-" for standard output (the default)',
    )
    destination.add_argument("-O", "--output-dir", metavar="OUTDIR", help="write one output file per log into OUTDIR")
    parser.add_argument("-j", "--jobs", metavar="N", type=int, help="with -O: threads to convert on")
    parser.add_argument("--gzip", action="store_true", help="with -O: gzip-compress the outputs (.mjson.gz)")
    parser.add_argument("--skip-existing", action="store_true", help="with -O: leave out logs whose output exists")
    parser.add_argument("--report", metavar="FILE", help="write every failure to FILE as one JSON line")
    parser.add_argument("--version", action="version", version=f"%(prog)s {__version__}")
    return parser


def parse_arguments(argv: Sequence[str] | None) -> argparse.Namespace:
    parser = build_parser()
    args = parser.parse_args(argv)
    if args.output_dir is None:
        if folders := [log for log in args.logs if os.path.isdir(log)]:
            parser.error(f"{folders[0]} is a folder: folders are converted with -O OUTDIR")
        given = [option for option, value in (("-j", args.jobs), ("--gzip", args.gzip),
                                              ("--skip-existing", args.skip_existing)) if value]
        if given:
            parser.error(f"{given[0]} goes with -O OUTDIR")
    if args.jobs is not None and args.jobs < 1:
        parser.error("-j takes a number of at least 1")
    return args


def report(failure: Failure) -> None:
    print(f"paiscribe: {failure}", file=sys.stderr)


def write_report(path: str, failures: Sequence[Failure]) -> None:
    with open(path, "w", encoding="utf-8") as out:
        for failure in failures:
            record = {"path": failure.path, "error": failure.error_class, "message": failure.message,
                      "detail": failure.detail}
            out.write(json.dumps(record, ensure_ascii=False) + "\n")


def convert(log: str, mjai_out: str | None = None) -> list[str] | Failure:
    """The log's lines, or the Failure that says why there are none."""
    try:
        if log == STANDARD_STREAM:
            return convert_text(sys.stdin.buffer.read())
        return convert_file(log, mjai_out)
    except (ValueError, OSError) as error:
        return Failure(log, type(error).__name__, str(error), "; ".join(getattr(error, "__notes__", [])))


def write_standard_output(lines: list[str]) -> None:
    out = sys.stdout.buffer
    out.write("".join(line + "\n" for line in lines).encode())
    out.flush()


def write_file(path: str, lines: list[str]) -> Failure | None:
    try:
        with open(path, "wb") as out:
            out.write("".join(line + "\n" for line in lines).encode())
    except OSError as error:
        return Failure(path, type(error).__name__, error.strerror or str(error))
    return None


def run_lines(logs: Sequence[str], output: str) -> list[Failure]:
    """Converts every log to lines on standard output or into one file;
    returns the failures."""
    if output != STANDARD_STREAM and len(logs) == 1 and logs[0] != STANDARD_STREAM:
        result = convert(logs[0], output)
        if not isinstance(result, Failure):
            return []
        report(result)
        return [result]

    failures: list[Failure] = []
    collected: list[str] = []
    for log in logs:
        lines = convert(log)
        if isinstance(lines, Failure):
            failures.append(lines)
            report(lines)
        elif output == STANDARD_STREAM:
            write_standard_output(lines)
        else:
            collected.extend(lines)
    if collected and (unwritten := write_file(output, collected)):
        report(unwritten)
        failures.append(unwritten)
    return failures


class ProgressBar:
    """A tqdm bar on standard error, made on the first count; none when
    standard error is not a terminal."""

    def __init__(self) -> None:
        self.bar: Any = None
        self.shown = sys.stderr.isatty()

    def __call__(self, counts: Progress) -> None:
        if not self.shown:
            return
        if self.bar is None:
            from tqdm import tqdm  # type: ignore[import-untyped]

            self.bar = tqdm(total=counts.total - counts.skipped, unit="log", file=sys.stderr, dynamic_ncols=True)
        self.bar.update(counts.converted + counts.failed - self.bar.n)
        self.bar.set_postfix(failed=counts.failed, refresh=False)

    def close(self) -> None:
        if self.bar is not None:
            self.bar.close()


def run_files(logs: Sequence[str], output_dir: str, args: argparse.Namespace) -> list[Failure]:
    """Converts every log into its own file in output_dir; returns the
    failures, or raises ValueError/OSError before any work."""
    with tempfile.TemporaryDirectory(prefix="paiscribe-") as scratch:
        # Standard input becomes a log file like any other, named stdin.json.
        stdin_log = os.path.join(scratch, "stdin.json")
        if STANDARD_STREAM in logs:
            with open(stdin_log, "wb") as out:
                out.write(sys.stdin.buffer.read())
        inputs = [stdin_log if log == STANDARD_STREAM else log for log in logs]
        bar = ProgressBar()
        try:
            result = convert_files(inputs, output_dir, workers=args.jobs, gzip=args.gzip,
                                   skip_existing=args.skip_existing, progress=bar)
        finally:
            bar.close()
    failures = [replace(f, path=STANDARD_STREAM) if f.path == stdin_log else f for f in result.failures]
    for failure in failures:
        report(failure)
    print(result, file=sys.stderr)
    return failures


def main(argv: Sequence[str] | None = None) -> int:
    # `paiscribe mjlog-json RECORD`: an XML record as Tenhou's JSON log, a command of its own.
    if mjlog_json.is_invoked(argv):
        return mjlog_json.main(argv)
    args = parse_arguments(argv)
    try:
        if args.output_dir is None:
            failures = run_lines(args.logs, args.output)
        else:
            try:
                failures = run_files(args.logs, args.output_dir, args)
            except (ValueError, OSError) as error:
                print(f"paiscribe: {error}", file=sys.stderr)
                return EXIT_USAGE
        if args.report is not None:
            try:
                write_report(args.report, failures)
            except OSError as error:
                print(f"paiscribe: {args.report}: {error.strerror or error}", file=sys.stderr)
                return 1
        return 1 if failures else 0
    except BrokenPipeError:
        # The reader went away (as `head` does): stop quietly, and point
        # standard output at /dev/null so the interpreter's final flush
        # does not complain again.
        devnull = os.open(os.devnull, os.O_WRONLY)
        os.dup2(devnull, sys.stdout.fileno())
        return EXIT_READER_GONE
    except KeyboardInterrupt:
        print("paiscribe: interrupted", file=sys.stderr)
        return EXIT_INTERRUPTED
