"""What paiscribe.convert_files returns and passes to its progress callback."""

from dataclasses import dataclass


@dataclass(frozen=True)
class Failure:
    """One log that did not convert: the exception class name and message that
    tenhou_to_mjai raises for it, and the detail that goes with them ("" when
    there is none)."""

    path: str
    error_class: str
    message: str
    detail: str = ""

    def __str__(self) -> str:
        """The line the command prints: "PATH: message (detail)"."""
        text = f"{self.path}: {self.message}"
        return f"{text} ({self.detail})" if self.detail else text


@dataclass(frozen=True)
class Report:
    """The outcome of a convert_files run.

    >>> report = convert_files(["logs"], "out")
    >>> print(report)
    converted 998 of 1000 logs (2 failed) in 0.41 s
    >>> [failure.path for failure in report.failures]
    ['logs/broken.json', 'logs/three_player.json']
    """

    converted: int
    failed: int
    skipped: int
    failures: tuple[Failure, ...]
    elapsed: float  # seconds

    @property
    def total(self) -> int:
        return self.converted + self.failed + self.skipped

    def __str__(self) -> str:
        notes = f"{self.failed} failed" + (f", {self.skipped} skipped" if self.skipped else "")
        return f"converted {self.converted} of {self.total} logs ({notes}) in {self.elapsed:.2f} s"


@dataclass(frozen=True)
class Progress:
    """Counts while convert_files runs; `total` counts the skipped inputs too."""

    converted: int
    failed: int
    skipped: int
    total: int

    @property
    def done(self) -> int:
        return self.converted + self.failed + self.skipped
