"""Converts Tenhou game records into mjai event lines: JSON logs (version 6)
and XML records (mjlog), plain or gzip- or bz2-compressed, one by one, from
folders, or from the SQLite databases the public downloaders keep.

    >>> import paiscribe
    >>> paiscribe.convert_files(["2024.db"], "out/", gzip=True, layout="date", manifest="out/2024.jsonl")
    >>> lines = paiscribe.tenhou_to_mjai("game.json")          # one JSON log file
    >>> lines = paiscribe.mjlog_to_mjai("game.mjlog")          # one XML record
    >>> lines = paiscribe.convert_file("game.json.gz")         # either, plain or gzip
    >>> lines = paiscribe.convert_text(response_bytes)          # a record in memory
    >>> report = paiscribe.convert_files(["logs/"], "out/")     # a whole corpus
    >>> print(report)
    converted 1000 of 1000 logs (0 failed) in 0.52 s
    >>> paiscribe.check(lines)                                  # the rules replayed
    []
    >>> open("game.html", "w").write(paiscribe.view(lines))     # a page that replays it
    >>> log = paiscribe.mjai_to_tenhou(lines)                   # back to a JSON log

Each line is one mjai event as compact JSON, without a line terminator; the
lines come in the game's single order of events, from start_game to end_game.

tenhou_to_mjai(filename, mjai_out=None) -> list[str]
    The lines of the Tenhou JSON log at filename (str or path-like). With
    mjai_out the lines are also written there, each followed by a line feed,
    once every line exists ("-" is standard output); a file there is replaced
    whole or left as it was. It holds the interpreter lock for the whole call;
    Ctrl-C ends a call that waits on a FIFO.

mjlog_to_mjai(filename, mjai_out=None) -> list[str]
    The same for Tenhou's XML record, plain or gzip-compressed.

mjlog_to_tenhou(filename, json_out=None) -> str
    Tenhou's XML record (its file, or its bytes in memory) as Tenhou's JSON
    log (version 6), as Tenhou writes it; tenhou_to_mjai on that log gives
    mjlog_to_mjai's lines, and it fails as mjlog_to_mjai does. With
    json_out the log is also written there, as mjai_out is written.

convert_file(filename, mjai_out=None) -> list[str]
    The same for either kind of record, plain or gzip-compressed, told apart
    by its first bytes. This package's calls write an output named .gz
    gzip-compressed (tenhou_to_mjai writes plain text whatever the name).

convert_text(data) -> list[str]
    What convert_file gives for a record held in memory (str, bytes or any
    buffer); the interpreter lock is released meanwhile.

convert_files(inputs, output_dir, *, workers=None, gzip=False,
              skip_existing=False, progress=None, clash="skip",
              follow_symlinks=False, include=(), exclude=(), root=None,
              check=False, layout="flat", manifest=None, choice=None) -> Report
    Converts files, folders and downloaders' databases into one .mjson (or
    .mjson.gz) file each, on native threads, and accounts for every game:
    converted, failed, skipped (its output exists, another input's has its
    name, a three-player game, a row without a record, left out by the
    choice of games) or ignored (no log); with manifest, a JSON line per
    game and what its record says of it; see help(paiscribe.convert_files).

convert_records(records, output_dir, *, ...) -> Report
    The same for (name, bytes) pairs from any iterable, taken as the
    workers need them; see help(paiscribe.convert_records).

GameChoice(room=None, length=None, standard_rules=False, connected=False,
           since=None, until=None)
    Which games a run converts: the room ("phoenix"), the length
    ("hanchan", "east"), the ranked tables' rules only, no disconnection,
    the days of the log ids.

check(lines) -> list[Finding]
    Replays mjai lines (a list of str, or a text) under the rules Tenhou plays
    and recomputes every score: [] when every game is legal, else each fault
    with its line, kyoku and seat (at most 100 a game, then their count).

mjai_to_tenhou(lines) -> str
    One game's mjai lines (a list of str, or a text) as Tenhou's JSON log,
    version 6, as Tenhou writes it: the rules replayed give each draw's name
    and each win's fu, han, points and yaku. Lines that are not one legal
    game raise IllegalGameError with check's findings in .findings; the
    interpreter lock is released meanwhile. See help(paiscribe.mjai_to_tenhou)
    for the fields mjai lines do not carry.

check_files(inputs, *, workers=None, progress=None, ...) -> CheckReport
    The same for files and folders of mjai lines (.mjson, .mjson.gz, .json,
    .json.gz) on native threads; see help(paiscribe.check_files).

view(lines, title="paiscribe") -> str
    One self-contained HTML page that replays the games of mjai lines: the
    table at every line, each win as the rules score it, check's findings
    where they happen; page.html#line=N opens at line N. Notebooks show the
    result inline; see help(paiscribe.view).

Failures raise one exception each. Its message is fixed, for programs to
match on; where there is more to say, a note (PEP 678, shown by tracebacks)
says where and why: the line and column of a parse failure, the kyoku, seat
and item of a conversion failure, the system's reason for a file failure.

    JsonParsingError        the text is no four-player Tenhou JSON log
    TenhouLogParsingError   "invalid log": a three-player rule, a bad result
    TenhouToMjaiError       the action lists make no consistent game
    JsonSerializationError  an event without a text form
    MjlogParsingError       the text is no four-player Tenhou XML record
    IllegalGameError        a checked game breaks the rules (convert_files
                            and check_files report it with its findings;
                            mjai_to_tenhou raises it with them)
    OSError and subclasses  the files: FileNotFoundError when a log cannot be
                            opened (OSError when no descriptor is left);
                            errno and strerror stay None

All but OSError derive from ValueError. The command line is `paiscribe`
(or `python -m paiscribe`), with `paiscribe show GAME` to print a game's
table and `paiscribe view GAME... -o game.html` to write the page;
`paiscribe --help` says the rest.
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
from paiscribe._native import (
    IllegalGameError,
    MjlogParsingError,
    convert_file,
    convert_text,
    mjlog_to_mjai,
    mjlog_to_tenhou,
)
from paiscribe.checking import check, check_files
from paiscribe.corpus import convert_files, convert_records
from paiscribe.game_facts import GameChoice
from paiscribe.page import view
from paiscribe.rebuilding import mjai_to_tenhou
from paiscribe.report import CheckReport, Failure, Finding, Ignored, Progress, Report, Skip

__all__ = [
    "TenhouLogParsingError",
    "TenhouToMjaiError",
    "JsonSerializationError",
    "JsonParsingError",
    "tenhou_to_mjai",
    "__version__",
    "VERSION",
    "convert_file",
    "convert_text",
    "mjlog_to_mjai",
    "mjlog_to_tenhou",
    "MjlogParsingError",
    "convert_files",
    "Report",
    "Failure",
    "Progress",
    "Skip",
    "Ignored",
    "check",
    "check_files",
    "Finding",
    "CheckReport",
    "IllegalGameError",
    "view",
    "convert_records",
    "GameChoice",
    "mjai_to_tenhou",
]
