"""What a run works on: the files given by name, the folders walked under
filters, and the records held in memory, each found file or record as a
Record, with an Ignored for each file passed over and a Failure for each
folder that cannot be read. It does no work on what it finds.
"""

import os
import re
import stat
from collections.abc import Callable, Iterable, Iterator
from dataclasses import dataclass
from typing import NamedTuple

from paiscribe import _native
from paiscribe.report import Failure, Ignored, Skip

PathLike = str | os.PathLike[str]

# The name endings of logs, longest first, matched without regard to case. A
# folder walk takes files with one of them; a file given by name is taken
# whatever its name.
LOG_ENDINGS: tuple[str, ...] = (".json.gz", ".json", ".mjlog", ".xml.gz", ".xml")


class Record(NamedTuple):
    """A record to work on: its name in every report (its path, unless data
    holds it), its path below the folder it was found in (its name alone when
    it was given by name), and its bytes when it is held in memory."""

    name: str
    relative: str
    data: bytes | None = None


def log_ending(name: str, endings: tuple[str, ...] = LOG_ENDINGS) -> str | None:
    """The log ending of a file name, as it is written there, or None."""
    folded = name.lower()
    for ending in endings:
        if folded.endswith(ending):
            return name[-len(ending) :]
    return None


def _glob_body(pattern: str) -> str:
    """A regular expression for a glob: * and ? stay within a path component,
    ** crosses them, [...] is a class of characters, a backslash quotes."""
    out = []
    at = 0
    while at < len(pattern):
        char = pattern[at]
        if pattern.startswith("**", at):
            out.append(".*")
            at += 2
            continue
        if char == "*":
            out.append("[^/]*")
        elif char == "?":
            out.append("[^/]")
        elif char == "\\" and at + 1 < len(pattern):
            at += 1
            out.append(re.escape(pattern[at]))
        elif char == "[" and (end := pattern.find("]", at + 2)) != -1:
            inside = pattern[at + 1 : end]
            negated = inside[0] in "!^"
            inside = inside[1:] if negated else inside
            out.append("[" + ("^/" if negated else "") + inside.replace("\\", "\\\\").replace("[", "\\[") + "]")
            at = end
        else:
            out.append(re.escape(char))
        at += 1
    return "".join(out)


@dataclass(frozen=True)
class _Glob:
    """One --include or --exclude pattern, as rsync reads it: without a slash
    it matches a name at any depth; with one it matches the end of the path
    below the folder walked, or the whole of it when it starts with a slash;
    a trailing slash matches folders only."""

    regex: re.Pattern[str]
    folders_only: bool

    @classmethod
    def of(cls, pattern: str) -> "_Glob":
        """ValueError for a pattern that is no glob, such as a range [z-a]."""
        folders_only = pattern.endswith("/") and pattern.strip("/") != ""
        body = pattern.rstrip("/") if folders_only else pattern
        anchored = body.startswith("/")
        try:
            regex = re.compile(("^" if anchored else "(?:^|/)") + _glob_body(body.lstrip("/")) + "$")
        except re.error as error:
            raise ValueError(f"{pattern!r} is no glob: {error.msg}") from None
        return cls(regex, folders_only)

    def matches(self, relative: str, is_folder: bool) -> bool:
        return (is_folder or not self.folders_only) and self.regex.search(relative) is not None


@dataclass(frozen=True)
class Filters:
    """Which files a folder walk takes. Without include patterns, files with
    one of the endings; with them, the files that match one, whatever their
    ending. An exclude pattern leaves out a file, or a folder with all it
    holds, and wins over an include pattern."""

    include: tuple[_Glob, ...] = ()
    exclude: tuple[_Glob, ...] = ()
    endings: tuple[str, ...] = LOG_ENDINGS

    @classmethod
    def of(cls, include: Iterable[str], exclude: Iterable[str], endings: tuple[str, ...] = LOG_ENDINGS) -> "Filters":
        return cls(tuple(map(_Glob.of, _patterns(include, "include"))),
                   tuple(map(_Glob.of, _patterns(exclude, "exclude"))), endings)

    def excludes(self, relative: str, is_folder: bool) -> bool:
        return any(glob.matches(relative, is_folder) for glob in self.exclude)

    def why_not_taken(self, relative: str, name: str) -> str | None:
        """The reason a file is ignored, or None when it is taken."""
        if self.excludes(relative, False):
            return "excluded"
        if self.include:
            return None if any(glob.matches(relative, False) for glob in self.include) else "not-included"
        return None if log_ending(name, self.endings) is not None else "no-log-ending"


def _patterns(value: Iterable[str], name: str) -> tuple[str, ...]:
    patterns = (value,) if isinstance(value, str) else tuple(value)
    for pattern in patterns:
        if not isinstance(pattern, str):
            raise TypeError(f"{name} must be a glob or a sequence of globs (str), not {type(pattern).__name__}")
    return patterns


def _folder_failure(path: str, error: OSError) -> Failure:
    """A folder that cannot be read, with the detail a log's failure has."""
    detail = str(error) if error.errno is None else _native.os_error_detail(error.errno)
    return Failure(path, type(error).__name__, "failed to read folder", detail)


@dataclass
class _Frame:
    """A folder being walked: its remaining entries, its identity and its
    path below the folder the walk started in ("" there, else ending in /)."""

    entries: Iterator[os.DirEntry[str]]
    identity: tuple[int, int]
    relative: str


def walk_logs(
    folder: str, follow_symlinks: bool = False, filters: Filters = Filters()
) -> Iterator[Record | Ignored | Failure]:
    """Everything under folder, in name order, depth first: each log to
    convert, an Ignored for each other file (and for each folder left out),
    and a Failure for each folder that cannot be read. Walks without
    recursion, so depth costs no stack; a link to a folder is walked only
    with follow_symlinks, and never back into a folder above it."""
    stack: list[_Frame] = []
    above: set[tuple[int, int]] = set()

    def enter(path: str, identity: tuple[int, int], relative: str) -> Failure | None:
        try:
            with os.scandir(path) as scan:
                entries = sorted(scan, key=lambda entry: entry.name)
        except OSError as error:
            return _folder_failure(path, error)
        stack.append(_Frame(iter(entries), identity, relative))
        above.add(identity)
        return None

    try:
        top = os.stat(folder)
    except OSError as error:
        yield _folder_failure(folder, error)
        return
    if failure := enter(folder, (top.st_dev, top.st_ino), ""):
        yield failure
    while stack:
        frame = stack[-1]
        entry = next(frame.entries, None)
        if entry is None:
            stack.pop()
            above.discard(frame.identity)
            continue
        relative = frame.relative + entry.name
        is_link = entry.is_symlink()
        try:
            found: os.stat_result | None = entry.stat()
        except OSError:
            # A link to nothing, or to itself: a log by its name fails to
            # open, and is reported as such.
            found = None
        if found is not None and stat.S_ISDIR(found.st_mode):
            identity = (found.st_dev, found.st_ino)
            if filters.excludes(relative, True):
                yield Ignored(entry.path, "excluded")
            elif is_link and not follow_symlinks:
                yield Ignored(entry.path, "folder-link")
            elif identity in above:
                yield Ignored(entry.path, "loop")
            elif failure := enter(entry.path, identity, relative + "/"):
                yield failure
            continue
        if reason := filters.why_not_taken(relative, entry.name):
            yield Ignored(entry.path, reason)
        elif found is not None and not stat.S_ISREG(found.st_mode):
            yield Ignored(entry.path, "not-regular")
        else:
            yield Record(entry.path, relative)


# The first bytes of every SQLite database file.
SQLITE_MAGIC = b"SQLite format 3\0"


def kind_of(path: str) -> str:
    """"folder", "database" (a regular file that opens as SQLite's do,
    whatever its name) or "file" (anything else, whether or not it can be
    read), with one open: a FIFO opens without a wait and is left unread."""
    try:
        descriptor = os.open(path, os.O_RDONLY | os.O_NONBLOCK)
    except OSError:
        return "file"
    try:
        mode = os.fstat(descriptor).st_mode
        if stat.S_ISDIR(mode):
            return "folder"
        if stat.S_ISREG(mode) and os.read(descriptor, len(SQLITE_MAGIC)) == SQLITE_MAGIC:
            return "database"
        return "file"
    except OSError:
        return "file"
    finally:
        os.close(descriptor)


def gather(
    inputs: Iterable[PathLike | Record],
    filters: Filters = Filters(),
    follow_symlinks: bool = False,
    database_rows: Callable[[str], Iterable[Record | Skip | Failure]] | None = None,
) -> Iterator[Record | Ignored | Failure | Skip]:
    """What the inputs given hold, in the order given: a record held in
    memory as it is, a folder walked, with database_rows a database given by
    name its rows, and anything else as a file by its name, whatever its
    name and whether or not it can be read. A folder walk takes no
    database."""
    for item in inputs:
        if isinstance(item, Record):
            yield item
            continue
        given = os.fspath(item)
        kind = kind_of(given) if database_rows is not None else "folder" if os.path.isdir(given) else "file"
        if kind == "database" and database_rows is not None:
            yield from database_rows(given)
        elif kind == "folder":
            yield from walk_logs(given, follow_symlinks, filters)
        else:
            yield Record(given, os.path.basename(given))
