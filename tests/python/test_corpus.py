import gzip
import json
import os
import shutil
import signal
import subprocess
import sys
from array import array
from pathlib import Path

import pytest

import paiscribe
from _paiscribe import JsonParsingError, tenhou_to_mjai
from conftest import CONVERTIBLE_LOGS, THREE_PLAYER_LOG, as_lines_file, empty_game, run_python, sample, with_bad_call

GAME = sample(CONVERTIBLE_LOGS[0])
GAME_BYTES = Path(GAME).read_bytes()

# Bytes that fail, each for its own reason, from the UTF-8 check on.
BAD_LOGS = {
    "not-utf8": b"\xff" + GAME_BYTES,
    "not-json": b"{",
    "three-player": Path(sample(THREE_PLAYER_LOG)).read_bytes(),
    "invalid-log": json.dumps(empty_game("三般南")).encode(),
    "bad-call": json.dumps(with_bad_call(), ensure_ascii=False).encode(),
}


def raised(call, *args):
    """The class, arguments and notes of what the call raises."""
    with pytest.raises(Exception) as info:
        call(*args)
    return type(info.value), info.value.args, getattr(info.value, "__notes__", [])


@pytest.mark.parametrize(
    "data",
    [GAME_BYTES, bytearray(GAME_BYTES), memoryview(GAME_BYTES), GAME_BYTES.decode(), array("B", GAME_BYTES)],
    ids=["bytes", "bytearray", "memoryview", "str", "array"],
)
def test_convert_text_gives_the_lines_of_a_file_with_those_bytes(data):
    assert paiscribe.convert_text(data) == tenhou_to_mjai(GAME)


@pytest.mark.parametrize("name", BAD_LOGS)
def test_convert_text_fails_as_the_file_would(write_log, name):
    assert raised(paiscribe.convert_text, BAD_LOGS[name]) == raised(tenhou_to_mjai, write_log(BAD_LOGS[name]))


def test_convert_text_str_without_utf8_fails_as_invalid_utf8(write_log):
    assert raised(paiscribe.convert_text, '{"log":"\ud800"}') == raised(tenhou_to_mjai, write_log(b"\xff"))


def test_convert_text_refuses_what_holds_no_bytes():
    assert raised(paiscribe.convert_text, 1) == (
        TypeError, ("convert_text() argument must be str or a bytes-like object, not 'int'",), [])


def mjai_file(log):
    return as_lines_file(tenhou_to_mjai(log))


@pytest.fixture
def corpus(tmp_path):
    """logs/ with plain, gzip, nested and failing logs; returns its path."""
    logs = tmp_path / "logs"
    (logs / "deep" / "er").mkdir(parents=True)
    for name in CONVERTIBLE_LOGS:
        shutil.copy(sample(name), logs / name)
    (logs / "deep" / "er" / "packed.json.gz").write_bytes(gzip.compress(GAME_BYTES))
    (logs / "deep" / "misnamed.json").write_bytes(gzip.compress(GAME_BYTES))
    (logs / "deep" / "notes.txt").write_text("not a log")
    for name, content in BAD_LOGS.items():
        (logs / f"{name}.json").write_bytes(content)
    (logs / "cut.json.gz").write_bytes(gzip.compress(GAME_BYTES)[:100])
    # Past one batch of events, so a worker's lines come in several.
    long_game = json.loads(GAME_BYTES)
    long_game["log"] *= 8
    (logs / "long.json").write_text(json.dumps(long_game, ensure_ascii=False), encoding="utf-8")
    return logs


def written(root):
    return sorted(os.path.relpath(os.path.join(folder, name), root) for folder, _, names in os.walk(root) for name in names)


@pytest.mark.parametrize("compress", [False, True], ids=["plain", "gzip"])
def test_outputs_keep_the_layout_and_hold_the_lines(tmp_path, corpus, compress):
    out = tmp_path / "out"
    report = paiscribe.convert_files([corpus], out, workers=2, gzip=compress)
    ending = ".mjson.gz" if compress else ".mjson"
    converted = [*(name.replace(".json", ending) for name in [*CONVERTIBLE_LOGS, "long.json"]),
                 f"deep/er/packed{ending}", f"deep/misnamed{ending}"]
    assert written(out) == sorted(converted)
    assert (report.converted, report.failed, report.skipped) == (len(converted), len(BAD_LOGS) + 1, 0)
    for name in converted:
        data = (out / name).read_bytes()
        if compress:  # as gzip -d restores it
            data = subprocess.run(["gzip", "-d"], input=data, capture_output=True, check=True).stdout
        source = corpus / (name.split(".")[0] + ".json") if "/" not in name else GAME
        assert data == mjai_file(source), name


def test_each_failure_carries_what_tenhou_to_mjai_raises(tmp_path, corpus):
    missing = tmp_path / "gone.json"
    report = paiscribe.convert_files([corpus, missing], tmp_path / "out")
    failures = {os.path.basename(f.path): f for f in report.failures}
    expected = {f"{name}.json": f"{name}.json" for name in BAD_LOGS} | {"gone.json": missing}
    for name, path in expected.items():
        error_type, args, notes = raised(tenhou_to_mjai, corpus / path)
        assert (failures[name].error_class, failures[name].message, [failures[name].detail]) == (
            error_type.__name__, args[0], notes), name
    cut = failures.pop("cut.json.gz")
    assert (cut.error_class, cut.message.startswith("failed to decompress gzip log: ")) == ("OSError", True)
    assert failures.keys() == expected.keys()


CLASHES = {
    "same-name": (["a/x.json", "b/x.json"], [("b/x.json", "a/x.json", "x.mjson")]),
    "gz-and-plain": (["a/x.json", "a/x.json.gz"], [("a/x.json.gz", "a/x.json", "x.mjson")]),
    "two-folders": (["a", "b"], [("a/x.json.gz", "a/x.json", "x.mjson"), ("b/x.json", "a/x.json", "x.mjson"),
                                 ("b/x.json.gz", "a/x.json", "x.mjson")]),
    "twice": (["a/x.json", "a/x.json"], [("a/x.json", "a/x.json", "x.mjson")]),
}


@pytest.fixture
def twins(tmp_path):
    """a/ and b/, each with x.json and x.json.gz: the same game four times."""
    for folder in "ab":
        (tmp_path / folder).mkdir()
        (tmp_path / folder / "x.json").write_bytes(GAME_BYTES)
        (tmp_path / folder / "x.json.gz").write_bytes(gzip.compress(GAME_BYTES))
    return tmp_path


@pytest.mark.parametrize("case", CLASHES)
def test_a_clash_skips_the_later_input_and_names_the_first(twins, case):
    inputs, clashes = CLASHES[case]
    report = paiscribe.convert_files([twins / i for i in inputs], twins / "out")
    assert (report.converted, report.failed, report.clashed, report.skipped) == (1, 0, len(clashes), 0)
    assert [(s.path, s.reason, s.other, s.output) for s in report.skips] == [
        (str(twins / path), "clash", str(twins / other), str(twins / "out" / output)) for path, other, output in clashes]
    assert os.listdir(twins / "out") == ["x.mjson"]
    assert (twins / "out" / "x.mjson").read_bytes() == mjai_file(GAME)


@pytest.mark.parametrize("case", CLASHES)
def test_a_refused_clash_stops_the_run_before_it_starts(twins, case):
    inputs, _ = CLASHES[case]
    with pytest.raises(ValueError, match="two inputs map to one output: .* both map to "):
        paiscribe.convert_files([twins / i for i in inputs], twins / "out", clash="refuse")
    assert not (twins / "out").exists()


def test_full_names_keep_every_clashing_input(twins):
    report = paiscribe.convert_files([twins / "a", twins / "b"], twins / "out", clash="full-name", gzip=True)
    assert (report.converted, report.clashed) == (2, 2)
    assert sorted(os.listdir(twins / "out")) == ["x.json.gz.mjson.gz", "x.json.mjson.gz"]
    assert [(s.path, s.other) for s in report.skips] == [
        (str(twins / "b" / "x.json"), str(twins / "a" / "x.json")),
        (str(twins / "b" / "x.json.gz"), str(twins / "a" / "x.json.gz"))]


@pytest.fixture
def mixed(tmp_path):
    """logs/ holding one file of each kind a walk meets; returns its path."""
    logs = tmp_path / "logs"
    (logs / "keep").mkdir(parents=True)
    (logs / "tmp").mkdir()
    for name in ("a.json", "B.JSON", "keep/d.json", "tmp/e.json", "notes.txt", "NOEXT"):
        shutil.copy(GAME, logs / name)
    (logs / "c.Xml.Gz").write_bytes(gzip.compress((Path(sample("mjlog")) / "mjlog_001.xml").read_bytes()))
    os.mkfifo(logs / "fifo.json")
    (logs / "link").symlink_to("keep")
    (logs / "keep" / "up").symlink_to("..")
    return logs


LOGS = {"a.json": "converted", "B.JSON": "converted", "c.Xml.Gz": "converted", "keep/d.json": "converted",
        "tmp/e.json": "converted"}
OTHER_FILES = {"NOEXT": "no-log-ending", "notes.txt": "no-log-ending", "fifo.json": "not-regular"}

# What a walk makes of each file, by the options given: converted, or the reason it is ignored.
WALKS = {
    "by default": ({}, LOGS | OTHER_FILES | {"link": "folder-link", "keep/up": "folder-link"}),
    "following links": ({"follow_symlinks": True}, LOGS | OTHER_FILES | {
        "link/d.json": "converted", "link/up": "loop", "keep/up": "loop"}),
    "excluding a folder and a name": ({"exclude": ["tmp/", "*.txt"]}, {
        name: outcome for name, outcome in (LOGS | OTHER_FILES).items() if name != "tmp/e.json"} | {
        "tmp": "excluded", "notes.txt": "excluded", "link": "folder-link", "keep/up": "folder-link"}),
    "excluding the end of a path": ({"exclude": ["keep/*.json", "/e.json"]}, LOGS | OTHER_FILES | {
        "keep/d.json": "excluded", "link": "folder-link", "keep/up": "folder-link"}),
    "excluding at any depth": ({"exclude": "**/?.json", "follow_symlinks": True}, LOGS | OTHER_FILES | {
        "keep/d.json": "excluded", "tmp/e.json": "excluded", "link/d.json": "excluded", "link/up": "loop",
        "keep/up": "loop"}),
    "including names of any ending": ({"include": ["*.txt", "[d-e].*"]}, {
        name: "not-included" for name in [*LOGS, *OTHER_FILES]} | {
        "notes.txt": "converted", "keep/d.json": "converted", "tmp/e.json": "converted", "link": "folder-link",
        "keep/up": "folder-link"}),
}


@pytest.mark.parametrize("walk", WALKS)
def test_every_file_found_is_converted_or_ignored_for_its_reason(tmp_path, mixed, walk):
    options, expected = WALKS[walk]
    report = paiscribe.convert_files([mixed], tmp_path / "out", **options)
    converted = [name for name, outcome in expected.items() if outcome == "converted"]
    assert written(tmp_path / "out") == sorted(paiscribe.corpus.output_name(name) for name in converted)
    assert {os.path.relpath(i.path, mixed): i.reason for i in report.ignores} == {
        name: outcome for name, outcome in expected.items() if outcome != "converted"}
    assert (report.converted, report.failed, report.ignored) == (len(converted), 0, len(report.ignores))
    assert str(report).endswith(f"; ignored {report.ignored} files: " + ", ".join(
        f"{count} {paiscribe.report.IGNORED_REASONS[reason]}" for reason, count in report.ignored_by_reason().items()))


def test_outputs_keep_their_path_below_the_root(tmp_path, mixed):
    outside = tmp_path / "outside.json"
    shutil.copy(GAME, outside)
    report = paiscribe.convert_files([mixed / "keep" / "d.json", mixed / "tmp", outside], tmp_path / "out",
                                     root=mixed)
    assert written(tmp_path / "out") == ["keep/d.mjson", "tmp/e.mjson"]
    assert [(f.path, f.error_class, f.message) for f in report.failures] == [
        (str(outside), "ValueError", f"outside the root folder {mixed}")]


@pytest.mark.parametrize("input_age, outcome", [(-60, "skipped"), (0, "skipped"), (60, "converted")],
                         ids=["older", "same-time", "newer"])
def test_skip_existing_redoes_an_input_newer_than_its_output(tmp_path, input_age, outcome):
    log = tmp_path / "game.json"
    shutil.copy(GAME, log)
    out = tmp_path / "out"
    out.mkdir()
    (out / "game.mjson").write_bytes(b"kept\n")
    done = os.stat(out / "game.mjson").st_mtime_ns
    os.utime(log, ns=(done + input_age * 10**9, done + input_age * 10**9))
    report = paiscribe.convert_files([log], out, skip_existing=True)
    assert ("skipped" if report.skipped else "converted") == outcome
    assert ((out / "game.mjson").read_bytes() == b"kept\n") == (outcome == "skipped")


@pytest.mark.parametrize("blocker", ["file", "file-above"])
def test_output_dir_that_cannot_be_made(tmp_path, blocker):
    (tmp_path / "taken").write_text("")
    out = tmp_path / "taken" if blocker == "file" else tmp_path / "taken" / "out"
    with pytest.raises(OSError, match=f"cannot create output directory {out}: "):
        paiscribe.convert_files([GAME], out)


def test_a_folder_that_cannot_be_read_fails_with_the_detail_a_log_has(tmp_path):
    gone = str(tmp_path / "gone")
    assert list(paiscribe.walk.walk_logs(gone)) == [
        paiscribe.Failure(gone, "FileNotFoundError", "failed to read folder", "No such file or directory (ENOENT)")]


def test_skip_existing_leaves_existing_outputs_alone(tmp_path, corpus):
    out = tmp_path / "out"
    out.mkdir()
    (out / "four_kan_abort.mjson").write_bytes(b"kept\n")
    report = paiscribe.convert_files([corpus], out, skip_existing=True)
    assert (out / "four_kan_abort.mjson").read_bytes() == b"kept\n"
    assert (report.skipped, report.total) == (1, report.converted + report.failed + 1)
    assert paiscribe.convert_files([corpus], out, skip_existing=True).converted == 0


def test_progress_counts_up_to_the_end(tmp_path, corpus):
    seen = []
    report = paiscribe.convert_files([corpus], tmp_path / "out", workers=1, progress=seen.append)
    assert seen[-1] == paiscribe.Progress(report.converted, report.failed, 0, report.total)
    assert all(a.done <= b.done for a, b in zip(seen, seen[1:]))


# Converts LOGS into OUT with one worker. At its first count it says so, then
# either raises from the callback or goes on while the test sends SIGINT,
# which reaches it as it waits for the workers.
INTERRUPTED_RUN = """
import sys, paiscribe
logs, out, how = sys.argv[1], sys.argv[2], sys.argv[3]
calls = []
def progress(counts):
    if not calls:
        print("running", flush=True)
    calls.append(counts)
    if how == "raise":
        raise RuntimeError("stop here")
try:
    paiscribe.convert_files([logs], out, workers=1, progress=progress)
except (KeyboardInterrupt, RuntimeError) as error:
    print(type(error).__name__)
"""


@pytest.mark.parametrize("how", ["sigint", "raise"])
def test_interrupted_run_leaves_whole_outputs_and_resumes(tmp_path, how):
    logs, out = tmp_path / "logs", tmp_path / "out"
    logs.mkdir()
    for i in range(3000):  # links: a large corpus for nothing
        os.link(sample("four_kan_abort.json"), logs / f"{i}.json")
    with subprocess.Popen([sys.executable, "-c", INTERRUPTED_RUN, logs, out, how], stdout=subprocess.PIPE) as child:
        assert child.stdout.readline() == b"running\n"
        if how == "sigint":
            child.send_signal(signal.SIGINT)
        last = child.stdout.read()
    assert last == (b"KeyboardInterrupt\n" if how == "sigint" else b"RuntimeError\n")
    done = written(out)
    assert 0 < len(done) < 3000
    expected = mjai_file(sample("four_kan_abort.json"))
    assert all(name.endswith(".mjson") and (out / name).read_bytes() == expected for name in done)

    report = paiscribe.convert_files([logs], out, skip_existing=True)
    assert (report.skipped, report.converted, report.failed) == (len(done), 3000 - len(done), 0)
    assert len(written(out)) == 3000


# Ctrl-C while a failure is handed on: it comes once the listener has it whole.
SIGNAL_WHILE_HANDED_ON = """
import os, signal, paiscribe
steps = []
def on_failure(failure):
    steps.append("told")
    os.kill(os.getpid(), signal.SIGINT)
    steps.append("told whole")
try:
    paiscribe.check_files(["missing.mjson"], on_failure=on_failure)
except KeyboardInterrupt:
    print(*steps)
"""


def test_a_signal_waits_until_a_failure_is_handed_on_whole(tmp_path):
    assert run_python(SIGNAL_WHILE_HANDED_ON, cwd=tmp_path).stdout == b"told told whole\n"
