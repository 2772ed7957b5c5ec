"""What the commands of `paiscribe` share: how one is asked for, the options
that walk folders, the exit statuses, how a file that fails is reported, how
a whole output is written and the quiet end when the reader of standard
output goes away."""

import argparse
import os
import signal
import sys
from collections.abc import Callable, Sequence

from paiscribe._native import write_output as write_native
from paiscribe.report import Failure

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


def own_arguments(argv: Sequence[str] | None) -> list[str]:
    """The arguments after a command's name."""
    return given_arguments(argv)[1:]


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


def report_failure(path: str, error: BaseException) -> None:
    """"paiscribe: PATH: message (detail)" on standard error, as the conversion reports a log."""
    detail = "; ".join(getattr(error, "__notes__", []))
    print(f"paiscribe: {Failure(path, type(error).__name__, str(error), detail)}", file=sys.stderr)


def write_output(output: str, data: bytes) -> int:
    """Writes `data` to standard output ("-") or to the file `output` by the
    one writer of outputs (a file replaced whole, a FIFO or device written in
    place); the exit status: 0, EXIT_FAILED with the reason said, EXIT_USAGE
    when standard output is closed, or EXIT_READER_GONE when its reader went
    away."""
    try:
        if output != STANDARD_STREAM:
            write_native(output, data)
        elif sys.stdout is None:
            print("paiscribe: standard output is closed: give -o OUT", file=sys.stderr)
            return EXIT_USAGE
        else:
            sys.stdout.buffer.write(data)
            sys.stdout.buffer.flush()
    except BrokenPipeError:
        return quiet_standard_output()
    except OSError as error:
        report_failure(output, error)
        return EXIT_FAILED
    return 0


def usage_error(text: str) -> int:
    print(f"paiscribe: {text}", file=sys.stderr)
    return EXIT_USAGE


# The fixed messages of a failure of a JSON log's output rather than its input.
JSON_OUT_FAILURES = ("failed to create json out file ", "failed to write to json out file")


def write_json_log(source: str, output: str, what: str, write: Callable[[str | bytes, str], object],
                   also: Callable[[BaseException], None] = lambda error: None) -> int:
    """What `paiscribe mjlog-json` and `paiscribe tenhou-json` share:
    `write(source, output)` writes the JSON log made from `source` (a path,
    or for "-" the bytes of standard input) to `output`, which may not be
    `source` itself (`what` names it). The exit status; a failure is
    reported under the output's path when the output failed, then whatever
    `also` adds."""
    if output == STANDARD_STREAM:
        if sys.stdout is None:
            return usage_error("standard output is closed: give -o OUT")
        sys.stdout.flush()
    elif output_among_inputs(output, [source]) is not None:
        return usage_error(f"{output} is the {what}: its log would replace it")
    given: str | bytes = source
    if source == STANDARD_STREAM:
        if sys.stdin is None:
            return usage_error("standard input is closed")
        given = sys.stdin.buffer.read()
    try:
        write(given, output)
    except BrokenPipeError:
        return quiet_standard_output()
    except (ValueError, OSError) as error:
        report_failure(output if str(error).startswith(JSON_OUT_FAILURES) else source, error)
        also(error)
        return EXIT_FAILED
    return 0
