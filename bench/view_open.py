#!/usr/bin/env python3
"""How fast the viewer's page opens, and how large it is, per game: each
game's page loaded in headless Chromium (Debian's, through Playwright), the
time from the start of the load until window.paiscribe.state() answers, as
the test harness sees it and as the page's own clock has it, the median over
the rounds; then the time the page takes to go to a line and draw it, over
every line of the game; and the page's size against its mjai lines beside the
budget, twice the lines plus 150 KiB. With --firefox, Debian's firefox-esr
also opens each page headless and takes a screenshot, timed as a whole run of
the browser (its start included).

    view_open.py [--rounds 5] [--firefox] [GAME ...]

    .work/venv-3.13/bin/python bench/view_open.py tests/data/hanchan_double_ron.json tests/data/real/*.json
"""

import argparse
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

from paiscribe import _native
from paiscribe.games import read_games
from paiscribe.page import page_of

FIXED_PART = 150 * 1024
DEFAULT_GAMES = ["tests/data/hanchan_double_ron.json", "tests/data/four_kan_abort.json", "tests/data/real/real_121.json"]
READY = "window.paiscribe && window.paiscribe.state() !== null"


def lines_bytes(lines):
    return sum(len(line.encode()) + 1 for line in lines)


def open_times(browser, url, rounds):
    """(harness, page clock) seconds until state() answers, medians of fresh loads."""
    harness, clock = [], []
    for _ in range(rounds):
        context = browser.new_context(offline=True)
        page = context.new_page()
        started = time.perf_counter()
        page.goto(url)
        page.wait_for_function(READY, polling=5)
        harness.append(time.perf_counter() - started)
        clock.append(page.evaluate("performance.now()") / 1000)
        context.close()
    return statistics.median(harness), statistics.median(clock)


def step_time(browser, url, first, last):
    """Seconds for the page to go to a line and draw it, the mean over every line."""
    context = browser.new_context(offline=True)
    page = context.new_page()
    page.goto(url)
    page.wait_for_function(READY)
    total = page.evaluate("""([first, last]) => {
        const started = performance.now();
        for (let line = first; line <= last; line++) window.paiscribe.go(line);
        return performance.now() - started;
    }""", [first, last])
    context.close()
    return total / 1000 / (last - first + 1)


def firefox_time(url, shot):
    firefox = shutil.which("firefox-esr") or shutil.which("firefox")
    if firefox is None:
        return "no firefox-esr"
    with tempfile.TemporaryDirectory() as profile:
        started = time.perf_counter()
        run = subprocess.run([firefox, "--headless", "--no-remote", "--profile", profile, "--window-size=1120,720",
                              "--screenshot", str(shot), url], capture_output=True, text=True, timeout=120)
        took = time.perf_counter() - started
    if run.returncode != 0 or not shot.exists():
        return f"failed ({run.returncode}): {run.stderr.strip()[-200:]}"
    return f"{took:.2f} s for the whole run, screenshot {shot}"


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--firefox", action="store_true")
    parser.add_argument("--chromium", default=shutil.which("chromium") or "/usr/bin/chromium")
    parser.add_argument("games", nargs="*", default=DEFAULT_GAMES, metavar="GAME")
    args = parser.parse_args(argv)
    from playwright.sync_api import sync_playwright

    out = Path(tempfile.mkdtemp(prefix="view-open-"))
    with sync_playwright() as playwright:
        browser = playwright.chromium.launch(executable_path=args.chromium, headless=True, args=["--no-sandbox"])
        print(f"{'game':34} {'lines':>8} {'page':>8} {'budget':>8} {'x lines':>7} {'open':>7} {'(clock)':>8} {'a line':>7}")
        for game in args.games:
            lines = _native.game_lines(game)
            games = read_games(game)
            page = page_of(games, Path(game).name).encode()
            path = out / (Path(game).stem + ".html")
            path.write_bytes(page)
            size, budget = len(page), 2 * lines_bytes(lines) + FIXED_PART
            harness, clock = open_times(browser, path.as_uri(), args.rounds)
            step = step_time(browser, path.as_uri(), games[0].first_line, games[-1].last_line)
            print(f"{Path(game).name:34} {lines_bytes(lines):8,} {size:8,} {budget:8,} {size / lines_bytes(lines):7.2f} "
                  f"{harness * 1000:5.0f}ms {clock * 1000:6.0f}ms {step * 1000:5.1f}ms"
                  + ("" if size <= budget else "  OVER BUDGET"))
            if args.firefox:
                print(f"  firefox-esr: {firefox_time(path.as_uri() + '#line=' + str(games[0].last_line), out / (path.stem + '.png'))}")
        browser.close()


if __name__ == "__main__":
    main(sys.argv[1:])
