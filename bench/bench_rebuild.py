#!/usr/bin/env python3
"""Games per second of mjai lines back to Tenhou's JSON log against the
conversion the other way, over the same real logs:

    bench_rebuild.py [LOG ...]        (default: tests/data/real/*.json)

mjai_to_tenhou(lines) takes each game's lines as the list of str that
tenhou_to_mjai returned for it; convert_text(log) takes the log's bytes. The
two (and check(lines), for scale) take turns batch by batch, so a neighbour's
load on a shared machine hits them alike; the ratio is what to read. The
target: mjai_to_tenhou at least as fast as convert_text.
"""

import argparse
import pathlib
import sys

import paiscribe
from timing import best_times

ROOT = pathlib.Path(__file__).resolve().parent.parent


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("logs", nargs="*", type=pathlib.Path)
    parser.add_argument("--budget", type=float, default=6.0, help="seconds of timing in all (default: 6)")
    args = parser.parse_args(argv)
    paths = args.logs or sorted((ROOT / "tests/data/real").glob("*.json"))
    logs = [path.read_bytes() for path in paths]
    games = [paiscribe.convert_text(log) for log in logs]
    assert all(paiscribe.convert_text(paiscribe.mjai_to_tenhou(lines)) == lines for lines in games)

    # Each result is dropped at once, as a loop over files would drop it.
    def each(call, inputs):
        def run():
            for value in inputs:
                call(value)
        return run

    times = best_times({
        "convert_text(log)": each(paiscribe.convert_text, logs),
        "mjai_to_tenhou(lines)": each(paiscribe.mjai_to_tenhou, games),
        "check(lines)": each(paiscribe.check, games),
    }, budget=args.budget)
    print(f"Python {sys.version.split()[0]}; {len(logs)} games, the best of 15 interleaved batches")
    for name, seconds in times.items():
        print(f"  {name:22} {len(logs) / seconds:9.0f} games/s")
    ratio = times["convert_text(log)"] / times["mjai_to_tenhou(lines)"]
    print(f"mjai_to_tenhou / convert_text, in games per second: {ratio:.2f}  "
          f"(target >= 1.00: {'met' if ratio >= 1 else 'MISSED'})")


if __name__ == "__main__":
    main(sys.argv[1:])
