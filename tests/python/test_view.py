"""paiscribe show and view over every sample game, from the command line and
from Python: every form of a game read alike, the kyoku and line chosen, the
page whole and within its size, and nothing in it that reaches outside."""

import gzip
import re

import pytest
from conftest import DATA, run_cli

import paiscribe
from paiscribe import _native, show_command, view_command
from paiscribe.games import read_games
from paiscribe.page import page_of

THREE_PLAYER = {"three_player.json", "mjlog_011.xml"}
SAMPLES = sorted(
    [path for path in DATA.glob("*.json")] + list((DATA / "real").glob("*.json")) + list((DATA / "mjlog").iterdir()),
    key=str,
)
GAMES = [path for path in SAMPLES if path.name not in THREE_PLAYER]
# What a page may hold beyond its games' lines: the template, its script and styles.
FIXED_PART = 150 * 1024


def lines_bytes(lines):
    return sum(len(line.encode()) + 1 for line in lines)


def test_every_form_of_a_game_reads_alike(tmp_path):
    expected = paiscribe.convert_file(DATA / "mjlog" / "real_001.json")
    text = "".join(line + "\n" for line in expected).encode()
    forms = {
        "JSON log": DATA / "mjlog" / "real_001.json",
        "XML record": DATA / "mjlog" / "mjlog_001.xml",
        "XML record, gzip": ("record.xml.gz", gzip.compress((DATA / "mjlog" / "mjlog_001.xml").read_bytes())),
        "mjai lines": ("game.mjson", text),
        "mjai lines, gzip": ("game.mjson.gz", gzip.compress(text)),
        "mjai lines, CRLF, no last line feed": ("crlf.mjson", text.replace(b"\n", b"\r\n").rstrip(b"\r\n")),
    }
    for form, source in forms.items():
        if isinstance(source, tuple):
            path = tmp_path / source[0]
            path.write_bytes(source[1])
            source = path
        assert _native.game_lines(source) == expected, form


def test_replay_keeps_the_states_asked_for():
    lines = paiscribe.convert_file(DATA / "tonpuu_double_ron.json") * 2
    every, games = _native.replay_table(lines)
    some, same = _native.replay_table(lines, range(40, 43))
    assert [state["line"] for state in every] == list(range(1, len(lines) + 1))
    assert some == every[39:42] and same == games
    assert [game["first_line"] for game in games] == [1, len(lines) // 2 + 1]


def test_show_every_sample(capsys):
    for path in SAMPLES:
        status = show_command.main(["show", str(path), "--color", "never"])
        out, err = capsys.readouterr()
        if path.name in THREE_PLAYER:
            assert status == 1 and "three-player" in err, path
            continue
        assert status == 0, (path, err)
        games = read_games(path)
        kyokus = sum(len(game.kyokus) for game in games)
        # One table per kyoku, each at its end with its result.
        assert len(re.findall(r"^\S.* line \d+ ", out, re.MULTILINE)) == kyokus, path
        assert out.count("\n  draw: ") + len(re.findall(r"^  seat \d (tsumo|ron|wins)", out, re.MULTILINE)) >= kyokus
        assert "\x1b[" not in out


@pytest.mark.parametrize(
    "arguments, status, expected, tables",
    [
        (["--kyoku", "E2"], 0, "East 2, 0 honba", 1),
        (["--kyoku", "east 3"], 0, "East 3, 0 honba", 1),
        (["--kyoku", "E4-2"], 0, "East 4, 2 honba", 1),
        (["--kyoku", "E4"], 0, "East 4, 3 honba", 4),
        (["--line", "40"], 0, " line 40 ", 1),
        (["--line", "40", "--color", "always"], 0, "\x1b[31m", 1),
        (["--kyoku", "S1"], 2, "no kyoku S1 in this game (its kyokus: E1 E2 E3 E4 E4-1 E4-2 E4-3)", 0),
        (["--kyoku", "E5"], 2, "names no kyoku", 0),
        (["--line", "100000"], 2, "no line 100000", 0),
    ],
    ids=lambda value: " ".join(value) if isinstance(value, list) else None,
)
def test_show_chooses(capsys, arguments, status, expected, tables):
    assert show_command.main(["show", str(DATA / "hanchan_double_ron.json"), *arguments]) == status
    out, err = capsys.readouterr()
    assert expected in (out if status == 0 else err)
    plain = re.sub("\x1b\\[[0-9;]*m", "", out)
    assert len(re.findall(r"^\S.* line \d+ ", plain, re.MULTILINE)) == tables


def test_show_reads_standard_input():
    shown = run_cli("show", "-", "--line", "5", input=gzip.compress((DATA / "four_kan_abort.json").read_bytes()))
    assert shown.returncode == 0 and shown.stdout.startswith(b"-  line 5  East 1, 0 honba"), shown.stderr


def test_show_marks_a_riichi_a_call_and_a_double_ron(capsys):
    game = read_games(DATA / "hanchan_double_ron.json")[0]
    ron = [result["line"] for result in game.results if result["event"] == "hora"]
    double = next(line for line in ron if line + 1 in ron)
    assert show_command.main(["show", str(DATA / "hanchan_double_ron.json"), "--line", str(double + 1)]) == 0
    out = capsys.readouterr().out
    assert len(re.findall(r"^  seat \d ron on seat \d: .* han|^  seat \d ron on seat \d: .*yakuman", out, re.MULTILINE)) == 1
    assert re.search(r"\*", out) and re.search(r"^      melds  (chi|pon)", out, re.MULTILINE)


@pytest.mark.parametrize("edit, where", [
    (("\"type\":\"dahai\",\"actor\":1,\"pai\":\"", "\"type\":\"dahai\",\"actor\":1,\"pai\":\"C\",\"x\":\""), "East 1"),
    (("\"bakaze\":\"E\"", "\"bakaze\":\"P\""), "outside the kyokus:"),
], ids=["a line that is no event", "a kyoku that cannot open"])
def test_show_tells_the_findings_where_they_are(tmp_path, capsys, edit, where):
    lines = paiscribe.convert_file(DATA / "tonpuu_double_ron.json")
    at = next(index for index, line in enumerate(lines) if edit[0] in line)
    lines[at] = lines[at].replace(*edit, 1)
    (tmp_path / "edited.mjson").write_text("\n".join(lines) + "\n", encoding="utf-8")
    finding = paiscribe.check(lines)[0]
    assert finding.line == at + 1
    assert show_command.main(["show", str(tmp_path / "edited.mjson")]) == 0
    out = capsys.readouterr().out
    block = out[out.index(where):]
    assert f"finding: {finding}" in block[:block.index("\n\n") if "\n\n" in block else None]


def test_view_every_sample_is_whole_and_within_its_size():
    for path in GAMES:
        games = read_games(path)
        page = page_of(games, path.name)
        lines = _native.game_lines(path)
        size = len(page.encode())
        assert size <= 2 * lines_bytes(lines) + FIXED_PART, (path, size, lines_bytes(lines))
        # Nothing to fetch: no link, script source, import, or address.
        assert not re.search(r"""<link|\bsrc\s*=|@import|url\(|https?:|\bhref="(?!#)""", page), path


def test_view_command(tmp_path, capsys):
    out = tmp_path / "games.html"
    two = [str(DATA / "four_kan_abort.json"), str(DATA / "mjlog" / "mjlog_007.mjlog")]
    assert view_command.main(["view", *two, "-o", str(out)]) == 0
    page = out.read_text(encoding="utf-8")
    assert all(f'"title":"{path}"' in page for path in two)
    # A game that cannot be read is named and left out; the page keeps the rest.
    assert view_command.main(["view", two[0], str(DATA / "three_player.json"), "-o", str(out)]) == 1
    assert "three_player.json" in capsys.readouterr().err
    assert f'"title":"{two[0]}"' in out.read_text(encoding="utf-8")
    assert view_command.main(["view", str(DATA / "three_player.json"), "-o", str(tmp_path / "none.html")]) == 1
    assert not (tmp_path / "none.html").exists()
    # The page never takes the place of a game it shows.
    game = tmp_path / "game.json"
    game.write_bytes((DATA / "four_kan_abort.json").read_bytes())
    with pytest.raises(SystemExit) as usage:
        view_command.main(["view", str(game), "-o", str(tmp_path / "." / "game.json")])
    assert usage.value.code == 2 and game.read_bytes() == (DATA / "four_kan_abort.json").read_bytes()


def test_view_from_python_keeps_names_as_text():
    lines = paiscribe.convert_file(DATA / "tonpuu_double_ron.json")
    lines[0] = lines[0].replace('"names":["', '"names":["</script><script>alert(1)</script>&amp;', 1)
    page = paiscribe.view(lines)
    assert isinstance(page, str)
    assert "alert(1)</script>" not in page and "&amp;" not in page.split("paiscribe-data")[1]
    frame = page._repr_html_()
    assert frame.startswith("<iframe srcdoc=") and "<script" not in frame
