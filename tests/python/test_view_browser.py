"""The page in a real browser: headless Chromium (Debian's, driven by
Playwright without a browser of its own) opens real games at given lines,
and the table it draws, window.paiscribe.state(), is the native replay's
state at that line. A failing test leaves a screenshot and prints its path."""

import contextlib
import os
import shutil

import pytest
from conftest import DATA

import paiscribe
from paiscribe.games import read_games, replay
from paiscribe.page import page_of

STATE_KEYS = ("line", "kyoku", "hands", "melds", "rivers", "scores", "dora_markers")


def chromium_path():
    for candidate in (os.environ.get("PAISCRIBE_CHROMIUM"), shutil.which("chromium"), "/usr/bin/chromium"):
        if candidate and os.access(candidate, os.X_OK):
            return candidate
    return None


@pytest.fixture(scope="module")
def browser():
    path = chromium_path()
    if path is None:
        pytest.skip("no Chromium on this machine (Debian's chromium package; or set PAISCRIBE_CHROMIUM)")
    # With a browser there, a missing driver is a fault of the set-up, not a skip.
    from playwright.sync_api import sync_playwright

    with sync_playwright() as playwright:
        browser = playwright.chromium.launch(executable_path=path, headless=True, args=["--no-sandbox"])
        yield browser
        browser.close()


@pytest.fixture
def page(browser, tmp_path):
    context = browser.new_context(viewport={"width": 1120, "height": 720}, offline=True)
    page = context.new_page()
    errors = []
    page.on("pageerror", lambda error: errors.append(str(error)))
    yield page
    context.close()
    assert errors == []


@contextlib.contextmanager
def screenshot_on_failure(page, path):
    try:
        yield
    except BaseException:
        page.screenshot(path=str(path))
        print(f"screenshot of the failure: {path}")
        raise


def expected_state(game, line):
    state = game.state_at(line)
    return {key: state[key] for key in STATE_KEYS}


def open_page(page, tmp_path, games, line=None):
    out = tmp_path / "game.html"
    out.write_text(page_of(games), encoding="utf-8")
    page.goto(out.as_uri() + ("" if line is None else f"#line={line}"))
    page.wait_for_function("window.paiscribe && window.paiscribe.state() !== null")
    return out


def first_line(game, wanted):
    return next(line for line, state in game.states.items() if wanted(state))


def riichi(state):
    return state["event"] == "dahai" and any(river and river[-1]["riichi"] for river in state["rivers"])


def double_ron(game):
    wins = {result["line"] for result in game.results if result["event"] == "hora"}
    return next(line + 1 for line in sorted(wins) if line + 1 in wins)


# Each row: a game, and how to find the line to open in it.
POSITIONS = [
    ("riichi", "hanchan_double_ron.json", lambda game: first_line(game, riichi)),
    ("call", "hanchan_double_ron.json", lambda game: first_line(game, lambda s: s["event"] in ("chi", "pon"))),
    ("kan and its new dora", "four_kan_abort.json", lambda game: first_line(game, lambda s: s["event"] == "dora")),
    ("added kan", "four_kan_abort.json", lambda game: first_line(game, lambda s: s["event"] == "kakan")),
    ("double ron", "hanchan_double_ron.json", double_ron),
    ("double ron, East-only", "tonpuu_double_ron.json", double_ron),
    ("last line", "mjlog/mjlog_005.xml", lambda game: game.last_line),
    ("first line", "mjlog/mjlog_007.mjlog", lambda game: game.first_line),
]


@pytest.mark.parametrize("name, sample, find", POSITIONS, ids=[row[0] for row in POSITIONS])
def test_opens_at_a_line(page, tmp_path, name, sample, find):
    games = read_games(DATA / sample)
    line = find(games[0])
    open_page(page, tmp_path, games, line)
    with screenshot_on_failure(page, tmp_path / f"{name}.png"):
        assert page.evaluate("window.paiscribe.state()") == expected_state(games[0], line)
        assert f"line {line} of" in page.text_content("#status")


@pytest.mark.parametrize("sample", ["four_kan_abort.json", "mjlog/mjlog_001.xml"])
def test_every_line_draws_the_replays_state(page, tmp_path, sample):
    games = read_games(DATA / sample)
    game = games[0]
    open_page(page, tmp_path, games)
    with screenshot_on_failure(page, tmp_path / "every-line.png"):
        drawn = page.evaluate("""([first, last]) => {
            const states = [];
            for (let line = first; line <= last; line++) { window.paiscribe.go(line); states.push(window.paiscribe.state()); }
            return states;
        }""", [game.first_line, game.last_line])
        for line, state in zip(range(game.first_line, game.last_line + 1), drawn):
            assert state == expected_state(game, line), line


def test_finding_is_marked_and_jumped_to(page, tmp_path):
    lines = paiscribe.convert_file(DATA / "hanchan_double_ron.json")
    game = read_games(DATA / "hanchan_double_ron.json")[0]
    # A discard from the hand of a tile the hand does not hold.
    index = next(line - 1 for line, state in game.states.items() if state["event"] == "dahai"
                 and '"tsumogiri":false' in lines[line - 1] and "9s" not in game.state_at(line - 1)["hands"][state["actor"]])
    start = lines[index].index('"pai":"') + len('"pai":"')
    lines[index] = lines[index][:start] + "9s" + lines[index][lines[index].index('"', start):]
    findings = paiscribe.check(lines)
    assert findings and findings[0].line == index + 1
    games = replay(lines)
    open_page(page, tmp_path, games)
    with screenshot_on_failure(page, tmp_path / "finding.png"):
        page.click(f"#findings li[data-line='{index + 1}']")
        assert page.evaluate("window.paiscribe.state().line") == index + 1
        assert findings[0].message in page.text_content("#finding-now")
        assert page.locator(".seat.fault").count() == 1
        page.keyboard.press("ArrowRight")
        assert page.evaluate("window.paiscribe.state()") == expected_state(games[0], index + 2)
        assert page.evaluate("location.hash") == f"#line={index + 2}"
        page.keyboard.press("ArrowDown")
        assert page.evaluate("window.paiscribe.state().line") == games[0].kyokus[1].first_line
        page.click("#kyokus button >> nth=3")
        assert page.evaluate("window.paiscribe.state()") == expected_state(games[0], games[0].kyokus[3].first_line)


def test_results_show_the_scored_hands(page, tmp_path):
    games = read_games(DATA / "hanchan_double_ron.json")
    game = games[0]
    line = double_ron(game)
    open_page(page, tmp_path, games, line)
    with screenshot_on_failure(page, tmp_path / "results.png"):
        results = page.locator("#results .result")
        assert results.count() == 2
        for win, shown in zip([w for w in game.wins if w["line"] in (line - 1, line)], results.all()):
            text = shown.text_content()
            assert win["summary"] in text and (f"{win['fu']} fu {win['han']} han" in text or not win["fu"])
            assert all(item["name"] in text for item in win["yaku"])


def test_draws_in_a_notebooks_frame(page, tmp_path):
    games = read_games(DATA / "tonpuu_double_ron.json")
    notebook = tmp_path / "notebook.html"
    notebook.write_text(f"<html><body>{page_of(games)._repr_html_()}</body></html>", encoding="utf-8")
    page.goto(notebook.as_uri())
    frame = page.frames[1]
    frame.wait_for_function("window.paiscribe && window.paiscribe.state() !== null")
    with screenshot_on_failure(page, tmp_path / "notebook.png"):
        frame.evaluate("window.paiscribe.go(120)")
        assert frame.evaluate("window.paiscribe.state()") == expected_state(games[0], 120)
