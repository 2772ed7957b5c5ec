"""`paiscribe check FILE|DIR ...`: checks files of mjai lines under the rules
Tenhou plays, a command of its own beside the conversion."""

import argparse
import sys
from collections.abc import Sequence

from paiscribe import _native
from paiscribe.batch import check_arguments
from paiscribe.checking import check_files
from paiscribe.command_line import (EXIT_FAILED, EXIT_INTERRUPTED, EXIT_USAGE, add_jobs_option, add_walk_options,
                                    given_arguments, quiet_standard_output)
from paiscribe.report import Failure

COMMAND = "check"

DESCRIPTION = """\
Checks mjai lines under the rules Tenhou plays: replays every game and
recomputes every score. FILE is a file of mjai lines (.mjson, .mjson.gz, or
mjai .json, .json.gz), one game or several one after another, plain or
gzip-compressed; DIR is walked for files with those endings.

Each finding goes to standard output as "FILE: line N, KYOKU, seat S:
message"; a file that cannot be read goes to standard error. The run ends
with "checked N files: L legal, I illegal, F failed in T s" on standard
error, then with -v each file ignored and why. Exit status: 0 when every game
is legal, 1 when any is not or a file cannot be checked (or standard output
cannot take the findings), 2 on a usage error, 130 when interrupted."""


def build_parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(prog=f"paiscribe {COMMAND}", description=DESCRIPTION,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("inputs", nargs="+", metavar="FILE|DIR", help="a file of mjai lines, or a folder of them")
    add_jobs_option(parser, "threads to check on (default: the CPUs available)")
    add_walk_options(parser)
    loudness = parser.add_mutually_exclusive_group()
    loudness.add_argument("-q", "--quiet", action="store_true", help="only the summary")
    loudness.add_argument("-v", "--verbose", action="store_true", help="also a line for every file ignored")
    return parser


def print_failure(failure: Failure) -> None:
    if not failure.findings:
        print(f"paiscribe: {failure}", file=sys.stderr)
        return
    sys.stdout.write("".join(f"{failure.path}: {finding}\n" for finding in failure.findings))


def main(argv: Sequence[str] | None = None) -> int:
    """Runs `paiscribe check ...`; argv starts with the command's name."""
    parser = build_parser()
    args = parser.parse_args(given_arguments(argv)[1:])
    if sys.stdout is None and not args.quiet:
        print("paiscribe: standard output is closed: give -q", file=sys.stderr)
        return EXIT_USAGE
    try:
        workers = check_arguments(args.jobs, None)
        report = check_files(args.inputs, workers=workers, follow_symlinks=args.follow_symlinks,
                             include=args.include or (), exclude=args.exclude or (),
                             on_failure=None if args.quiet else print_failure)
        if sys.stdout is not None:
            sys.stdout.flush()
    except KeyboardInterrupt:
        print("paiscribe: interrupted", file=sys.stderr)
        return EXIT_INTERRUPTED
    except BrokenPipeError:
        return quiet_standard_output()
    except OSError as error:
        # Only standard output can fail so: a file's failure is reported, never raised.
        detail = str(error) if error.errno is None else _native.os_error_detail(error.errno)
        print(f"paiscribe: standard output: {detail}", file=sys.stderr)
        quiet_standard_output()
        return EXIT_FAILED
    except (TypeError, ValueError) as error:
        parser.error(str(error))
    if args.verbose:
        for ignored in report.ignores:
            print(f"paiscribe: {ignored}", file=sys.stderr)
    print(f"{report} (-v lists them)" if report.ignores and not args.verbose else report, file=sys.stderr)
    return EXIT_FAILED if report.failures else 0
