"""`paiscribe mjlog-json RECORD [-o OUT]`: Tenhou's XML game record as its
JSON log, a command of its own beside the conversion to mjai lines."""

import argparse
from collections.abc import Sequence

from paiscribe import subcommands
from paiscribe._native import mjlog_to_tenhou
from paiscribe.subcommands import STANDARD_STREAM, own_arguments, report_failure, write_output

COMMAND = "mjlog-json"

DESCRIPTION = """\
Writes a four-player Tenhou XML game record (mjlog), plain or gzip-compressed,
as Tenhou's JSON log (tenhou.net/6): one line of compact JSON, byte for byte
as Tenhou writes it, without a line end. The log names the game ("ref") when
RECORD is named after it, as Tenhou names a download."""


def is_invoked(argv: Sequence[str] | None) -> bool:
    """Whether the command line asks for this command rather than a conversion."""
    return subcommands.is_invoked(COMMAND, argv)


def build_parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(prog=f"paiscribe {COMMAND}", description=DESCRIPTION)
    parser.add_argument("record", metavar="RECORD", help="an XML record file (.mjlog, .xml, .xml.gz)")
    parser.add_argument("-o", "--output", metavar="OUT", default=STANDARD_STREAM,
                        help='where the log goes: a file, replaced whole, or "-" for standard output (the default)')
    return parser


def main(argv: Sequence[str] | None = None) -> int:
    """Runs `paiscribe mjlog-json ...`; argv starts with the command's name."""
    args = build_parser().parse_args(own_arguments(argv))
    try:
        data = mjlog_to_tenhou(args.record).encode()
    except (ValueError, OSError) as error:
        report_failure(args.record, error)
        return 1
    return write_output(args.output, data)
