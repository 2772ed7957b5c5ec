#!/usr/bin/env python3
"""Times mjlog_to_mjai on Tenhou's XML record of a game against tenhou_to_mjai
on the same game's JSON log, interleaved, per call; both give the same lines.

    bench_mjlog.py [XML JSON]   (default: the bundled pair of game 001)
"""

import pathlib
import sys

import paiscribe
from timing import best_times

DATA = pathlib.Path(__file__).resolve().parent.parent / "tests/data/mjlog"


def main(argv):
    xml, json = argv or [DATA / "mjlog_001.xml", DATA / "real_001.json"]
    assert paiscribe.mjlog_to_mjai(xml) == paiscribe.tenhou_to_mjai(json), "the two forms differ"
    times = best_times({"mjlog_to_mjai": lambda: paiscribe.mjlog_to_mjai(xml),
                        "tenhou_to_mjai": lambda: paiscribe.tenhou_to_mjai(json)})
    for name, seconds in times.items():
        print(f"{name:15} {seconds * 1e6:8.1f} us per call")
    print(f"mjlog_to_mjai / tenhou_to_mjai  {times['mjlog_to_mjai'] / times['tenhou_to_mjai']:.2f}")


if __name__ == "__main__":
    main(sys.argv[1:])
