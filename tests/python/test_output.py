import json
import os
import shutil
from pathlib import Path

import pytest

import paiscribe
from _paiscribe import JsonParsingError, TenhouLogParsingError, TenhouToMjaiError, tenhou_to_mjai
from conftest import (
    CONVERTIBLE_LOGS,
    DATA,
    THREE_PLAYER_LOG,
    as_lines_file,
    run_python,
    sample,
    with_bad_call,
)

GOOD = sample(CONVERTIBLE_LOGS[0])
CREATE_FAILED = "failed to create mjai out file "
WRITE_FAILED = "failed to write to mjai out file"


def assert_os_error(error, message):
    assert type(error) is OSError
    assert error.args == (message,)
    assert error.errno is None and error.strerror is None and error.filename is None


@pytest.mark.parametrize("name", CONVERTIBLE_LOGS)
def test_file_holds_exactly_the_returned_lines(tmp_path, name):
    out = tmp_path / "out.mjai"
    lines = tenhou_to_mjai(sample(name), str(out))
    assert lines == tenhou_to_mjai(sample(name))
    assert out.read_bytes() == as_lines_file(lines)


def test_long_game_comes_whole(tmp_path):
    # Past one run of events, so the list grows run by run while the file gets every line.
    game = json.loads(Path(GOOD).read_bytes())
    game["log"] *= 8
    log = tmp_path / "long.json"
    log.write_text(json.dumps(game, ensure_ascii=False), encoding="utf-8")
    short = tenhou_to_mjai(GOOD)
    out = tmp_path / "out.mjai"
    lines = tenhou_to_mjai(str(log), str(out))
    assert lines == [short[0], *short[1:-1] * 8, short[-1]]
    assert tenhou_to_mjai(str(log)) == lines
    assert out.read_bytes() == as_lines_file(lines)


def test_existing_file_is_truncated(tmp_path):
    out = tmp_path / "out.mjai"
    out.write_bytes(b"x" * 1_000_000)
    lines = tenhou_to_mjai(GOOD, str(out))
    assert out.read_bytes() == as_lines_file(lines)


def test_new_file_gets_mode_0666_under_the_umask(tmp_path):
    out = tmp_path / "out.mjai"
    old = os.umask(0o022)
    try:
        tenhou_to_mjai(GOOD, str(out))
    finally:
        os.umask(old)
    assert out.stat().st_mode & 0o777 == 0o644


def test_output_may_replace_the_log_itself(tmp_path):
    log = tmp_path / "game.json"
    shutil.copy(GOOD, log)
    lines = tenhou_to_mjai(str(log), str(log))
    assert lines == tenhou_to_mjai(GOOD)
    assert log.read_bytes() == as_lines_file(lines)


@pytest.mark.parametrize(
    "make_log, error_type",
    [
        (lambda tmp: str(tmp / "missing.json"), FileNotFoundError),
        (lambda tmp: str(tmp), OSError),
        (lambda tmp: write(tmp, b"{}"), JsonParsingError),
        (lambda tmp: write(tmp, b"\xff"), OSError),
        (lambda tmp: sample(THREE_PLAYER_LOG), JsonParsingError),
        (lambda tmp: write(tmp, __import__("json").dumps(with_bad_call()).encode()), TenhouToMjaiError),
    ],
    ids=["missing", "directory", "wrong-shape", "not-utf8", "three-player", "bad-call"],
)
def test_failing_log_leaves_existing_output_untouched(tmp_path, make_log, error_type):
    out = tmp_path / "out.mjai"
    out.write_bytes(b"keep me\n")
    with pytest.raises(error_type):
        tenhou_to_mjai(make_log(tmp_path), str(out))
    assert out.read_bytes() == b"keep me\n"


def test_failing_log_creates_no_output(tmp_path):
    out = tmp_path / "out.mjai"
    with pytest.raises(JsonParsingError):
        tenhou_to_mjai(write(tmp_path, b""), str(out))
    assert not out.exists()


def write(directory, content):
    path = directory / "log.json"
    path.write_bytes(content)
    return str(path)


@pytest.mark.parametrize(
    "out, shown",
    [
        ("missing/out.mjai", "missing/out.mjai"),
        ("missing/tab\tquote\"'", "missing/tab\tquote\"'"),
        (os.fsdecode(b"missing/\xff\x80.mjai"), "missing/\ufffd\ufffd.mjai"),
        (os.fsdecode(b"missing/\xe6\x9d.mjai"), "missing/\ufffd.mjai"),
        (os.fsdecode(b"missing/\xf0\x9f\x80"), "missing/\ufffd"),
        ("missing/東.mjai", "missing/東.mjai"),
        ("", ""),
        ("nul\0byte", "nul\0byte"),
        (".", "."),
        ("./", "./"),
    ],
)
def test_create_failure_shows_the_display_form(tmp_path, monkeypatch, out, shown):
    monkeypatch.chdir(tmp_path)
    with pytest.raises(OSError) as raised:
        tenhou_to_mjai(GOOD, out)
    assert_os_error(raised.value, CREATE_FAILED + shown)


def test_directory_as_output(tmp_path):
    with pytest.raises(OSError) as raised:
        tenhou_to_mjai(GOOD, str(tmp_path))
    assert_os_error(raised.value, CREATE_FAILED + str(tmp_path))


@pytest.mark.skipif(not os.path.exists("/dev/full"), reason="needs /dev/full")
def test_write_failure():
    with pytest.raises(OSError) as raised:
        tenhou_to_mjai(GOOD, "/dev/full")
    assert_os_error(raised.value, WRITE_FAILED)


STANDARD_OUTPUT_CHILD = """
import sys
import paiscribe
lines = getattr(paiscribe, sys.argv[1])(sys.argv[2], sys.argv[3])
sys.stderr.write(repr(lines))
"""


@pytest.mark.parametrize(
    "function, out",
    [("tenhou_to_mjai", out) for out in ["-", "-/", "-//", "-/.", "-/./"]]
    + [("mjlog_to_mjai", "-"), ("convert_file", "-/")],
)
def test_dash_writes_to_file_descriptor_one(tmp_path, function, out):
    log = str(DATA / "mjlog" / "mjlog_001.xml") if function == "mjlog_to_mjai" else GOOD
    child = run_python(STANDARD_OUTPUT_CHILD, function, log, out, cwd=tmp_path)
    lines = eval(child.stderr)
    assert lines == getattr(paiscribe, function)(log)
    assert child.stdout == as_lines_file(lines)
    assert list(tmp_path.iterdir()) == []


@pytest.mark.parametrize("out, created", [("./-", "-"), ("-.", "-."), ("--", "--")])
def test_near_dashes_name_files(tmp_path, out, created):
    child = run_python(STANDARD_OUTPUT_CHILD, "tenhou_to_mjai", GOOD, out, cwd=tmp_path)
    lines = eval(child.stderr)
    assert child.stdout == b""
    assert (tmp_path / created).read_bytes() == as_lines_file(lines)


def test_dash_with_standard_output_closed_drops_the_lines():
    code = """
import os, sys
from _paiscribe import tenhou_to_mjai
os.close(1)
lines = tenhou_to_mjai(sys.argv[1], "-")
sys.stderr.write(str(len(lines)))
"""
    child = run_python(code, GOOD)
    assert int(child.stderr) == len(tenhou_to_mjai(GOOD))


def test_dash_into_a_closed_pipe_is_a_write_failure():
    code = """
import os, sys
from _paiscribe import tenhou_to_mjai
read_end, write_end = os.pipe()
os.close(read_end)
os.dup2(write_end, 1)
try:
    tenhou_to_mjai(sys.argv[1], "-")
except OSError as error:
    sys.stderr.write(repr((type(error).__name__, error.args, error.errno)))
"""
    child = run_python(code, GOOD)
    assert eval(child.stderr) == ("OSError", (WRITE_FAILED,), None)


def test_dash_lines_follow_earlier_output_in_order():
    # Lines reach descriptor 1 as each write completes, so what Python
    # flushed before the call comes first and nothing is held back after it.
    code = """
import os, sys
from _paiscribe import tenhou_to_mjai
os.write(1, b"before\\n")
lines = tenhou_to_mjai(sys.argv[1], "-")
os.write(1, b"after\\n")
"""
    child = run_python(code, GOOD)
    lines = tenhou_to_mjai(GOOD)
    assert child.stdout == b"before\n" + as_lines_file(lines) + b"after\n"
