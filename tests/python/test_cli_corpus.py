import gzip
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


def test_one_game_in_three_files_among_a_thousand_converts_once(tmp_path):
    corpus = tmp_path / "corpus"
    corpus.mkdir()
    shutil.copy(sample("mjlog/real_001.json"), corpus / "G.json")
    (corpus / "G.json.gz").write_bytes(gzip.compress((corpus / "G.json").read_bytes()))
    shutil.copy(sample("mjlog/mjlog_001.xml"), corpus / "G.xml")
    for i in range(1000):
        os.link(HANCHAN, corpus / f"{i:04}.json")
    result = run_cli(corpus, "-O", tmp_path / "out")
    out = tmp_path / "out" / "G.mjson"
    assert (result.returncode, len(os.listdir(tmp_path / "out"))) == (0, 1001)
    assert result.stderr.decode().splitlines() == [
        f"paiscribe: {corpus}/G.json.gz: skipped: {corpus}/G.json has the same output {out}",
        f"paiscribe: {corpus}/G.xml: skipped: {corpus}/G.json has the same output {out}",
        result.stderr.decode().splitlines()[-1]]
    assert re.fullmatch(SUMMARY.format(1001, 1003, "0 failed, 2 skipped as clashes"),
                        result.stderr.decode().splitlines()[-1] + "\n")


@pytest.mark.parametrize("separator", ["-print0", "-print"])
def test_a_list_of_files_keeps_its_layout_below_the_root(tmp_path, separator):
    corpus = tmp_path / "corpus"
    for folder in ("a", "b/c"):
        (corpus / folder).mkdir(parents=True)
        shutil.copy(HANCHAN, corpus / folder / "game.json")
    found = subprocess.run(["find", corpus, "-name", "*.json", separator], capture_output=True, check=True).stdout
    listed = ["--files-from", "-", *(["-0"] if separator == "-print0" else [])]
    result = run_cli(*listed, "-O", tmp_path / "out", "--root", corpus, input=found)
    assert result.returncode == 0, result.stderr
    assert sorted(str(path.relative_to(tmp_path / "out")) for path in (tmp_path / "out").rglob("*.mjson")) == [
        "a/game.mjson", "b/c/game.mjson"]


@pytest.fixture
def outcomes(tmp_path, broken_log):
    """A folder with one log of each outcome, and the run's output folder
    holding the output of one of them already."""
    logs = tmp_path / "logs"
    logs.mkdir()
    shutil.copy(broken_log, logs / "broken.json")
    shutil.copy(HANCHAN, logs / "game.json")
    (logs / "game.json.gz").write_bytes(gzip.compress((logs / "game.json").read_bytes()))
    shutil.copy(TONPUU, logs / "done.json")
    (logs / "notes.txt").write_text("not a log")
    (tmp_path / "out").mkdir()
    (tmp_path / "out" / "done.mjson").write_text("done\n")
    return logs


LINES_PER_FILE = {
    "failed": "paiscribe: {logs}/broken.json: failed to parse tenhou.net/6 log (",
    "clash": "paiscribe: {logs}/game.json.gz: skipped: {logs}/game.json has the same output {out}/game.mjson",
    "exists": "paiscribe: {logs}/done.json: skipped: {out}/done.mjson exists",
    "ignored": "paiscribe: {logs}/notes.txt: ignored, without a log ending",
}


# In walk order, each as soon as it is known: what the plan finds, then the failures as they come.
@pytest.mark.parametrize("loudness, shown", [
    ([], ["clash", "failed"]), (["-q"], []), (["-v"], ["exists", "clash", "ignored", "failed"])],
    ids=["default", "quiet", "verbose"])
def test_quiet_and_verbose_choose_the_lines_per_file(tmp_path, outcomes, loudness, shown):
    result = run_cli(outcomes, "-O", tmp_path / "out", "--skip-existing", *loudness)
    lines = result.stderr.decode().splitlines()
    expected = [LINES_PER_FILE[kind].format(logs=outcomes, out=tmp_path / "out") for kind in shown]
    assert [line[:len(want)] for line, want in zip(lines, expected)] == expected
    assert len(lines) == len(shown) + 2
    summary = "converted 1 of 4 logs (1 failed, 1 skipped as existing, 1 skipped as a clash) in "
    hint = "" if loudness == ["-v"] else " (-v lists them)"
    assert lines[-2].startswith(summary) and lines[-2].endswith(f" s; ignored 1 file without a log ending{hint}")
    assert lines[-1] == "failed 1: JsonParsingError 1"


def test_report_is_appended_a_line_per_file_across_runs(tmp_path, outcomes):
    report = tmp_path / "report.jsonl"
    for _ in range(2):
        run_cli(outcomes, "-O", tmp_path / "out", "--skip-existing", "--report", report)
    records = [json.loads(line) for line in report.read_text().splitlines()]
    first = [{key: value for key, value in record.items() if key not in ("message", "detail")}
             for record in records[:4]]
    out = str(tmp_path / "out")
    assert first == [
        {"path": f"{outcomes}/done.json", "status": "skipped", "reason": "exists", "output": f"{out}/done.mjson"},
        {"path": f"{outcomes}/game.json.gz", "status": "skipped", "reason": "clash", "output": f"{out}/game.mjson",
         "clashed_with": f"{outcomes}/game.json"},
        {"path": f"{outcomes}/notes.txt", "status": "ignored", "reason": "no-log-ending"},
        {"path": f"{outcomes}/broken.json", "status": "failed", "error": "JsonParsingError"},
    ]
    # The second run finds the game done by the first.
    assert [(record["path"], record["status"]) for record in records[4:]] == [
        (f"{outcomes}/done.json", "skipped"), (f"{outcomes}/game.json", "skipped"),
        (f"{outcomes}/game.json.gz", "skipped"), (f"{outcomes}/notes.txt", "ignored"),
        (f"{outcomes}/broken.json", "failed")]
