"""`paiscribe tenhou-json FILE [-o OUT]`: one game's mjai lines as Tenhou's
JSON log, a command of its own beside the conversion to mjai lines."""

import argparse
import sys
from collections.abc import Sequence

from paiscribe._native import IllegalGameError, mjai_file_to_tenhou, mjai_to_tenhou
from paiscribe.command_line import STANDARD_STREAM, own_arguments, write_json_log
from paiscribe.report import Finding

COMMAND = "tenhou-json"

DESCRIPTION = """\
Writes one four-player game of mjai lines as Tenhou's JSON log
(tenhou.net/6): one line of compact JSON as Tenhou writes it, without a line
end, which Tenhou's viewer opens and `paiscribe` converts back into the same
lines. FILE holds the lines, plain or compressed (known by its first bytes);
"-" is standard input. An OUT whose name ends in .gz is gzip-compressed.

The lines are replayed under the rules Tenhou plays, which give what the log
holds beyond them: each draw's name, and each win's fu, han, points and yaku.
Lines that are not one legal game (a game cut short among them) write
nothing: "paiscribe: FILE: the game breaks the rules (FINDING)" goes to
standard error, then each finding as "FILE: line N, KYOKU, seat S: message".
Exit status: 0 when the log is written, 1 when it is not, 2 on a usage
error."""


def build_parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(prog=f"paiscribe {COMMAND}", description=DESCRIPTION,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("file", metavar="FILE", help='a file of mjai lines (.mjson, .mjson.gz), or "-"')
    parser.add_argument("-o", "--output", metavar="OUT", default=STANDARD_STREAM,
                        help='where the log goes: a file, replaced whole, or "-" for standard output (the default)')
    return parser


def write_log(lines: str | bytes, output: str) -> None:
    """A file by its path, standard input by its bytes."""
    if isinstance(lines, str):
        mjai_file_to_tenhou(lines, output)
    else:
        mjai_to_tenhou(lines, output)


def main(argv: Sequence[str] | None = None) -> int:
    """Runs `paiscribe tenhou-json ...`; argv starts with the command's name."""
    args = build_parser().parse_args(own_arguments(argv))

    def each_finding(error: BaseException) -> None:
        if isinstance(error, IllegalGameError):
            for found in getattr(error, "findings", ()):
                print(f"{args.file}: {Finding(*found)}", file=sys.stderr)

    return write_json_log(args.file, args.output, "file of lines", write_log, each_finding)
