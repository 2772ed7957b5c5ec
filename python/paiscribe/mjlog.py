"""Tenhou's XML game records (mjlog), converted like its JSON logs."""

import os

from paiscribe import _native

PathLike = str | os.PathLike[str]


def mjlog_to_mjai(filename: PathLike, mjai_out: PathLike | None = None) -> list[str]:
    """The mjai lines of the mjlog record at filename, as tenhou_to_mjai gives
    them for the same game's JSON log.

    The record is Tenhou's XML, plain or gzip-compressed (a downloaded .mjlog
    file), told apart by its first bytes. With mjai_out the lines are also
    written there, each followed by a line feed, once every line exists ("-"
    is standard output); a file there is replaced whole or left as it was.

    A text that is no four-player game record raises MjlogParsingError, with
    what is wrong and where in a note; a three-player game says so in its
    message. The game's play fails as a JSON log's does (TenhouToMjaiError,
    TenhouLogParsingError), and files as tenhou_to_mjai's do (OSError).

        >>> lines = mjlog_to_mjai("2019021004gm-00a9-0000-e2f6516d.mjlog")
        >>> lines[0][:25]
        '{"type":"start_game","nam'
    """
    output = None if mjai_out is None else os.fsencode(os.fspath(mjai_out))
    return _native.mjlog_to_mjai(os.fsencode(os.fspath(filename)), output)
