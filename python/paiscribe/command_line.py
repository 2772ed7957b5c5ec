"""What the commands of `paiscribe` share: how one is asked for, the options
that walk folders, the exit statuses and the quiet end when the reader of
standard output goes away."""

import argparse
import os
import signal
import sys
from collections.abc import Sequence

STANDARD_STREAM = "-"

EXIT_FAILED = 1
EXIT_USAGE = 2
# 128 + the signal's number, as a shell reports a program that the signal ended.
EXIT_INTERRUPTED = 128 + signal.SIGINT
EXIT_READER_GONE = 128 + signal.SIGPIPE
EXIT_TERMINATED = 128 + signal.SIGTERM


def given_arguments(argv: Sequence[str] | None) -> list[str]:
    """The arguments after the program's name."""
    return list(sys.argv[1:] if argv is None else argv)


def is_invoked(command: str, argv: Sequence[str] | None) -> bool:
    """Whether the command line asks for `command` rather than a conversion:
    only its first argument names a command, so a log by that name is given
    as ./NAME, or after --."""
    arguments = given_arguments(argv)
    return len(arguments) > 0 and arguments[0] == command


def add_jobs_option(parser: argparse._ActionsContainer, help: str) -> None:
    parser.add_argument("-j", "--jobs", metavar="N", type=int, help=help)


def add_walk_options(parser: argparse._ActionsContainer) -> None:
    """-L, --include and --exclude: how a folder is walked."""
    parser.add_argument("-L", "--follow-symlinks", action="store_true", help="walk links to folders")
    parser.add_argument("--include", metavar="GLOB", action="append", help="take the files that match (repeatable)")
    parser.add_argument("--exclude", metavar="GLOB", action="append",
                        help="leave out the files and folders that match (repeatable)")


def output_among_inputs(output: str, inputs: Sequence[str]) -> str | None:
    """The input that the file output names (the same file, after links), or
    None: writing there would replace it."""
    try:
        out = os.stat(output)
    except (OSError, ValueError):
        return None
    for given in inputs:
        if given == STANDARD_STREAM:
            continue
        try:
            if os.path.samestat(out, os.stat(given)):
                return given
        except (OSError, ValueError):
            continue
    return None


def quiet_standard_output() -> int:
    """The reader went away (as `head` does): points standard output at
    /dev/null, so the interpreter's final flush does not complain again, and
    gives the status to exit with."""
    devnull = os.open(os.devnull, os.O_WRONLY)
    os.dup2(devnull, sys.stdout.fileno())
    os.close(devnull)
    return EXIT_READER_GONE
