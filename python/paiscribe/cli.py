"""The paiscribe command: converts Tenhou logs to mjai lines."""

import argparse
import os
import sys

from _paiscribe import __version__, tenhou_to_mjai

STANDARD_OUTPUT = "-"

DESCRIPTION = """\
Converts four-player Tenhou JSON game logs (tenhou.net/6) into mjai event
lines: compact JSON, one event per line."""

EPILOG = """\
Without -o, or with -o -, the lines of each log go to standard output in the
order the logs are given. With -o FILE and one LOG, FILE is created (or
truncated) only when the log converts; a failing log leaves it untouched. With
-o FILE and several logs, FILE receives the lines of every log that converts,
in the order given, written once all logs were tried; when none converts, FILE
is left untouched. A log that fails is reported on standard error as
"paiscribe: LOG: message" and the other logs are still converted. The exit
status is 1 when any log failed, otherwise 0."""


def build_parser():
    parser = argparse.ArgumentParser(
        prog="paiscribe",
        description=DESCRIPTION,
        epilog=EPILOG,
        formatter_class=argparse.RawDescriptionHelpFormatter,
    )
    parser.add_argument("logs", nargs="+", metavar="LOG", help="a Tenhou JSON log file")
    parser.add_argument(
        "-o",
        "--output",
        metavar="OUT",
        default=STANDARD_OUTPUT,
        help='where the lines go: a file, or "-" for standard output (the default)',
    )
    parser.add_argument("--version", action="version", version=f"%(prog)s {__version__}")
    return parser


def report(name, error):
    print(f"paiscribe: {name}: {error}", file=sys.stderr)


def convert(log, mjai_out=None):
    """The log's lines, or None after reporting why there are none."""
    try:
        return tenhou_to_mjai(log, mjai_out)
    except (ValueError, OSError) as error:
        report(log, error)
        return None


def write_standard_output(lines):
    out = sys.stdout.buffer
    out.write("".join(line + "\n" for line in lines).encode())
    out.flush()


def write_file(path, lines):
    try:
        with open(path, "wb") as out:
            out.write("".join(line + "\n" for line in lines).encode())
    except OSError as error:
        report(path, error.strerror or error)
        return False
    return True


def run(logs, output):
    """Converts every log; returns whether all of them converted."""
    if output != STANDARD_OUTPUT and len(logs) == 1:
        return convert(logs[0], output) is not None

    all_converted = True
    collected = []
    for log in logs:
        lines = convert(log)
        if lines is None:
            all_converted = False
        elif output == STANDARD_OUTPUT:
            write_standard_output(lines)
        else:
            collected.extend(lines)
    if collected and not write_file(output, collected):
        return False
    return all_converted


def main(argv=None):
    args = build_parser().parse_args(argv)
    try:
        return 0 if run(args.logs, args.output) else 1
    except BrokenPipeError:
        # The reader went away (as `head` does): stop quietly, and point
        # standard output at /dev/null so the interpreter's final flush
        # does not complain again.
        devnull = os.open(os.devnull, os.O_WRONLY)
        os.dup2(devnull, sys.stdout.fileno())
        return 1
