"""The SQLite databases of the public downloaders of Tenhou's games, as a
source of records: each row a game named by its log id, read in id order a
page at a time, so a year of 200,000 rows is never held at once.

Two layouts are known by their schemas, whatever the file is called:

    logs(id, date, num_players, is_tonpu, is_processed, was_error, log)
        `log` the gzip-compressed XML record; NULL when it is not downloaded
        (is_processed 0) or the download failed (was_error 1).
    logs(log_id, date, is_tonpusen, is_sanma, is_processed, was_error,
         log_content, log_hash)
        `log_content` the bz2-compressed XML record, or '' when there is none.

A database is opened read-only (a downloader may be writing to it), and
each page is its own short read: no lock is held between pages, and
nothing is ever written.
"""

import contextlib
import os
import urllib.parse
from collections.abc import Iterator
from dataclasses import dataclass
from typing import TYPE_CHECKING

from paiscribe.report import Failure, Skip
from paiscribe.walk import Record, kind_of

if TYPE_CHECKING:
    import sqlite3

# Rows read at a time: a read short enough that the workers' queue of jobs
# (bench/bench_databases.py) does not run dry meanwhile.
PAGE_ROWS = 32


@dataclass(frozen=True)
class Layout:
    """Where a layout keeps a row's id, whether it is a three-player game,
    whether it was fetched, and its record."""

    name: str
    columns: frozenset[str]
    id: str
    three_player: str  # an SQL expression
    record: str

    def query(self) -> str:
        # The record as bytes, whichever way the downloader stored it.
        return (f"SELECT {self.id}, {self.three_player}, was_error, CAST({self.record} AS BLOB) FROM logs "
                f"WHERE {self.id} > ? ORDER BY {self.id} LIMIT ?")


LAYOUTS = (
    Layout("gzip", frozenset({"id", "date", "num_players", "is_tonpu", "is_processed", "was_error", "log"}),
           "id", "num_players = 3", "log"),
    Layout("bz2", frozenset({"log_id", "date", "is_tonpusen", "is_sanma", "is_processed", "was_error",
                             "log_content", "log_hash"}),
           "log_id", "is_sanma", "log_content"),
)


class DatabaseError(ValueError):
    """A SQLite file that holds no downloader's table of games."""


def is_database(path: str) -> bool:
    """Whether the file at path is a SQLite database, by its first bytes."""
    return kind_of(path) == "database"


def connect(path: str) -> "sqlite3.Connection":
    """A read-only connection that starts no transaction of its own."""
    import sqlite3  # only a run over a database needs it

    uri = "file:" + urllib.parse.quote(os.path.abspath(path)) + "?mode=ro"
    return sqlite3.connect(uri, uri=True, isolation_level=None, check_same_thread=False)


def layout_of(connection: "sqlite3.Connection", path: str) -> Layout:
    """The layout of the database's table of games, or DatabaseError naming what it holds."""
    tables = sorted(name for (name,) in connection.execute(
        "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"))
    if "logs" in tables:
        columns = {row[1] for row in connection.execute("PRAGMA table_info(logs)")}
        for layout in LAYOUTS:
            if layout.columns <= columns:
                return layout
        found = f"a table logs({', '.join(sorted(columns))})"
    else:
        found = f"the tables {', '.join(tables)}" if tables else "no table"
    raise DatabaseError(f"{path} is no downloader's database of games: it holds {found}")


def _skip_reason(was_error: object) -> str:
    return "download-failed" if was_error else "not-downloaded"


def database_records(path: str) -> Iterator[Record | Skip | Failure]:
    """Every row of the database at path in id order: a Record named by its
    log id holding its compressed record, or a Skip for a three-player game
    or a row without a record. A database that cannot be read is a Failure."""
    import sqlite3

    try:
        connection = connect(path)
    except sqlite3.Error as error:
        yield Failure(path, "OSError", "failed to read database", str(error))
        return
    with contextlib.closing(connection):
        try:
            layout = layout_of(connection, path)
        except DatabaseError as error:
            yield Failure(path, "ValueError", "not a database of games", str(error))
            return
        except sqlite3.Error as error:
            yield Failure(path, "OSError", "failed to read database", str(error))
            return
        yield from _rows(connection, layout, path)


def _rows(connection: "sqlite3.Connection", layout: Layout, path: str) -> Iterator[Record | Skip | Failure]:
    import sqlite3

    query = layout.query()
    last = ""
    while True:
        try:
            # Read whole, so that the read ends before the rows are worked on.
            rows = connection.execute(query, (last, PAGE_ROWS)).fetchall()
        except sqlite3.Error as error:
            yield Failure(path, "OSError", "failed to read database", str(error))
            return
        if not rows:
            return
        for row_id, three_player, was_error, record in rows:
            log_id = str(row_id)
            if three_player:
                yield Skip(log_id, "three-player", "")
            elif not record:
                yield Skip(log_id, _skip_reason(was_error), "")
            else:
                yield Record(log_id, log_id + ".mjlog", record)
        last = rows[-1][0]
