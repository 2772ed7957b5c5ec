#!/usr/bin/env python3
"""Instructions per call, counted by callgrind: tenhou_to_mjai against the
floor of bench_python.py on the same log. Times on a shared machine swing
from run to run; these counts repeat, so a change of a few percent shows.

    PYTHONPATH=<build> instructions.py --floor-dir DIR [--calls N] LOG ...

Each count is the difference between a run making N calls and one making
none, so start-up and imports cancel out. Needs valgrind.
"""

import argparse
import re
import subprocess
import sys

CHILD = "--child"


def child(mode, path, calls):
    import _paiscribe
    import _floor
    from bench_python import floor_call

    call = (lambda: _paiscribe.tenhou_to_mjai(path)) if mode == "call" else floor_call(
        _floor, path, _paiscribe.tenhou_to_mjai(path))
    for _ in range(calls):
        call()


def instructions(floor_dir, mode, path, calls):
    command = ["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null", sys.executable, __file__, CHILD,
               floor_dir, mode, path, str(calls)]
    out = subprocess.run(command, capture_output=True, text=True, check=True).stderr
    return int(re.search(r"refs:\s+([\d,]+)", out).group(1).replace(",", ""))


def per_call(floor_dir, mode, path, calls):
    return (instructions(floor_dir, mode, path, calls) - instructions(floor_dir, mode, path, 0)) / calls


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("logs", nargs="+")
    parser.add_argument("--floor-dir", required=True, help="the folder where the bench build put the _floor module")
    parser.add_argument("--calls", type=int, default=100)
    args = parser.parse_args(argv)
    for log in args.logs:
        call = per_call(args.floor_dir, "call", log, args.calls)
        floor = per_call(args.floor_dir, "floor", log, args.calls)
        print(f"{log}: tenhou_to_mjai {call:,.0f}, floor {floor:,.0f} instructions per call; ratio {call / floor:.2f}")


if __name__ == "__main__":
    if sys.argv[1:2] == [CHILD]:
        sys.path.insert(0, sys.argv[2])
        child(sys.argv[3], sys.argv[4], int(sys.argv[5]))
    else:
        main(sys.argv[1:])
