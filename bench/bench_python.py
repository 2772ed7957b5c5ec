#!/usr/bin/env python3
"""Times one tenhou_to_mjai call against what any Python program spends on the
same file anyway: json.loads and orjson.loads of the log, and the floor, which
reads the file and builds the same list of str lines from the mjai text made
in advance (in C: PyUnicode_New and a copy per line, each line's ASCII-ness
known). Every timed call reads its file, so the ratios compare like with like.
Also measures the peak memory of one conversion.

    bench_python.py [--floor-dir DIR] [LOG ...]

The floor is the _floor module that the bench build makes next to the module
(cmake -DPAISCRIBE_BENCH=ON -DPAISCRIBE_MODULE=ON); without it the floor is
the same list built by Python's own decode and split.

Without LOG: the hand-made full game and a large generated log (several MB,
made once by make_logs.py and kept under .work/bench/).
"""

import argparse
import array
import itertools
import os
import json
import pathlib
import subprocess
import statistics
import sys

import _paiscribe
from timing import best_times

try:
    import orjson
except ImportError:  # the comparison is only left out
    orjson = None

_floor = None

ROOT = pathlib.Path(__file__).resolve().parent.parent
FULL_GAME = ROOT / "tests/data/games/full_game.json"
LARGE_LOG = ROOT / ".work/bench/large.json"
LARGE_MEGABYTES = 8

# The full call should cost no more than parsing the log with json.loads, and
# at most this many times the floor.
FLOOR_TARGET = 2.5


def large_log():
    if not LARGE_LOG.exists():
        LARGE_LOG.parent.mkdir(parents=True, exist_ok=True)
        print(f"generating {LARGE_LOG} ({LARGE_MEGABYTES} MB)...", file=sys.stderr)
        subprocess.run([sys.executable, str(ROOT / "tests/tools/make_logs.py"), "large", str(LARGE_LOG),
                        "--megabytes", str(LARGE_MEGABYTES)], check=True)
    return LARGE_LOG


def peak_memory(path):
    """Peak RSS growth of one conversion in a fresh interpreter, in bytes.

    Read from VmHWM, which starts afresh with the new program; ru_maxrss would
    start from this (large) process's size at the fork.
    """
    probe = (
        "import sys, _paiscribe\n"
        "def peak():\n"
        "    status = open('/proc/self/status').read()\n"
        "    return int(status.split('VmHWM:')[1].split()[0]) * 1024\n"
        "before = peak()\n"
        "lines = _paiscribe.tenhou_to_mjai(sys.argv[1])\n"
        "print(peak() - before)\n"
    )
    out = subprocess.run([sys.executable, "-c", probe, str(path)], check=True, capture_output=True, text=True)
    return int(out.stdout)


def floor_call(floor_module, path, lines):
    """The floor of one log as a call: its inputs are made here, in advance."""
    text = "".join(line + "\n" for line in lines).encode()
    line_feeds = itertools.accumulate((len(line.encode()) + 1 for line in lines), initial=-1)
    ends = array.array("Q", list(line_feeds)[1:])
    non_ascii = bytes(not line.isascii() for line in lines)
    encoded_path = os.fsencode(path)
    return lambda: floor_module.lines(encoded_path, text, ends, non_ascii)


def measure(path):
    path = str(path)
    lines = _paiscribe.tenhou_to_mjai(path)
    mjai = "\n".join(lines).encode()
    size = pathlib.Path(path).stat().st_size

    def read():
        with open(path, "rb") as f:
            return f.read()

    if _floor is not None:
        floor = floor_call(_floor, path, lines)
    else:

        def floor():
            read()
            return mjai.decode().split("\n")

    assert floor() == lines
    calls = {
        "tenhou_to_mjai": lambda: _paiscribe.tenhou_to_mjai(path),
        "json.loads": lambda: json.loads(read()),
        "floor": floor,
    }
    if orjson is not None:
        calls["orjson.loads"] = lambda: orjson.loads(read())
    timings = best_times(calls)
    return size, len(lines), timings


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("logs", nargs="*")
    parser.add_argument("--floor-dir", help="the folder where the bench build put the _floor module")
    parser.add_argument("--no-memory", action="store_true", help="skip the peak memory measurement")
    args = parser.parse_args(argv)
    global _floor
    if args.floor_dir:
        sys.path.insert(0, args.floor_dir)
        import _floor
    logs = [pathlib.Path(p) for p in args.logs] or [FULL_GAME, large_log()]

    print(f"Python {sys.version.split()[0]}; times are the best of 15 interleaved batches, per call")
    floor_ratios = []
    for log in logs:
        size, count, t = measure(log)
        full = t["tenhou_to_mjai"]
        print(f"\n{log.name}: {size / 1e6:.2f} MB, {count} lines")
        for name, seconds in t.items():
            print(f"  {name:15} {seconds * 1e3:9.3f} ms  {size / seconds / 1e6:8.1f} MB/s")
        vs_json = full / t["json.loads"]
        vs_floor = full / t["floor"]
        floor_ratios.append(vs_floor)
        print(f"  tenhou_to_mjai / json.loads   {vs_json:5.2f}  (target <= 1.00: {'met' if vs_json <= 1 else 'MISSED'})")
        if "orjson.loads" in t:
            print(f"  tenhou_to_mjai / orjson.loads {full / t['orjson.loads']:5.2f}")
        print(f"  tenhou_to_mjai / floor        {vs_floor:5.2f}  "
              f"(target <= {FLOOR_TARGET:.2f}: {'met' if vs_floor <= FLOOR_TARGET else 'MISSED'})")
        if not args.no_memory:
            peak = peak_memory(log)
            print(f"  peak memory of one call: {peak / 1e6:.1f} MB = {peak / size:.1f} x the log's size")
    if len(logs) > 1:
        median = statistics.median(floor_ratios)
        print(f"\ntenhou_to_mjai / floor, median over {len(logs)} logs: {median:.2f}  "
              f"(target <= {FLOOR_TARGET:.2f}: {'met' if median <= FLOOR_TARGET else 'MISSED'})")


if __name__ == "__main__":
    main(sys.argv[1:])
