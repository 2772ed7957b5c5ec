"""What the commands beside the conversion share: how each is asked for,
how a file that fails is reported, and how a whole output is written."""

import os
import stat
import sys
from collections.abc import Sequence

from paiscribe.report import Failure

STANDARD_STREAM = "-"
EXIT_FAILED = 1
EXIT_READER_GONE = 141  # 128 + SIGPIPE, as the conversion command exits


def is_invoked(command: str, argv: Sequence[str] | None) -> bool:
    """Whether the command line asks for `command` rather than a conversion."""
    arguments = sys.argv[1:] if argv is None else argv
    return len(arguments) > 0 and arguments[0] == command


def own_arguments(argv: Sequence[str] | None) -> list[str]:
    """The arguments after the command's name."""
    return list(sys.argv[1:] if argv is None else argv)[1:]


def report_failure(path: str, error: BaseException) -> None:
    """"paiscribe: PATH: message (detail)" on standard error, as the conversion reports a log."""
    detail = "; ".join(getattr(error, "__notes__", []))
    print(f"paiscribe: {Failure(path, type(error).__name__, str(error), detail)}", file=sys.stderr)


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


def write_output(output: str, data: bytes) -> int:
    """Writes `data` to standard output ("-") or to the file `output`,
    replaced whole; the exit status: 0, EXIT_FAILED with the reason said, or
    EXIT_READER_GONE when the reader of standard output went away."""
    try:
        if output == STANDARD_STREAM:
            sys.stdout.buffer.write(data)
            sys.stdout.buffer.flush()
        else:
            write_replacing(output, data)
    except BrokenPipeError:
        os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
        return EXIT_READER_GONE
    except OSError as error:
        print(f"paiscribe: {output}: {error.strerror or error}", file=sys.stderr)
        return EXIT_FAILED
    return 0
