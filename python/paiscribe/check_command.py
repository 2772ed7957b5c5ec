"""`paiscribe check FILE|DIR ...`: checks files of mjai lines under the rules
Tenhou plays, a command of its own beside the conversion."""

import argparse
import os
import sys
from collections.abc import Sequence

from paiscribe.checking import check_files
from paiscribe.corpus import check_arguments
from paiscribe.report import Failure

COMMAND = "check"
EXIT_ILLEGAL = 1
EXIT_USAGE = 2
EXIT_INTERRUPTED = 130
EXIT_READER_GONE = 141  # 128 + SIGPIPE, as the conversion command exits

DESCRIPTION = """\
Checks mjai lines under the rules Tenhou plays: replays every game and
recomputes every score. FILE is a file of mjai lines (.mjson, .mjson.gz, or
mjai .json, .json.gz), one game or several one after another, plain or
gzip-compressed; DIR is walked for files with those endings.

Each finding goes to standard output as "FILE: line N, KYOKU, seat S:
message"; a file that cannot be read goes to standard error. The run ends
with "checked N files: L legal, I illegal, F failed in T s" on standard
error. Exit status: 0 when every game is legal, 1 when any is not or a file
cannot be checked, 2 on a usage error, 130 when interrupted."""


def is_invoked(argv: Sequence[str] | None) -> bool:
    """Whether the command line asks for this command rather than a conversion."""
    arguments = sys.argv[1:] if argv is None else argv
    return len(arguments) > 0 and arguments[0] == COMMAND


def build_parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(prog=f"paiscribe {COMMAND}", description=DESCRIPTION,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("inputs", nargs="+", metavar="FILE|DIR", help="a file of mjai lines, or a folder of them")
    parser.add_argument("-j", "--jobs", metavar="N", type=int, help="threads to check on (default: the CPUs available)")
    parser.add_argument("-L", "--follow-symlinks", action="store_true", help="walk links to folders")
    parser.add_argument("--include", metavar="GLOB", action="append", help="take the files that match (repeatable)")
    parser.add_argument("--exclude", metavar="GLOB", action="append",
                        help="leave out the files and folders that match (repeatable)")
    parser.add_argument("-q", "--quiet", action="store_true", help="only the summary")
    return parser


def print_failure(failure: Failure) -> None:
    if not failure.findings:
        print(f"paiscribe: {failure}", file=sys.stderr)
        return
    sys.stdout.write("".join(f"{failure.path}: {finding}\n" for finding in failure.findings))


def main(argv: Sequence[str] | None = None) -> int:
    """Runs `paiscribe check ...`; argv starts with the command's name."""
    parser = build_parser()
    args = parser.parse_args(list(sys.argv[1:] if argv is None else argv)[1:])
    try:
        workers = check_arguments(args.jobs, None)
    except (TypeError, ValueError) as error:
        parser.error(str(error))
    try:
        report = check_files(args.inputs, workers=workers, follow_symlinks=args.follow_symlinks,
                             include=args.include or (), exclude=args.exclude or (),
                             on_failure=None if args.quiet else print_failure)
    except KeyboardInterrupt:
        print("paiscribe: interrupted", file=sys.stderr)
        return EXIT_INTERRUPTED
    except BrokenPipeError:
        os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
        return EXIT_READER_GONE
    print(report, file=sys.stderr)
    return EXIT_ILLEGAL if report.failures else 0
