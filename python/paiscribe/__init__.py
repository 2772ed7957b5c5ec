"""Converts Tenhou game records into mjai event lines: JSON logs (version 6)
and XML records (mjlog), plain or gzip-compressed.

    >>> import paiscribe
    >>> lines = paiscribe.tenhou_to_mjai("game.json")          # one log file
    >>> lines = paiscribe.mjlog_to_mjai("game.mjlog")          # one XML record
    >>> lines = paiscribe.convert_text(response_bytes)          # a log in memory
    >>> report = paiscribe.convert_files(["logs/"], "out/")     # a whole corpus
    >>> print(report)
    converted 1000 of 1000 logs (0 failed) in 0.52 s
"""

from _paiscribe import (
    VERSION,
    JsonParsingError,
    JsonSerializationError,
    TenhouLogParsingError,
    TenhouToMjaiError,
    __version__,
    tenhou_to_mjai,
)
from paiscribe._native import MjlogParsingError, convert_text
from paiscribe.corpus import convert_files
from paiscribe.mjlog import mjlog_to_mjai
from paiscribe.report import Failure, Progress, Report

__all__ = [
    "TenhouLogParsingError",
    "TenhouToMjaiError",
    "JsonSerializationError",
    "JsonParsingError",
    "tenhou_to_mjai",
    "__version__",
    "VERSION",
    "convert_text",
    "mjlog_to_mjai",
    "MjlogParsingError",
    "convert_files",
    "Report",
    "Failure",
    "Progress",
]
