"""Tenhou's XML records: the same lines as their JSON twins, and every bad
record one documented exception."""

import gzip
import io
import json
import os
import shutil
import subprocess
import sys

import pytest

import paiscribe
from conftest import DATA, as_lines_file, run_cli

MJLOG = DATA / "mjlog"


def test_records_give_the_lines_of_their_json_twins():
    for xml, json in [("mjlog_001.xml", "real_001.json"), ("mjlog_005.xml", "real_005.json")]:
        assert paiscribe.mjlog_to_mjai(MJLOG / xml) == paiscribe.tenhou_to_mjai(MJLOG / json), xml
    # This pair's placeholder names differ; every other line is the same.
    xml = paiscribe.mjlog_to_mjai(MJLOG / "mjlog_023.xml")
    json = paiscribe.tenhou_to_mjai(MJLOG / "real_011.json")
    assert xml[1:] == json[1:] and xml[0] != json[0]


def test_gzip_record_file_and_text_in_memory(tmp_path):
    lines = paiscribe.mjlog_to_mjai(MJLOG / "mjlog_007.mjlog", tmp_path / "out.mjson")
    assert lines[0].startswith('{"type":"start_game"') and lines[-1] == '{"type":"end_game"}'
    assert (tmp_path / "out.mjson").read_bytes() == as_lines_file(lines)
    assert paiscribe.convert_text(gzip.decompress((MJLOG / "mjlog_007.mjlog").read_bytes())) == lines


def test_corpus_tells_records_from_logs_by_content(tmp_path):
    source = tmp_path / "in"
    source.mkdir()
    shutil.copy(MJLOG / "mjlog_001.xml", source / "a.xml")
    shutil.copy(MJLOG / "mjlog_007.mjlog", source / "b.mjlog")
    shutil.copy(MJLOG / "real_011.json", source / "c.json")
    report = paiscribe.convert_files([source], tmp_path / "out", workers=2)
    assert (report.converted, report.failed) == (3, 0)
    assert (tmp_path / "out/a.mjson").read_bytes() == as_lines_file(paiscribe.mjlog_to_mjai(source / "a.xml"))
    assert (tmp_path / "out/b.mjson").read_bytes() == as_lines_file(paiscribe.mjlog_to_mjai(source / "b.mjlog"))


@pytest.mark.parametrize(
    "content, error_type, message",
    [
        (None, paiscribe.MjlogParsingError, "three-player games are not supported"),
        (b"hello", paiscribe.MjlogParsingError, "failed to parse mjlog record"),
        (b'<mjloggm ver="2.3"><GO type="169" lobby="0"/>', paiscribe.MjlogParsingError,
         "failed to parse mjlog record"),
        (b"\x1f\x8b\x08\x00broken", OSError, "failed to decompress gzip log: "),
    ],
    ids=["three-player", "not-xml", "cut-short", "corrupt-gzip"],
)
def test_bad_records_raise_one_documented_exception(tmp_path, content, error_type, message):
    path = MJLOG / "mjlog_011.xml"
    if content is not None:
        path = tmp_path / "record.mjlog"
        path.write_bytes(content)
    with pytest.raises(error_type) as raised:
        paiscribe.mjlog_to_mjai(path, tmp_path / "never.mjson")
    assert issubclass(paiscribe.MjlogParsingError, ValueError)
    (text,) = raised.value.args
    if error_type is OSError:
        assert text.startswith(message) and len(text) > len(message)
    else:
        assert text == message
        assert raised.value.__notes__, "the note says what is wrong and where"
    assert not (tmp_path / "never.mjson").exists()
    # The record fails the same way when it is exported.
    with pytest.raises(error_type) as exported:
        paiscribe.mjlog_to_tenhou(path)
    assert exported.value.args == raised.value.args


def test_missing_record_names_its_path(tmp_path):
    with pytest.raises(FileNotFoundError) as raised:
        paiscribe.mjlog_to_mjai(tmp_path / "none.mjlog")
    assert raised.value.args == (f'failed to open mjlog record file "{tmp_path / "none.mjlog"}"',)


def test_command_line_tells_a_record_by_its_content(tmp_path):
    record = tmp_path / "game.log"  # the name says nothing
    shutil.copy(MJLOG / "mjlog_007.mjlog", record)
    result = run_cli(str(record))
    assert result.returncode == 0, result.stderr
    assert result.stdout == as_lines_file(paiscribe.mjlog_to_mjai(record))


# (record, its JSON twin, the game's id, whether the twin is Tenhou's compact export)
TWINS = [
    ("mjlog_001.xml", "real_001.json", "2019021004gm-00a9-0000-e2f6516d", True),
    ("mjlog_005.xml", "real_005.json", "2019123123gm-00a9-0000-f4386d0e", True),
    ("mjlog_023.xml", "real_011.json", "2015090309gm-0009-7447-fa717ec6", False),
]
FIELDS = ["ver", "ref", "log", "name", "rule", "sc", "dan", "rate", "sx", "ratingc", "lobby"]


@pytest.mark.parametrize("xml, twin, game_id, compact", TWINS, ids=[twin[0] for twin in TWINS])
def test_record_exported_as_json_is_its_twin(tmp_path, xml, twin, game_id, compact):
    # Named and packed as Tenhou hands out a download.
    record = tmp_path / f"{game_id}&tw=0.mjlog"
    record.write_bytes(gzip.compress((MJLOG / xml).read_bytes()))
    exported = paiscribe.mjlog_to_tenhou(record)
    log, expected = json.loads(exported), json.loads((MJLOG / twin).read_text(encoding="utf-8"))
    if xml == "mjlog_023.xml":  # the twin's names were replaced
        assert log["name"] == ["player1", "player2", "player3", "player4"]
        log["name"] = expected["name"]
    assert {field: log.get(field) for field in FIELDS} == {field: expected.get(field) for field in FIELDS}
    if compact:
        assert exported == (MJLOG / twin).read_text(encoding="utf-8")
    # The exported log converts to the record's own lines.
    (tmp_path / "exported.json").write_text(exported, encoding="utf-8")
    assert paiscribe.tenhou_to_mjai(tmp_path / "exported.json") == paiscribe.mjlog_to_mjai(record)


def test_exported_log_names_no_game_a_file_name_does_not_give(tmp_path):
    log = json.loads(paiscribe.mjlog_to_tenhou(MJLOG / "mjlog_001.xml"))
    assert "ref" not in log and log["ver"] == 2.3
    # A game played for chips keeps them after the final scores.
    chips = json.loads(paiscribe.mjlog_to_tenhou(MJLOG / "chip_game.xml"))
    assert chips["sc"] == [24300, -15.7, 9800, -40.2, 30700, 10.7, 35200, 45.2, 0, 0, -5, -2.5, -2, -1, 7, 3.5]
    assert chips["rule"]["disp"] == "般東喰赤速"


@pytest.mark.parametrize(
    "args, kwargs, message",
    [
        ((MJLOG / "mjlog_001.xml", None, None), {},
         "mjlog_to_tenhou() takes from 1 to 2 positional arguments but 3 were given"),
        ((MJLOG / "mjlog_001.xml",), {"mjai_out": None}, "mjlog_to_tenhou() got an unexpected keyword argument 'mjai_out'"),
        ((io.BytesIO(b"<mjloggm/>"),), {},
         "argument 'filename': expected str, bytes or os.PathLike object, not BytesIO"),
        ((MJLOG / "mjlog_001.xml",), {"json_out": b"out.json"},
         "argument 'json_out': 'bytes' object cannot be converted to 'PyString'"),
    ],
)
def test_export_takes_a_filename_and_an_output(args, kwargs, message):
    with pytest.raises(TypeError) as raised:
        paiscribe.mjlog_to_tenhou(*args, **kwargs)
    assert raised.value.args == (message,)


def test_export_writes_what_it_returns(tmp_path):
    record = MJLOG / "mjlog_005.xml"
    (tmp_path / "game.json").write_bytes(b"old")
    log = paiscribe.mjlog_to_tenhou(record, json_out=tmp_path / "game.json")
    assert (tmp_path / "game.json").read_bytes() == log.encode()
    assert paiscribe.mjlog_to_tenhou(memoryview(record.read_bytes())) == log
    with pytest.raises(paiscribe.MjlogParsingError):
        paiscribe.mjlog_to_tenhou(MJLOG / "real_005.json", tmp_path / "game.json")
    assert (tmp_path / "game.json").read_bytes() == log.encode()
    with pytest.raises(OSError) as raised:
        paiscribe.mjlog_to_tenhou(record, tmp_path / "missing" / "game.json")
    assert str(raised.value) == f"failed to create json out file {tmp_path / 'missing' / 'game.json'}"


def closed_pipe_as_standard_output():
    read_end, write_end = os.pipe()
    os.close(read_end)
    os.dup2(write_end, 1)


@pytest.mark.parametrize(
    "name, arguments, set_up, status, stderr",
    [
        ("a reader gone away", [], closed_pipe_as_standard_output, 141, ""),
        ("standard output closed", [], lambda: os.close(1), 2, "paiscribe: standard output is closed: give -o OUT\n"),
        ("an output that cannot be made", ["-o", "/nonexistent/game.json"], None, 1,
         "paiscribe: /nonexistent/game.json: failed to create json out file /nonexistent/game.json "
         "(No such file or directory (ENOENT))\n"),
    ],
)
def test_command_line_export_failures(name, arguments, set_up, status, stderr):
    result = subprocess.run([sys.executable, "-m", "paiscribe", "mjlog-json", str(MJLOG / "mjlog_005.xml"), *arguments],
                            stdout=None if set_up else subprocess.DEVNULL, stderr=subprocess.PIPE, preexec_fn=set_up,
                            timeout=60)
    assert (result.returncode, result.stderr.decode()) == (status, stderr)


def test_command_line_exports_a_record(tmp_path):
    record = MJLOG / "mjlog_005.xml"
    result = run_cli("mjlog-json", str(record))
    assert result.returncode == 0, result.stderr
    assert result.stdout == paiscribe.mjlog_to_tenhou(record).encode()
    result = run_cli("mjlog-json", str(record), "-o", str(tmp_path / "game.json"))
    assert result.returncode == 0, result.stderr
    assert (tmp_path / "game.json").read_bytes() == paiscribe.mjlog_to_tenhou(record).encode()
    (tmp_path / "plain.json").touch()  # what any new file gets
    assert (tmp_path / "game.json").stat().st_mode == (tmp_path / "plain.json").stat().st_mode
    # A file replaced keeps its permission bits, and nothing else stays beside it.
    (tmp_path / "game.json").chmod(0o640)
    assert run_cli("mjlog-json", str(record), "-o", str(tmp_path / "game.json")).returncode == 0
    assert (tmp_path / "game.json").stat().st_mode & 0o777 == 0o640
    assert sorted(path.name for path in tmp_path.iterdir()) == ["game.json", "plain.json"]
    result = run_cli("mjlog-json", str(MJLOG / "real_005.json"), "-o", str(tmp_path / "never.json"))
    assert result.returncode == 1
    assert result.stderr.decode().startswith(f"paiscribe: {MJLOG / 'real_005.json'}: failed to parse mjlog record (")
    assert not (tmp_path / "never.json").exists()
