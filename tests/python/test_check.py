"""paiscribe.check, check_files, convert_files(check=True) and the check
command: the bindings of the rules replay, which the C++ tests cover game by game."""

import gzip
import json

import pytest

import paiscribe
from conftest import CONVERTIBLE_LOGS, as_lines_file, run_cli, sample, sample_document

LINES = paiscribe.convert_file(sample("hanchan_double_ron.json"))


def edited(lines, kind, change):
    """The lines with the first event of `kind` changed; and its line number."""
    lines = list(lines)
    for index, line in enumerate(lines):
        event = json.loads(line)
        if event["type"] == kind:
            change(event)
            lines[index] = json.dumps(event, separators=(",", ":"), ensure_ascii=False)
            return lines, index + 1
    raise AssertionError(f"no {kind}")


def more_to_winner(event):
    event["deltas"][event["actor"]] += 100


def foreign_tile(event):
    event["pai"] = "C" if event["pai"] != "C" else "P"


@pytest.mark.parametrize("kind, change, message", [
    ("hora", more_to_winner, "hora deltas"),
    ("dahai", foreign_tile, "but the hand holds no"),
])
def test_an_edited_line_is_found_where_it_is_in_every_form_of_input(kind, change, message):
    lines, line = edited(LINES, kind, change)
    findings = paiscribe.check(lines)
    assert findings[0].line == line and message in findings[0].message
    assert findings[0].kyoku is not None and findings[0].seat is not None
    assert str(findings[0]).startswith(f"line {line}, {findings[0].kyoku}, seat {findings[0].seat}: ")
    assert paiscribe.check("\n".join(lines)) == findings
    assert paiscribe.check(as_lines_file(lines)) == findings


def test_legal_games_one_after_another_have_no_finding():
    both = LINES + paiscribe.convert_file(sample(CONVERTIBLE_LOGS[1]))
    assert paiscribe.check(both) == []
    assert paiscribe.check(iter(both)) == []


@pytest.mark.parametrize("data, error", [(5, TypeError), ([LINES[0], b"{}"], TypeError)])
def test_check_refuses_what_holds_no_lines(data, error):
    with pytest.raises(error):
        paiscribe.check(data)


@pytest.mark.parametrize("finding, text", [
    (paiscribe.Finding(412, "East 3", 2, "hora deltas [-3900, 3900, 0, 0], but ..."),
     "line 412, East 3, seat 2: hora deltas [-3900, 3900, 0, 0], but ..."),
    (paiscribe.Finding(7, "South 2", None, "dahai 5m"), "line 7, South 2: dahai 5m"),
    (paiscribe.Finding(1, None, None, "the game has no lines"), "line 1: the game has no lines"),
])
def test_a_finding_reads_as_a_sentence_with_its_place(finding, text):
    assert str(finding) == text


def illegal_log():
    """A real log whose first win pays the winner 100 more than it scores."""
    document = sample_document()
    result = document["log"][0][16]
    assert result[0] == "和了"
    result[1][result[2][0]] += 100
    return document


def test_check_files_reports_each_file_by_its_outcome(tmp_path):
    bad, _ = edited(LINES, "hora", more_to_winner)
    (tmp_path / "good.mjson").write_bytes(as_lines_file(LINES))
    (tmp_path / "bad.mjson.gz").write_bytes(gzip.compress(as_lines_file(bad)))
    (tmp_path / "notes.txt").write_text("not lines")
    (tmp_path / "broken.json").write_bytes(b"\x1f\x8b not gzip")
    seen = []
    report = paiscribe.check_files([tmp_path, tmp_path / "gone.mjson"], workers=2, on_failure=seen.append)
    assert (report.legal, report.illegal, report.failed, report.total) == (1, 1, 2, 4)
    assert [ignored.path for ignored in report.ignores] == [str(tmp_path / "notes.txt")]
    by_path = {failure.path: failure for failure in report.failures}
    illegal = by_path[str(tmp_path / "bad.mjson.gz")]
    assert illegal.error_class == "IllegalGameError" and illegal.detail.startswith(str(illegal.findings[0]))
    assert illegal.findings == tuple(paiscribe.check(bad))
    assert by_path[str(tmp_path / "gone.mjson")].error_class == "FileNotFoundError"
    assert sorted(seen, key=str) == sorted(report.failures, key=str)
    assert str(report).startswith("checked 4 files: 1 legal, 1 illegal, 2 failed in ")


def test_convert_files_with_check_fails_an_illegal_game_and_writes_no_output(tmp_path, write_log):
    good = write_log(sample_document(), "good.json")
    bad = write_log(illegal_log(), "bad.json")
    unchecked = paiscribe.convert_files([good, bad], tmp_path / "plain")
    assert unchecked.converted == 2
    report = paiscribe.convert_files([good, bad], tmp_path / "out", check=True)
    assert report.converted == 1 and [failure.path for failure in report.failures] == [bad]
    failure = report.failures[0]
    assert (failure.error_class, failure.message) == ("IllegalGameError", "the game breaks the rules")
    assert "hora deltas" in failure.findings[0].message
    assert sorted(path.name for path in (tmp_path / "out").iterdir()) == ["good.mjson"]


def test_the_check_command_prints_findings_and_exits_by_them(tmp_path, write_log):
    bad, line = edited(LINES, "hora", more_to_winner)
    (tmp_path / "good.mjson").write_bytes(as_lines_file(LINES))
    (tmp_path / "bad.mjson").write_bytes(as_lines_file(bad))
    legal = run_cli("check", str(tmp_path / "good.mjson"))
    assert legal.returncode == 0 and legal.stdout == b""
    assert legal.stderr.startswith(b"checked 1 file: 1 legal, 0 illegal, 0 failed")
    illegal = run_cli("check", str(tmp_path))
    assert illegal.returncode == 1
    assert illegal.stdout.decode().startswith(f"{tmp_path / 'bad.mjson'}: line {line}, ")

    converted = run_cli("-O", str(tmp_path / "out"), "--check", write_log(illegal_log(), "bad.json"))
    assert converted.returncode == 1 and b"IllegalGameError 1" in converted.stderr
    assert not (tmp_path / "out" / "bad.mjson").exists()
