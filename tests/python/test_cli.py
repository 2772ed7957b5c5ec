import shutil
import subprocess
import sys
from pathlib import Path

import pytest

from _paiscribe import tenhou_to_mjai
from conftest import CONVERTIBLE_LOGS, OPEN_FAILED, PARSE_FAILED, VERSION, as_lines_file, detail_of, run_cli, sample

HANCHAN, TONPUU, FOUR_KAN = (sample(name) for name in CONVERTIBLE_LOGS)


def lines_of(*logs):
    return as_lines_file([line for log in logs for line in tenhou_to_mjai(log)])


@pytest.fixture
def broken_log(tmp_path):
    path = tmp_path / "broken.json"
    path.write_bytes(b"{")
    return str(path)


def test_help_describes_the_outputs():
    result = run_cli("--help")
    assert result.returncode == 0
    text = " ".join(result.stdout.decode().split())
    assert text.startswith("usage: paiscribe ")
    for part in ("[LOG ...]", "-o OUT", "standard output", "every log that converts", "1 when any failed", "130 when",
                 "Every argument after -- is a LOG"):
        assert part in text


def test_version():
    result = run_cli("--version")
    assert (result.returncode, result.stdout) == (0, f"paiscribe {VERSION}\n".encode())


@pytest.mark.parametrize("args", [[], ["-o"], ["--bogus", HANCHAN]])
def test_usage_errors(args):
    result = run_cli(*args)
    assert result.returncode == 2
    assert result.stdout == b""
    assert b"usage: paiscribe" in result.stderr


@pytest.mark.parametrize(
    "args, logs",
    [
        ([HANCHAN], [HANCHAN]),
        ([HANCHAN, TONPUU, FOUR_KAN], [HANCHAN, TONPUU, FOUR_KAN]),
        ([TONPUU, "-o", "-"], [TONPUU]),
        (["-o", "-", FOUR_KAN, HANCHAN], [FOUR_KAN, HANCHAN]),
        ([HANCHAN, HANCHAN], [HANCHAN, HANCHAN]),
        # A log named like a command, in a folder where "check" is a copy of TONPUU.
        (["--", "check"], [TONPUU]),
        (["./check", HANCHAN], [TONPUU, HANCHAN]),
    ],
    ids=["one", "three", "-o -", "-o - first", "twice", "-- check", "./check"],
)
def test_lines_go_to_standard_output(tmp_path, args, logs):
    shutil.copy(TONPUU, tmp_path / "check")
    result = run_cli(*args, cwd=tmp_path)
    assert (result.returncode, result.stderr) == (0, b"")
    assert result.stdout == lines_of(*logs)


@pytest.mark.parametrize("logs", [[TONPUU], [HANCHAN, TONPUU]])
def test_output_file(tmp_path, logs):
    out = tmp_path / "out.mjai"
    result = run_cli(*logs, "-o", str(out))
    assert (result.returncode, result.stdout, result.stderr) == (0, b"", b"")
    assert out.read_bytes() == lines_of(*logs)


def test_failing_log_is_reported_and_the_others_still_convert(tmp_path, broken_log):
    missing = str(tmp_path / "missing.json")
    result = run_cli(HANCHAN, broken_log, missing, TONPUU)
    assert result.returncode == 1
    assert result.stdout == lines_of(HANCHAN, TONPUU)
    assert result.stderr.decode().splitlines() == [
        f"paiscribe: {broken_log}: {PARSE_FAILED} ({detail_of(broken_log)})",
        f'paiscribe: {missing}: {OPEN_FAILED}"{missing}" ({detail_of(missing)})',
    ]


def test_several_logs_into_a_file_keep_the_converted_ones(tmp_path, broken_log):
    out = tmp_path / "out.mjai"
    result = run_cli(broken_log, FOUR_KAN, TONPUU, "-o", str(out))
    assert result.returncode == 1
    assert result.stderr.decode() == f"paiscribe: {broken_log}: {PARSE_FAILED} ({detail_of(broken_log)})\n"
    assert out.read_bytes() == lines_of(FOUR_KAN, TONPUU)


@pytest.mark.parametrize("several", [False, True])
def test_output_file_untouched_when_nothing_converts(tmp_path, broken_log, several):
    out = tmp_path / "out.mjai"
    out.write_bytes(b"old\n")
    logs = [broken_log, broken_log] if several else [broken_log]
    result = run_cli(*logs, "-o", str(out))
    assert result.returncode == 1
    assert out.read_bytes() == b"old\n"


@pytest.mark.parametrize("several", [False, True])
def test_unwritable_output_file(tmp_path, several):
    out = str(tmp_path / "missing" / "out.mjai")
    logs = [HANCHAN, TONPUU] if several else [HANCHAN]
    result = run_cli(*logs, "-o", out)
    assert result.returncode == 1
    assert result.stdout == b""
    message = result.stderr.decode()
    assert message.startswith("paiscribe: ") and out in message
    assert message.count("\n") == 1


def test_standard_output_that_takes_no_lines_fails_once():
    with open("/dev/full", "wb") as full:
        result = subprocess.run([sys.executable, "-m", "paiscribe", HANCHAN, TONPUU], stdout=full,
                                stderr=subprocess.PIPE, timeout=60)
    assert (result.returncode, result.stderr.decode()) == (
        1, "paiscribe: -: failed to write to mjai out file (No space left on device (ENOSPC))\n")


def test_reader_going_away_is_quiet():
    with subprocess.Popen(
        [sys.executable, "-m", "paiscribe", *[HANCHAN] * 30],
        stdout=subprocess.PIPE,
        stderr=subprocess.PIPE,
    ) as process:
        first = process.stdout.readline()
        process.stdout.close()
        stderr = process.stderr.read()
        process.wait(timeout=60)
    assert first.startswith(b'{"type":"start_game"')
    assert stderr == b""
    assert process.returncode == 141


def test_console_script_is_installed():
    script = Path(sys.executable).with_name("paiscribe")
    result = subprocess.run([str(script), "--version"], capture_output=True, timeout=60)
    assert result.stdout == f"paiscribe {VERSION}\n".encode()
