"""`paiscribe mjlog-json RECORD [-o OUT]`: Tenhou's XML game record as its
JSON log, a command of its own beside the conversion to mjai lines."""

import argparse
import sys
from collections.abc import Sequence

from paiscribe._native import mjlog_to_tenhou
from paiscribe.command_line import (EXIT_FAILED, EXIT_USAGE, STANDARD_STREAM, output_among_inputs, own_arguments,
                                    quiet_standard_output)
from paiscribe.report import Failure

COMMAND = "mjlog-json"
# The fixed messages of a failure of the output rather than the record.
OUTPUT_FAILURES = ("failed to create json out file ", "failed to write to json out file")

DESCRIPTION = """\
Writes a four-player Tenhou XML game record (mjlog), plain or gzip-compressed,
as Tenhou's JSON log (tenhou.net/6): one line of compact JSON, byte for byte
as Tenhou writes it, without a line end. The log names the game ("ref") when
RECORD is named after it, as Tenhou names a download. A RECORD of "-" is read
from standard input. An OUT whose name ends in .gz is gzip-compressed."""


def build_parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(prog=f"paiscribe {COMMAND}", description=DESCRIPTION)
    parser.add_argument("record", metavar="RECORD",
                        help='an XML record file (.mjlog, .xml, .xml.gz), or "-" for standard input')
    parser.add_argument("-o", "--output", metavar="OUT", default=STANDARD_STREAM,
                        help='where the log goes: a file, replaced whole, or "-" for standard output (the default)')
    return parser


def usage_error(text: str) -> int:
    print(f"paiscribe: {text}", file=sys.stderr)
    return EXIT_USAGE


def main(argv: Sequence[str] | None = None) -> int:
    """Runs `paiscribe mjlog-json ...`; argv starts with the command's name."""
    args = build_parser().parse_args(own_arguments(argv))
    if args.output == STANDARD_STREAM:
        if sys.stdout is None:
            return usage_error("standard output is closed: give -o OUT")
        sys.stdout.flush()
    elif output_among_inputs(args.output, [args.record]) is not None:
        return usage_error(f"{args.output} is the record: its log would replace it")
    record: str | bytes = args.record
    if record == STANDARD_STREAM:
        if sys.stdin is None:
            return usage_error("standard input is closed")
        record = sys.stdin.buffer.read()
    try:
        mjlog_to_tenhou(record, args.output)
    except BrokenPipeError:
        return quiet_standard_output()
    except (ValueError, OSError) as error:
        failed = args.output if str(error).startswith(OUTPUT_FAILURES) else args.record
        detail = "; ".join(getattr(error, "__notes__", []))
        print(f"paiscribe: {Failure(failed, type(error).__name__, str(error), detail)}", file=sys.stderr)
        return EXIT_FAILED
    return 0
