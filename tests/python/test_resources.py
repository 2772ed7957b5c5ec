import gc
import json
import os
import sys

import pytest

from _paiscribe import tenhou_to_mjai
from conftest import CONVERTIBLE_LOGS, empty_game, sample, with_bad_call

ROUNDS = 2000


def resident_bytes():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


@pytest.fixture
def calls(tmp_path):
    """One round of calls covering success, every failure path and output."""
    logs = {}
    for name, content in {
        "not_utf8": b"\xff",
        "not_json": b"[",
        "three_players": json.dumps(empty_game("三般南")).encode(),
        "bad_call": json.dumps(with_bad_call()).encode(),
    }.items():
        (tmp_path / name).write_bytes(content)
        logs[name] = str(tmp_path / name)
    out = str(tmp_path / "out.mjai")
    good = sample(CONVERTIBLE_LOGS[1])

    def expect_error(error_type, *args, **kwargs):
        try:
            tenhou_to_mjai(*args, **kwargs)
        except error_type:
            return
        raise AssertionError(f"no {error_type.__name__} for {args} {kwargs}")

    def one_round():
        assert len(tenhou_to_mjai(good)) > 2
        assert len(tenhou_to_mjai(good, out)) > 2
        expect_error(FileNotFoundError, str(tmp_path / "missing\udcff"))
        expect_error(OSError, str(tmp_path))
        for name, path in logs.items():
            expect_error(ValueError if name != "not_utf8" else OSError, path, out)
        expect_error(OSError, good, str(tmp_path / "missing" / "out"))
        expect_error(TypeError, b"bytes")
        expect_error(TypeError, good, out=1)
        expect_error(TypeError, good, 5)
        expect_error(UnicodeEncodeError, "\ud800")

    return one_round


def test_memory_stays_flat(calls):
    for _ in range(200):
        calls()
    gc.collect()
    before = resident_bytes()
    for _ in range(ROUNDS):
        calls()
    gc.collect()
    grown = resident_bytes() - before
    # A leak of even one small object per call would pass 1 MiB long before
    # the end of the rounds: a round makes a dozen calls.
    assert grown < 1 << 20, f"resident memory grew by {grown} bytes"


@pytest.mark.skipif(not hasattr(sys, "gettotalrefcount"), reason="needs a debug build of CPython")
def test_reference_count_stays_flat(calls):
    for _ in range(50):
        calls()
    gc.collect()
    before = sys.gettotalrefcount()
    for _ in range(500):
        calls()
    gc.collect()
    assert sys.gettotalrefcount() - before < 100


def test_returned_objects_are_not_shared_or_leaked(calls):
    good = sample(CONVERTIBLE_LOGS[1])
    lines = tenhou_to_mjai(good)
    # The list and each string are fresh objects owned only by the caller.
    assert sys.getrefcount(lines) == 2
    assert all(sys.getrefcount(lines[i]) == 2 for i in range(len(lines)))
    assert tenhou_to_mjai(good) is not lines
