#!/usr/bin/env python3
"""Logs per second of paiscribe.convert_files against a Python loop of
tenhou_to_mjai writing the same files, and against the floor: reading each
input and writing its prepared output, with nothing converted; and of
paiscribe.check_files on those outputs, which must cost no more than making
them. Each variant
writes into an empty folder (the floor as the workers write: under a
temporary name, then renamed); the variants take turns round by round, so a
slow spell of the machine hits them alike, and the best round counts.

    bench_corpus.py [--logs N] [--rounds R]

The corpus is N copies of the real games in tests/data, made once under
.work/bench/corpus-N/. The outputs go to a tmpfs where there is one: on a
small virtual machine's disk every variant, the floor included, runs at the
disk's pace once its writes are counted, which says nothing of the
converter. --out-dir puts them on a disk instead.
"""

import argparse
import os
import pathlib
import shutil
import sys
import time

import paiscribe
from _paiscribe import tenhou_to_mjai

ROOT = pathlib.Path(__file__).resolve().parent.parent
GAMES = ["hanchan_double_ron.json", "tonpuu_double_ron.json", "four_kan_abort.json"]
WORK = ROOT / ".work/bench"

# (numerator, denominator, at least, at most): a ratio of rates in logs/s.
TARGETS = [
    ("1 worker", "floor", 0.5, None),
    ("2 workers", "1 worker", 1.7, None),
    ("1 worker", "Python loop", None, None),
    ("1 worker", "1 worker gzip", None, None),  # what gzip output costs
    ("2 workers", "2 workers gzip", None, None),
    ("1 worker check", "1 worker", 1.0, None),  # checking costs no more than converting
    ("2 workers check", "2 workers", 1.0, None),
    ("2 workers", "2 workers checked", None, None),  # what check=True adds
]


def default_out_dir():
    shared_memory = pathlib.Path("/dev/shm")
    return shared_memory / "paiscribe-bench" if shared_memory.is_dir() else WORK / "out"


def make_corpus(count):
    folder = WORK / f"corpus-{count}"
    if not folder.is_dir():
        partial = folder.with_name(folder.name + ".partial")
        shutil.rmtree(partial, ignore_errors=True)
        partial.mkdir(parents=True)
        for i in range(count):
            game = GAMES[i % len(GAMES)]
            shutil.copyfile(ROOT / "tests/data" / game, partial / f"{i:06d}-{game}")
        partial.rename(folder)
    return sorted(str(path) for path in folder.iterdir())


def mjson_name(path):
    return os.path.basename(path).removesuffix(".json") + ".mjson"


def write_lines(inputs, prepared):
    """The outputs once, for check_files to read."""
    folder = WORK / f"lines-{len(inputs)}"
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    for path in inputs:
        (folder / mjson_name(path)).write_bytes(prepared[path])
    return sorted(str(path) for path in folder.iterdir())


def variants(inputs):
    prepared = {path: "".join(line + "\n" for line in tenhou_to_mjai(path)).encode() for path in inputs}
    lines_files = write_lines(inputs, prepared)

    def python_loop(out):
        for path in inputs:
            tenhou_to_mjai(path, os.path.join(out, mjson_name(path)))

    def floor(out):
        # Each output replaces its path whole, as a worker writes it: under a
        # temporary name, then renamed.
        for path in inputs:
            source = os.open(path, os.O_RDONLY)
            while os.read(source, 1 << 16):
                pass
            os.close(source)
            output = os.path.join(out, mjson_name(path))
            temporary = os.path.join(out, "." + mjson_name(path) + ".tmp")
            target = os.open(temporary, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o666)
            os.write(target, prepared[path])
            os.close(target)
            os.rename(temporary, output)

    def corpus(workers, gzip=False, check=False):
        def run(out):
            report = paiscribe.convert_files(inputs, out, workers=workers, gzip=gzip, check=check)
            assert report.converted == len(inputs), report

        return run

    def check(workers):
        def run(out):
            report = paiscribe.check_files(lines_files, workers=workers)
            assert report.legal == len(inputs), report

        return run

    return {
        "floor": floor,
        "Python loop": python_loop,
        "1 worker": corpus(1),
        "2 workers": corpus(2),
        "1 worker gzip": corpus(1, gzip=True),
        "2 workers gzip": corpus(2, gzip=True),
        "2 workers checked": corpus(2, check=True),
        "1 worker check": check(1),
        "2 workers check": check(2),
    }


def rates_of(calls, count, rounds, out):
    """The best rate of each call over the rounds, in items per second; the
    calls take turns, each writing into an emptied folder `out`."""
    best = dict.fromkeys(calls, float("inf"))
    for _ in range(rounds):
        for name, call in calls.items():
            shutil.rmtree(out, ignore_errors=True)
            out.mkdir(parents=True)
            # The disk takes the last variant's files now, not during this one.
            os.sync()
            start = time.perf_counter()
            call(str(out))
            best[name] = min(best[name], time.perf_counter() - start)
    shutil.rmtree(out, ignore_errors=True)
    return {name: count / seconds for name, seconds in best.items()}


def measure(inputs, rounds, out):
    return rates_of(variants(inputs), len(inputs), rounds, out)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--logs", type=int, default=1500)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--out-dir", type=pathlib.Path, default=default_out_dir(),
                        help="where the outputs go, emptied each round (default: %(default)s)")
    args = parser.parse_args(argv)

    inputs = make_corpus(args.logs)
    print(f"Python {sys.version.split()[0]}, {os.cpu_count()} CPUs; {len(inputs)} logs, best of {args.rounds} rounds;"
          f" outputs in {args.out_dir}")
    rates = measure(inputs, args.rounds, args.out_dir)
    for name, rate in rates.items():
        print(f"  {name:16} {rate:9.0f} logs/s")
    for numerator, denominator, least, most in TARGETS:
        ratio = rates[numerator] / rates[denominator]
        line = f"  {numerator + ' / ' + denominator:32} {ratio:5.2f}"
        if least is not None:
            line += f"  (target >= {least:.2f}: {'met' if ratio >= least else 'MISSED'})"
        if most is not None:
            line += f"  (target <= {most:.2f}: {'met' if ratio <= most else 'MISSED'})"
        print(line)
    print(f"  plain output, 1 worker: {rates['1 worker']:.0f} logs/s on one core (moonshot: 20000)")


if __name__ == "__main__":
    main(sys.argv[1:])
