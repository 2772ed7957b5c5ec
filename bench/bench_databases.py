#!/usr/bin/env python3
"""Games per second of paiscribe.convert_files over a downloader's database
against the same games as files, two workers and gzip output, as a year's
export runs: the database of gzip records (the newer layout) and the one of
bz2 records (the older) against a folder of the gzip records. The variants
take turns round by round, and the best round counts.

    bench_databases.py [--games N] [--rounds R] [--out-dir DIR]

The games are N copies of the real XML records in tests/data/mjlog, each
under a log id of its own, made once under .work/bench/databases-N/. The
outputs go to a tmpfs where there is one (see bench_corpus.py).
"""

import argparse
import bz2
import gzip
import os
import pathlib
import shutil
import sqlite3
import sys

import paiscribe
from bench_corpus import WORK, default_out_dir, rates_of

ROOT = pathlib.Path(__file__).resolve().parent.parent
RECORDS = ["mjlog_001.xml", "mjlog_005.xml", "mjlog_023.xml", "mjlog_007.mjlog"]

# (numerator, denominator, at least): a ratio of rates in games/s.
TARGETS = [
    ("gzip database", "gzip files", 0.9),
    ("bz2 database", "gzip files", 0.8),
    ("bz2 files", "gzip files", 0.8),
]


def xml_of(name):
    data = (ROOT / "tests/data/mjlog" / name).read_bytes()
    return gzip.decompress(data) if data[:2] == b"\x1f\x8b" else data


def make_inputs(count):
    """The folders of gzip and bz2 files and the two databases, made once."""
    folder = WORK / f"databases-{count}"
    if not folder.is_dir():
        partial = folder.with_name(folder.name + ".partial")
        shutil.rmtree(partial, ignore_errors=True)
        (partial / "gzip").mkdir(parents=True)
        (partial / "bz2").mkdir()
        records = [xml_of(name) for name in RECORDS]
        newer = sqlite3.connect(partial / "gzip.db")
        newer.execute("CREATE TABLE logs(id TEXT PRIMARY KEY, date TEXT, num_players INTEGER, is_tonpu INTEGER,"
                      " is_processed INTEGER, was_error INTEGER, log BLOB)")
        older = sqlite3.connect(partial / "bz2.db")
        older.execute("CREATE TABLE logs(log_id text primary key, date text, is_tonpusen int, is_sanma int,"
                      " is_processed int, was_error int, log_content text, log_hash text)")
        for i in range(count):
            log_id = f"2024{1 + i % 12:02d}{1 + i % 28:02d}{i % 24:02d}gm-00a9-0000-{i:08x}"
            record = records[i % len(records)]
            packed, packed_bz2 = gzip.compress(record), bz2.compress(record)
            (partial / "gzip" / f"{log_id}.mjlog").write_bytes(packed)
            (partial / "bz2" / f"{log_id}.mjlog").write_bytes(packed_bz2)
            newer.execute("INSERT INTO logs VALUES (?, ?, 4, 0, 1, 0, ?)", (log_id, log_id[:10], packed))
            older.execute("INSERT INTO logs VALUES (?, ?, 0, 0, 1, 0, ?, '')", (log_id, log_id[:10], packed_bz2))
        for database in (newer, older):
            database.commit()
            database.close()
        partial.rename(folder)
    return folder


def variants(folder, count):
    def run(inputs):
        def call(out):
            report = paiscribe.convert_files(inputs, out, workers=2, gzip=True)
            assert report.converted == count, report

        return call

    return {
        "gzip files": run([str(folder / "gzip")]),
        "gzip database": run([str(folder / "gzip.db")]),
        "bz2 database": run([str(folder / "bz2.db")]),
        "bz2 files": run([str(folder / "bz2")]),
    }


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--games", type=int, default=4000)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--out-dir", type=pathlib.Path, default=default_out_dir(),
                        help="where the outputs go, emptied each round (default: %(default)s)")
    args = parser.parse_args(argv)

    folder = make_inputs(args.games)
    print(f"Python {sys.version.split()[0]}, {os.cpu_count()} CPUs; {args.games} games, best of {args.rounds} rounds,"
          f" 2 workers, gzip output; outputs in {args.out_dir}")
    rates = rates_of(variants(folder, args.games), args.games, args.rounds, args.out_dir)
    for name, rate in rates.items():
        print(f"  {name:14} {rate:9.0f} games/s")
    for numerator, denominator, least in TARGETS:
        ratio = rates[numerator] / rates[denominator]
        verdict = "met" if ratio >= least else "MISSED"
        print(f"  {numerator + ' / ' + denominator:32} {ratio:5.2f}  (target >= {least:.2f}: {verdict})")


if __name__ == "__main__":
    main(sys.argv[1:])
