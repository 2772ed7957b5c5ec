from collections.abc import Callable, Sequence
from typing import Any

from _typeshed import ReadableBuffer

class MjlogParsingError(ValueError): ...

def mjlog_to_mjai(filename: bytes, mjai_out: bytes | None, /) -> list[str]: ...
def convert_text(data: str | ReadableBuffer, /) -> list[str]: ...
def convert_files(
    jobs: Sequence[tuple[bytes, bytes]],
    workers: int,
    gzip: bool,
    progress: Callable[[int, int], Any] | None,
    /,
) -> tuple[int, list[tuple[int, str, str, str]]]: ...
