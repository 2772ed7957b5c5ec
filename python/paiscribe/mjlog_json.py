"""`paiscribe mjlog-json RECORD [-o OUT]`: Tenhou's XML game record as its
JSON log, a command of its own beside the conversion to mjai lines."""

import argparse
from collections.abc import Sequence

from paiscribe._native import mjlog_to_tenhou
from paiscribe.command_line import STANDARD_STREAM, own_arguments, write_json_log

COMMAND = "mjlog-json"

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


def main(argv: Sequence[str] | None = None) -> int:
    """Runs `paiscribe mjlog-json ...`; argv starts with the command's name."""
    args = build_parser().parse_args(own_arguments(argv))
    return write_json_log(args.record, args.output, "record", mjlog_to_tenhou)
