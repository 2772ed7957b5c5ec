import importlib.metadata
import json
import os
import subprocess
import sys
from pathlib import Path

import pytest

from _paiscribe import tenhou_to_mjai

# The installed distribution's version, which the build takes from CMakeLists.txt.
VERSION = importlib.metadata.version("paiscribe")

DATA = Path(__file__).resolve().parents[1] / "data"

# Real games that convert, and the log the conversion rejects as three-player.
CONVERTIBLE_LOGS = ["hanchan_double_ron.json", "tonpuu_double_ron.json", "four_kan_abort.json"]
THREE_PLAYER_LOG = "three_player.json"

OPEN_FAILED = "failed to open tenhou.net/6 log file "
PARSE_FAILED = "failed to parse tenhou.net/6 log"
CONVERT_FAILED = "failed to convert tenhou.net/6 log to mjai"
NOT_UTF8 = "stream did not contain valid UTF-8"


def sample(name):
    return str(DATA / name)


def sample_document(name="hanchan_double_ron.json"):
    return json.loads((DATA / name).read_text(encoding="utf-8"))


def empty_game(disp="四般南喰赤"):
    """The smallest log that converts: no kyoku, so start_game and end_game."""
    return {"log": [], "name": ["A", "B", "C", "D"], "rule": {"disp": disp, "aka": 1}}


def with_bad_call():
    """A real game whose first take item is a call string that means nothing."""
    document = sample_document()
    document["log"][0][5][0] = "bogus"
    return document


def as_lines_file(lines):
    return "".join(line + "\n" for line in lines).encode("utf-8")


@pytest.fixture
def write_log(tmp_path):
    """Writes a log (bytes, str or a JSON document) and returns its path as str."""

    def write(content, name="log.json"):
        if isinstance(content, (dict, list)):
            content = json.dumps(content, ensure_ascii=False)
        if isinstance(content, str):
            content = content.encode("utf-8")
        path = tmp_path / name
        path.write_bytes(content)
        return str(path)

    return write


def run_python(code, *args, cwd=None, check=True):
    """Runs code in a fresh interpreter; returns the finished process (bytes)."""
    process = subprocess.run(
        [sys.executable, "-c", code, *args], capture_output=True, cwd=cwd, timeout=120
    )
    if check and process.returncode != 0:
        raise AssertionError(f"child failed ({process.returncode}): {process.stderr.decode(errors='replace')}")
    return process


def run_cli(*args, cwd=None, input=None):
    return subprocess.run(
        [sys.executable, "-m", "paiscribe", *args], capture_output=True, cwd=cwd, input=input, timeout=120
    )


def is_root():
    return hasattr(os, "geteuid") and os.geteuid() == 0


def detail_of(log):
    """The detail tenhou_to_mjai adds to the failure of a log, as a note."""
    try:
        tenhou_to_mjai(str(log))
    except (ValueError, OSError) as error:
        return "; ".join(getattr(error, "__notes__", []))
    raise AssertionError(f"{log} converts")
