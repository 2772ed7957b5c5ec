import os
from collections.abc import Callable, Sequence
from typing import Any

from _typeshed import ReadableBuffer

class MjlogParsingError(ValueError): ...

def convert_file(filename: str | os.PathLike[str], mjai_out: str | os.PathLike[str] | None = None) -> list[str]: ...
def mjlog_to_mjai(filename: str | os.PathLike[str], mjai_out: str | os.PathLike[str] | None = None) -> list[str]: ...
def convert_text(data: str | ReadableBuffer, /) -> list[str]: ...
def convert_files(
    jobs: Sequence[tuple[bytes, bytes]],
    workers: int,
    gzip: bool,
    progress: Callable[[int, int], Any] | None,
    /,
) -> tuple[int, list[tuple[int, str, str, str]]]: ...
