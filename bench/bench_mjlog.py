#!/usr/bin/env python3
"""Times mjlog_to_mjai on Tenhou's XML record of a game against tenhou_to_mjai
on the same game's JSON log, interleaved, per call; both give the same lines.
Then the same pair gzip-compressed: mjlog_to_mjai on the .xml.gz against
convert_file on the .json.gz.

    bench_mjlog.py [--instructions] [XML JSON]   (default: the bundled pair of game 001)

With --instructions each call is counted in instructions by callgrind (needs
valgrind) instead of timed: the difference between a run making N calls and
one making none, which repeats from run to run on a busy machine.
"""

import argparse
import gzip
import pathlib
import re
import subprocess
import sys
import tempfile

DATA = pathlib.Path(__file__).resolve().parent.parent / "tests/data/mjlog"
CHILD = "--child"


def calls_of(xml, json, folder):
    import paiscribe

    packed = {}
    for path in (xml, json):
        packed[path] = pathlib.Path(folder) / (pathlib.Path(path).name + ".gz")
        packed[path].write_bytes(gzip.compress(pathlib.Path(path).read_bytes()))
    return {
        "mjlog_to_mjai": lambda: paiscribe.mjlog_to_mjai(xml),
        "tenhou_to_mjai": lambda: paiscribe.tenhou_to_mjai(json),
        "mjlog_to_mjai gz": lambda: paiscribe.mjlog_to_mjai(packed[xml]),
        "convert_file gz": lambda: paiscribe.convert_file(packed[json]),
    }


def child(name, xml, json, count):
    with tempfile.TemporaryDirectory() as folder:
        call = calls_of(xml, json, folder)[name]
        for _ in range(count):
            call()


def instructions(name, xml, json, count):
    command = ["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null", sys.executable, __file__, CHILD,
               name, str(xml), str(json), str(count)]
    out = subprocess.run(command, capture_output=True, text=True, check=True).stderr
    return int(re.search(r"refs:\s+([\d,]+)", out).group(1).replace(",", ""))


def counted(xml, json, count=50):
    with tempfile.TemporaryDirectory() as folder:
        names = list(calls_of(xml, json, folder))
    return {name: (instructions(name, xml, json, count) - instructions(name, xml, json, 0)) / count for name in names}


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("pair", nargs="*", metavar="XML JSON")
    parser.add_argument("--instructions", action="store_true", help="count instructions with callgrind")
    args = parser.parse_args(argv)
    xml, json = args.pair or [DATA / "mjlog_001.xml", DATA / "real_001.json"]

    import paiscribe
    from timing import best_times

    assert paiscribe.mjlog_to_mjai(xml) == paiscribe.tenhou_to_mjai(json), "the two forms differ"
    if args.instructions:
        figures, unit = counted(xml, json), "instructions"
    else:
        with tempfile.TemporaryDirectory() as folder:
            figures = {name: seconds * 1e6 for name, seconds in best_times(calls_of(xml, json, folder)).items()}
        unit = "us"
    for name, figure in figures.items():
        print(f"{name:17} {figure:12,.1f} {unit} per call")
    print(f"XML / JSON        {figures['mjlog_to_mjai'] / figures['tenhou_to_mjai']:.2f}")
    print(f"XML / JSON, gzip  {figures['mjlog_to_mjai gz'] / figures['convert_file gz']:.2f}")


if __name__ == "__main__":
    if sys.argv[1:2] == [CHILD]:
        child(sys.argv[2], sys.argv[3], sys.argv[4], int(sys.argv[5]))
    else:
        main(sys.argv[1:])
