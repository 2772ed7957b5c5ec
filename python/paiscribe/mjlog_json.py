"""`paiscribe mjlog-json RECORD [-o OUT]`: Tenhou's XML game record as its
JSON log, a command of its own beside the conversion to mjai lines."""

import argparse
import os
import stat
import sys
from collections.abc import Sequence

from paiscribe._native import mjlog_to_tenhou
from paiscribe.command_line import EXIT_READER_GONE, STANDARD_STREAM
from paiscribe.report import Failure

COMMAND = "mjlog-json"

DESCRIPTION = """\
Writes a four-player Tenhou XML game record (mjlog), plain or gzip-compressed,
as Tenhou's JSON log (tenhou.net/6): one line of compact JSON, byte for byte
as Tenhou writes it, without a line end. The log names the game ("ref") when
RECORD is named after it, as Tenhou names a download."""


def build_parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(prog=f"paiscribe {COMMAND}", description=DESCRIPTION)
    parser.add_argument("record", metavar="RECORD", help="an XML record file (.mjlog, .xml, .xml.gz)")
    parser.add_argument("-o", "--output", metavar="OUT", default=STANDARD_STREAM,
                        help='where the log goes: a file, replaced whole, or "-" for standard output (the default)')
    return parser


def write_replacing(path: str, data: bytes) -> None:
    """Writes `data` to a file beside `path`, then renames it over `path`:
    the file is whole or as it was. A file replaced keeps its permission
    bits; a new one gets those any new file gets."""
    folder = os.path.dirname(path) or "."
    try:
        mode = stat.S_IMODE(os.stat(path).st_mode)
    except FileNotFoundError:
        mode = None
    for attempt in range(100):
        scratch = os.path.join(folder, f".{os.path.basename(path)}.{os.getpid()}.{attempt}.tmp")
        try:
            descriptor = os.open(scratch, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o666)
            break
        except FileExistsError:
            continue
    else:
        raise FileExistsError(f"no free name for a file beside {path}")
    try:
        with os.fdopen(descriptor, "wb") as out:
            out.write(data)
        if mode is not None:
            os.chmod(scratch, mode)
        os.replace(scratch, path)
    except BaseException:
        os.unlink(scratch)
        raise


def main(argv: Sequence[str] | None = None) -> int:
    """Runs `paiscribe mjlog-json ...`; argv starts with the command's name."""
    arguments = list(sys.argv[1:] if argv is None else argv)[1:]
    args = build_parser().parse_args(arguments)
    try:
        data = mjlog_to_tenhou(args.record).encode()
    except (ValueError, OSError) as error:
        detail = "; ".join(getattr(error, "__notes__", []))
        print(f"paiscribe: {Failure(args.record, type(error).__name__, str(error), detail)}", file=sys.stderr)
        return 1
    try:
        if args.output == STANDARD_STREAM:
            sys.stdout.buffer.write(data)
            sys.stdout.buffer.flush()
        else:
            write_replacing(args.output, data)
    except BrokenPipeError:
        os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
        return EXIT_READER_GONE
    except OSError as error:
        print(f"paiscribe: {args.output}: {error.strerror or error}", file=sys.stderr)
        return 1
    return 0
