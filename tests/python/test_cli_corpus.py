import json
import os
import pty
import re
import shutil
import subprocess
import sys
import termios

import pytest

from conftest import CONVERTIBLE_LOGS, PARSE_FAILED, as_lines_file, detail_of, run_cli, sample
from _paiscribe import tenhou_to_mjai

HANCHAN, TONPUU, _ = (sample(name) for name in CONVERTIBLE_LOGS)
SUMMARY = r"converted {} of {} logs \({}\) in \d+\.\d\d s\n"


@pytest.fixture
def broken_log(tmp_path):
    path = tmp_path / "broken.json"
    path.write_bytes(b"{")
    return str(path)


@pytest.fixture
def twin(tmp_path):
    """A copy of HANCHAN by the same name in a folder of its own."""
    (tmp_path / "other").mkdir()
    path = tmp_path / "other" / os.path.basename(HANCHAN)
    shutil.copy(HANCHAN, path)
    return str(path)


@pytest.mark.parametrize(
    "args, status, stderr",
    [
        (["-O", "{out}", HANCHAN, TONPUU], 0, SUMMARY.format(2, 2, "0 failed")),
        (["-O", "{out}", HANCHAN, "{broken}"], 1,
         f"paiscribe: {{broken}}: {PARSE_FAILED} \\(.+\\)\n" + SUMMARY.format(1, 2, "1 failed")
         + "failed 1: JsonParsingError 1\n"),
        (["-O", "{out}", HANCHAN, "{twin}"], 0,
         f"paiscribe: {{twin}}: skipped: {HANCHAN} has the same output {{out}}/hanchan_double_ron.mjson\n"
         + SUMMARY.format(1, 2, "0 failed, 1 skipped as a clash")),
        (["-O", "{out}", "--clash", "refuse", HANCHAN, "{twin}"], 2,
         f"paiscribe: two inputs map to one output: {HANCHAN} and {{twin}} both map to {{out}}/hanchan_double_ron.mjson\n"),
        (["-O", "{broken}/out", HANCHAN], 2, "paiscribe: .* cannot create output directory {broken}/out: .*"),
        (["-j", "2", HANCHAN], 2, ".*-j goes with -O OUTDIR\n"),
        ([HANCHAN, "{tmp}"], 2, ".*{tmp} is a folder: folders are converted with -O OUTDIR\n"),
        (["--gzip", HANCHAN], 2, ".*--gzip goes with -O OUTDIR\n"),
        (["-L", HANCHAN], 2, ".*-L goes with -O OUTDIR\n"),
        (["--include", "*.json", HANCHAN], 2, ".*--include goes with -O OUTDIR\n"),
        (["-O", "{out}", "-o", "x", HANCHAN], 2, ".*not allowed with argument.*"),
        (["-O", "{out}", "-j", "0", HANCHAN], 2, ".*-j takes a number of at least 1\n"),
        (["-O", "{out}", "-0", HANCHAN], 2, ".*-0 goes with --files-from\n"),
        (["-O", "{out}", "--root", "{broken}", HANCHAN], 2, ".*--root {broken} is no folder\n"),
        (["-O", "{out}", "--files-from", "-", "-"], 2, ".*standard input cannot hold both a log .*\n"),
        (["-O", "{out}", "--files-from", "{tmp}/absent"], 2, "paiscribe: {tmp}/absent: No such file or directory\n"),
    ],
    ids=["converted", "one-failed", "clash-skipped", "clash-refused", "unmakeable-outdir", "jobs-alone",
         "folder-without-O", "gzip-alone", "links-alone", "include-alone", "o-and-O", "zero-jobs", "null-alone",
         "root-not-a-folder", "stdin-twice", "list-missing"],
)
def test_exit_status_and_what_standard_error_says(tmp_path, broken_log, twin, args, status, stderr):
    fill = {"out": tmp_path / "out", "broken": broken_log, "tmp": tmp_path, "twin": twin}
    result = run_cli(*(arg.format(**fill) for arg in args))
    assert (result.returncode, result.stdout) == (status, b"")
    assert re.fullmatch(stderr.format(**fill), result.stderr.decode(), re.DOTALL), result.stderr


def test_gzip_and_skip_existing(tmp_path):
    out = tmp_path / "out"
    first = run_cli("-O", str(out), "--gzip", HANCHAN, TONPUU)
    again = run_cli("-O", str(out), "--gzip", "--skip-existing", HANCHAN, TONPUU)
    assert sorted(os.listdir(out)) == ["hanchan_double_ron.mjson.gz", "tonpuu_double_ron.mjson.gz"]
    assert (first.returncode, again.returncode) == (0, 0)
    assert re.fullmatch(SUMMARY.format(0, 2, "0 failed, 2 skipped as existing"), again.stderr.decode())


@pytest.mark.parametrize("to_dir", [False, True], ids=["lines", "outdir"])
def test_report_has_one_json_line_per_failure(tmp_path, broken_log, to_dir):
    report = tmp_path / "failures.jsonl"
    missing = str(tmp_path / "missing.json")
    where = ["-O", str(tmp_path / "out")] if to_dir else []
    result = run_cli(*where, "--report", str(report), broken_log, HANCHAN, missing)
    assert result.returncode == 1
    records = [json.loads(line) for line in report.read_text().splitlines()]
    assert [(r["path"], r["error"], r["detail"]) for r in records] == [
        (broken_log, "JsonParsingError", detail_of(broken_log)), (missing, "FileNotFoundError", detail_of(missing))]
    assert records[0]["message"] == PARSE_FAILED
    assert records[1]["message"].startswith("failed to open tenhou.net/6 log file ")


@pytest.mark.parametrize("to_dir", [False, True], ids=["lines", "outdir"])
def test_standard_input(tmp_path, to_dir):
    out = tmp_path / "out"
    where = ["-O", str(out)] if to_dir else []
    with open(HANCHAN, "rb") as log:
        result = run_cli(*where, "-", input=log.read())
    assert result.returncode == 0
    lines = as_lines_file(tenhou_to_mjai(HANCHAN))
    assert (out / "stdin.mjson").read_bytes() == lines if to_dir else result.stdout == lines


def test_failing_standard_input_is_named_by_its_dash(tmp_path):
    result = run_cli("-O", str(tmp_path / "out"), "-", input=b"{")
    assert result.returncode == 1
    assert result.stderr.decode().startswith(f"paiscribe: -: {PARSE_FAILED} (")


def test_progress_bar_on_a_terminal(tmp_path, broken_log):
    controller, terminal = pty.openpty()
    termios.tcsetwinsize(terminal, (24, 100))
    with subprocess.Popen([sys.executable, "-m", "paiscribe", "-O", str(tmp_path / "out"), HANCHAN, broken_log],
                          stderr=terminal, stdout=subprocess.DEVNULL) as child:
        os.close(terminal)
        shown = b""
        while chunk := _read(controller):
            shown += chunk
    os.close(controller)
    assert child.returncode == 1
    text = shown.decode()
    assert re.search(r"2/2 \[.*log/s, failed=1\]", text), text
    assert text.splitlines()[-2].startswith("converted 1 of 2 logs (1 failed) in ")
    assert text.splitlines()[-1] == "failed 1: JsonParsingError 1"


def _read(descriptor):
    try:
        return os.read(descriptor, 4096)
    except OSError:  # the terminal's other end closed
        return b""
