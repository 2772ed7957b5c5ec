"""paiscribe.mjai_to_tenhou and `paiscribe tenhou-json`: every real log comes
back as Tenhou wrote it, and lines that are no legal game are refused with the
finding at its line."""

import gzip
import json

import pytest

import paiscribe
from conftest import DATA, as_lines_file, run_cli

# Every real four-player JSON log among the test data.
REAL_LOGS = sorted((DATA / "real").glob("*.json")) + [
    DATA / name for name in ("hanchan_double_ron.json", "tonpuu_double_ron.json", "four_kan_abort.json",
                             "mjlog/real_001.json", "mjlog/real_005.json", "mjlog/real_011.json")
]


@pytest.mark.parametrize("path", REAL_LOGS, ids=lambda path: f"{path.parent.name}/{path.name}")
def test_a_real_log_comes_back_as_tenhou_wrote_it(path):
    original = json.loads(path.read_text(encoding="utf-8"))
    lines = paiscribe.tenhou_to_mjai(path)
    log = paiscribe.mjai_to_tenhou(lines)
    rebuilt = json.loads(log)
    assert rebuilt["log"] == original["log"]
    assert rebuilt["name"] == original["name"]
    assert paiscribe.convert_text(log) == lines
    # Final results in tenths of a thousand, as Tenhou has written them of late.
    if original.get("ref", "") >= "2025":
        assert rebuilt["sc"] == original["sc"]


def test_fields_mjai_lines_do_not_carry():
    east_only = json.loads(paiscribe.mjai_to_tenhou(paiscribe.tenhou_to_mjai(DATA / "tonpuu_double_ron.json")))
    assert list(east_only) == ["ver", "log", "ratingc", "rule", "sc", "name"]
    assert east_only["rule"] == {"disp": "般東喰赤", "aka53": 1, "aka52": 1, "aka51": 1}
    lines = paiscribe.tenhou_to_mjai(DATA / "real" / "real_060.json")
    lines[0] = lines[0].replace('"aka_flag":true', '"aka_flag":false')
    without_red = paiscribe.mjai_to_tenhou(lines[:1] + lines[-1:])
    assert json.loads(without_red) == {"ver": 2.3, "log": [], "ratingc": "PF4", "rule": {
        "disp": "般南喰", "aka53": 0, "aka52": 0, "aka51": 0}, "sc": [], "name": json.loads(lines[0])["names"]}


LINES = paiscribe.tenhou_to_mjai(DATA / "real" / "real_025.json")
# The first draw whose tile goes straight out again, by its place among the draws.
DRAWS = [index for index, line in enumerate(LINES) if json.loads(line)["type"] == "tsumo"]
TSUMOGIRI_DRAW = next(nth for nth, index in enumerate(DRAWS) if '"tsumogiri":true' in LINES[index + 1])


def edited(kind, change, nth=0):
    """LINES with the nth event of `kind` changed, and its line number."""
    lines = list(LINES)
    found = [index for index, line in enumerate(lines) if json.loads(line)["type"] == kind]
    event = json.loads(lines[found[nth]])
    change(event)
    lines[found[nth]] = json.dumps(event, separators=(",", ":"), ensure_ascii=False)
    return lines, found[nth] + 1


def add_to_seat_0(member):
    def change(event):
        event[member][0] += 100
    return change


def draw_other_tile(event):
    event["pai"] = "C" if event["pai"] != "C" else "P"


@pytest.mark.parametrize("edit, line_after, message", [
    (lambda: edited("hora", add_to_seat_0("deltas")), 0, "hora deltas "),
    (lambda: edited("ryukyoku", add_to_seat_0("deltas"), 1), 0, "ryukyoku deltas "),
    (lambda: edited("start_kyoku", add_to_seat_0("scores"), 1), 0, "start_kyoku scores "),
    (lambda: edited("dahai", draw_other_tile), 0, "dahai "),
    # A drawn tile is found out when it goes out.
    (lambda: edited("tsumo", draw_other_tile, TSUMOGIRI_DRAW), 1, "dahai "),
    (lambda: (LINES[:-1], len(LINES) - 1), 0, "the lines end before end_game"),
], ids=["a win's score", "a draw's score", "a kyoku's score", "a discarded tile", "a drawn tile", "cut short"])
def test_an_edited_game_is_refused_with_the_finding_at_its_line(edit, line_after, message):
    lines, line = edit()
    with pytest.raises(paiscribe.IllegalGameError) as raised:
        paiscribe.mjai_to_tenhou(lines)
    error = raised.value
    assert str(error) == "the game breaks the rules"
    assert error.findings == tuple(paiscribe.check(lines))
    assert (error.findings[0].line, error.findings[0].message[:len(message)]) == (line + line_after, message)
    assert error.__notes__[0].startswith(str(error.findings[0]))


@pytest.mark.parametrize("form", [
    list, iter, "\n".join, as_lines_file, lambda lines: gzip.compress(as_lines_file(lines)),
    lambda lines: "\ufeff" + "\n".join(lines) + "\n\n",
], ids=["list", "iterator", "str", "bytes", "gzip", "a byte-order mark and blank lines after"])
def test_the_lines_come_in_any_form_check_takes(form):
    assert paiscribe.mjai_to_tenhou(form(LINES)) == paiscribe.mjai_to_tenhou(LINES)


@pytest.mark.parametrize("data", [5, [LINES[0], b"{}"]])
def test_what_holds_no_lines_is_a_type_error(data):
    with pytest.raises(TypeError):
        paiscribe.mjai_to_tenhou(data)


@pytest.mark.parametrize("packed", [False, True], ids=["plain", "gzip"])
def test_the_command_writes_the_log(tmp_path, packed):
    log = paiscribe.mjai_to_tenhou(LINES)
    data = as_lines_file(LINES)
    path = tmp_path / "game.mjson"
    path.write_bytes(gzip.compress(data) if packed else data)
    printed = run_cli("tenhou-json", str(path))
    assert (printed.returncode, printed.stdout.decode()) == (0, log)
    from_input = run_cli("tenhou-json", "-", "-o", str(tmp_path / "out.json"), input=path.read_bytes())
    assert from_input.returncode == 0 and (tmp_path / "out.json").read_text(encoding="utf-8") == log


def test_the_command_names_each_finding_of_an_illegal_game(tmp_path):
    lines, line = edited("hora", add_to_seat_0("deltas"))
    path = tmp_path / "edited.mjson"
    path.write_bytes(as_lines_file(lines))
    failed = run_cli("tenhou-json", str(path), "-o", str(tmp_path / "out.json"))
    first, *findings = failed.stderr.decode().splitlines()
    assert failed.returncode == 1 and not (tmp_path / "out.json").exists()
    assert first.startswith(f"paiscribe: {path}: the game breaks the rules (line {line}, ")
    assert findings == [f"{path}: {finding}" for finding in paiscribe.check(lines)]
