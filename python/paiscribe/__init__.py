"""Converts Tenhou JSON game logs (version 6) into mjai event lines."""

from _paiscribe import (
    VERSION,
    JsonParsingError,
    JsonSerializationError,
    TenhouLogParsingError,
    TenhouToMjaiError,
    __version__,
    tenhou_to_mjai,
)

__all__ = [
    "TenhouLogParsingError",
    "TenhouToMjaiError",
    "JsonSerializationError",
    "JsonParsingError",
    "tenhou_to_mjai",
    "__version__",
    "VERSION",
]
