"""The downloaders' databases as a source: both layouts, every row once in
the manifest with what became of it, the date layout, the skips that are
no failure, the choice of games, and a resume that does exactly the rest."""

import bz2
import gzip
import json
import sqlite3
import time

import pytest

import paiscribe
from conftest import DATA, run_cli

MJLOG = DATA / "mjlog"


def xml(name):
    data = (MJLOG / name).read_bytes()
    return gzip.decompress(data) if data[:2] == b"\x1f\x8b" else data


# The rows of both layouts, in id order: (log id, three-player, was_error, XML
# record or None), and what becomes of each (status, reason).
ROWS = [
    ("2019021004gm-00a9-0000-e2f6516d", False, False, xml("mjlog_001.xml"), ("converted", "")),
    ("2019123123gm-00a9-0000-f4386d0e", False, False, xml("mjlog_005.xml"), ("converted", "")),
    ("2020010100gm-00b9-0000-75b25bcf", True, False, xml("mjlog_011.xml"), ("skipped", "three-player")),
    ("2021030405gm-0009-0000-00000001", False, False, xml("mjlog_023.xml"), ("converted", "")),
    ("2021030406gm-0009-0000-00000002", False, False, None, ("skipped", "not-downloaded")),
    ("2021030407gm-0009-0000-00000003", False, True, None, ("skipped", "download-failed")),
    ("2022060222gm-0001-0000-a87679bc", False, False, xml("mjlog_007.mjlog"), ("converted", "")),
    ("2022060223gm-0641-0000-00000004", False, False, xml("chip_game.xml"), ("converted", "")),
]
CUT = ("2023010100gm-00a9-0000-0000dead", False, False, xml("mjlog_001.xml"), ("failed", "OSError"))
LINES = {row[0]: paiscribe.convert_text(row[3]) for row in ROWS if row[4][0] == "converted"}


def make_database(path, layout, rows):
    """A downloader's database of the layout ("gzip" or "bz2") holding the rows;
    a row of CUT's id holds its record cut short."""
    connection = sqlite3.connect(path)
    if layout == "gzip":
        connection.execute("CREATE TABLE logs(id TEXT PRIMARY KEY, date TEXT, num_players INTEGER, is_tonpu INTEGER,"
                           " is_processed INTEGER, was_error INTEGER, log BLOB)")
        connection.execute("CREATE TABLE last_fetch_time(date TEXT)")
        connection.execute("CREATE TABLE file_index(date TEXT)")
    else:
        connection.execute("CREATE TABLE logs(log_id text primary key, date text, is_tonpusen int, is_sanma int,"
                           " is_processed int, was_error int, log_content text, log_hash text)")
    # Inserted out of order: the rows come out in id order all the same.
    for log_id, three_player, was_error, record, _ in reversed(rows):
        packed = None if record is None else (gzip.compress(record) if layout == "gzip" else bz2.compress(record))
        if packed is not None and log_id == CUT[0]:
            packed = packed[: len(packed) // 2]
        fetched = int(record is not None or was_error)
        if layout == "gzip":
            connection.execute("INSERT INTO logs VALUES (?, ?, ?, 0, ?, ?, ?)",
                               (log_id, log_id[:10], 3 if three_player else 4, fetched, int(was_error), packed))
        else:
            connection.execute("INSERT INTO logs VALUES (?, ?, 0, ?, ?, ?, ?, '')",
                               (log_id, log_id[:10], int(three_player), fetched, int(was_error), packed or ""))
    connection.commit()
    connection.close()
    return path


def manifest_rows(path):
    return [json.loads(line) for line in path.read_text().splitlines()]


@pytest.mark.parametrize("layout", ["gzip", "bz2"])
def test_every_row_converts_or_is_skipped_once_in_id_order(tmp_path, layout):
    database = make_database(tmp_path / "2024.db", layout, [*ROWS, CUT])
    out, manifest = tmp_path / "out", tmp_path / "manifest.jsonl"
    report = paiscribe.convert_files([database], out, gzip=True, layout="date", manifest=manifest, workers=2)
    rows = manifest_rows(manifest)
    assert [(row["id"], row["status"], row["reason"].split(":")[0]) for row in rows] == [
        (log_id, *outcome) for log_id, *_, outcome in [*ROWS, CUT]]
    assert (report.converted, report.failed, report.skipped_by_reason()) == (
        5, 1, {"three-player": 1, "not-downloaded": 1, "download-failed": 1})
    assert str(report).startswith("converted 5 of 9 logs (1 failed, 1 three-player, 1 not downloaded, "
                                  "1 failed to download)")
    for log_id, lines in LINES.items():
        output = out / log_id[:4] / log_id[4:6] / log_id[6:8] / f"{log_id}.mjson.gz"
        assert gzip.decompress(output.read_bytes()).decode().splitlines() == lines
    first = rows[0]
    assert {key: first[key] for key in ("date", "room", "rule", "kyokus", "grades", "scores", "places")} == {
        "date": "2019-02-10", "room": "phoenix", "rule": "鳳南喰赤", "kyokus": 10,
        "grades": ["七段", "七段", "七段", "九段"], "scores": [4400, 7100, 40700, 47800], "places": [4, 3, 2, 1]}


def test_a_run_of_only_skips_exits_zero_and_counts_them(tmp_path):
    database = make_database(tmp_path / "games", "bz2", ROWS)
    result = run_cli(str(database), "-O", str(tmp_path / "out"), "--room", "phoenix")
    assert result.returncode == 0, result.stderr
    assert b"converted 2 of 8 logs (0 failed, 3 of another room, 1 three-player, 1 not downloaded, " \
           b"1 failed to download)" in result.stderr
    assert sorted(path.name for path in (tmp_path / "out").iterdir()) == [f"{ROWS[0][0]}.mjson",
                                                                          f"{ROWS[1][0]}.mjson"]


def test_a_database_without_an_output_folder_is_a_usage_error(tmp_path):
    database = make_database(tmp_path / "games", "gzip", ROWS[:1])
    result = run_cli(str(database))
    assert (result.returncode, result.stdout) == (2, b"")
    assert result.stderr == f"paiscribe: {database} is a database: databases are converted with -O OUTDIR\n".encode()


# What each choice converts of ROWS (by index), and the reason of the rest
# that it leaves out.
CHOICES = {
    "phoenix": (paiscribe.GameChoice(room="phoenix"), {0, 1}, "room"),
    "general": (paiscribe.GameChoice(room="general"), {3, 6, 7}, "room"),
    "east only": (paiscribe.GameChoice(length="east"), {6, 7}, "length"),
    "hanchan": (paiscribe.GameChoice(length="hanchan"), {0, 1, 3}, "length"),
    "standard rules": (paiscribe.GameChoice(standard_rules=True), {0, 1, 3, 6}, "rules"),
    "no disconnection": (paiscribe.GameChoice(connected=True), {0, 1, 3, 6, 7}, "disconnected"),
    "dates": (paiscribe.GameChoice(since=__import__("datetime").date(2019, 12, 31),
                                   until=__import__("datetime").date(2021, 3, 4)), {1, 3}, "date"),
}


@pytest.mark.parametrize("name", CHOICES)
def test_a_choice_leaves_out_the_other_games_as_skips(tmp_path, name):
    choice, kept, reason = CHOICES[name]
    database = make_database(tmp_path / "games.db", "gzip", ROWS)
    report = paiscribe.convert_files([database], tmp_path / "out", choice=choice)
    convertible = {i for i, row in enumerate(ROWS) if row[4][0] == "converted"}
    assert report.converted == len(kept)
    assert sorted(skip.path for skip in report.skips if skip.reason == reason) == sorted(
        ROWS[i][0] for i in convertible - kept)
    assert report.failed == 0


def test_a_resume_with_the_manifest_does_exactly_the_rest(tmp_path):
    records = [(log_id, gzip.compress(record)) for log_id, _, _, record, outcome in ROWS if outcome[0] == "converted"]
    out, manifest = tmp_path / "out", tmp_path / "manifest.jsonl"

    def stopped_after(count):
        """Ctrl-C once the first `count` games are written."""
        yield from records[:count]
        deadline = time.monotonic() + 60
        while not all((out / f"{log_id}.mjson").exists() for log_id, _ in records[:count]):
            assert time.monotonic() < deadline
            time.sleep(0.01)
        raise KeyboardInterrupt

    with pytest.raises(KeyboardInterrupt):
        paiscribe.convert_records(stopped_after(2), out, manifest=manifest, workers=1)
    first = manifest_rows(manifest)
    assert [row["status"] for row in first] == ["converted", "converted"]
    # An output touched since: the manifest, not the files' times, says what is done.
    (out / f"{records[0][0]}.mjson").touch()
    report = paiscribe.convert_records(records, out, manifest=manifest, skip_existing=False)
    assert (report.converted, report.skipped_by_reason()) == (len(records) - 2, {"done": 2})
    rows = manifest_rows(manifest)
    assert [row["id"] for row in rows] == [log_id for log_id, _ in records]
    assert rows[:2] == first
    assert {row["status"] for row in rows} == {"converted"}


@pytest.mark.parametrize(
    "tables, expected",
    [
        (["CREATE TABLE games(id TEXT)"], "holds the tables games"),
        (["CREATE TABLE logs(id TEXT, log BLOB)"], "holds a table logs(id, log)"),
        ([], "holds no table"),
    ],
    ids=["other table", "other columns", "empty"],
)
def test_another_sqlite_file_fails_naming_what_it_holds(tmp_path, tables, expected):
    path = tmp_path / "other.sqlite"
    connection = sqlite3.connect(path)
    for table in tables:
        connection.execute(table)
    connection.execute("PRAGMA user_version = 1")  # an empty database is written too
    connection.commit()
    connection.close()
    report = paiscribe.convert_files([path], tmp_path / "out")
    [failure] = report.failures
    assert (failure.error_class, failure.message) == ("ValueError", "not a database of games")
    assert failure.detail.endswith(expected)


def test_a_database_is_only_read_beside_a_downloader_writing_to_it(tmp_path):
    database = make_database(tmp_path / "2024.db", "gzip", ROWS[:2])
    before = database.read_bytes()
    downloader = sqlite3.connect(database, isolation_level=None)
    downloader.execute("BEGIN IMMEDIATE")
    downloader.execute("INSERT INTO logs VALUES ('2024010100gm-00a9-0000-00000000', '', 4, 0, 0, 0, NULL)")
    during = paiscribe.convert_files([database], tmp_path / "out")
    downloader.execute("ROLLBACK")
    downloader.close()
    database.chmod(0o444)
    after = paiscribe.convert_files([database], tmp_path / "again")
    assert (during.converted, after.converted) == (2, 2)
    assert database.read_bytes() == before
    assert sorted(path.name for path in tmp_path.iterdir()) == ["2024.db", "again", "out"]


@pytest.mark.parametrize(
    "name, layout, expected",
    [
        ("../escape", "flat", ("ValueError", "its name leads outside the output folder")),
        ("no-id.xml", "date", ("ValueError", "no log id in its name to take a date from")),
    ],
    ids=["name outside", "no date"],
)
def test_records_from_memory_fail_for_names_that_cannot_be_outputs(tmp_path, name, layout, expected):
    report = paiscribe.convert_records([(name, xml("mjlog_001.xml"))], tmp_path / "out", layout=layout)
    assert [(failure.error_class, failure.message) for failure in report.failures] == [expected]
    assert not (tmp_path / "escape.mjson").exists()


def test_records_from_memory_refuse_what_is_no_pair(tmp_path):
    with pytest.raises(TypeError, match=r"record 1 must be a \(str, bytes\) pair, not \(str, int\)"):
        paiscribe.convert_records([("a", xml("mjlog_001.xml")), ("b", 1)], tmp_path / "out")
