#!/usr/bin/env python3
"""Times the command line's way to standard output (`paiscribe LOG > out`:
each log converted and written natively, no list made) against making the
list, convert_file(LOG), on real logs, the variants interleaved; also the
way the command line wrote before: the list, joined and encoded in Python.
Standard output is a regular file here, rewritten from its start each call.

    bench_stdout.py [LOG ...]   (default: the real games in tests/data)

The target: the command line costs at most 1.2 times the list, as the
median over the logs.
"""

import argparse
import os
import pathlib
import statistics
import sys
import tempfile

import paiscribe
from paiscribe import cli
from timing import best_times

ROOT = pathlib.Path(__file__).resolve().parent.parent
DATA = ROOT / "tests/data"
TARGET = 1.2


def real_logs():
    named = [DATA / name for name in ("hanchan_double_ron.json", "tonpuu_double_ron.json", "four_kan_abort.json")]
    return named + sorted((DATA / "real").glob("*.json")) + sorted((DATA / "mjlog").glob("mjlog_0*.xml"))


def calls_of(log):
    console = cli.Console(argparse.Namespace(quiet=True, verbose=False))
    report = cli.ReportFile(None)

    def command_line():
        os.lseek(1, 0, os.SEEK_SET)
        if cli.run_lines([log], cli.STANDARD_STREAM, console, report):
            raise RuntimeError(f"{log} failed")

    def joined_in_python():
        os.lseek(1, 0, os.SEEK_SET)
        lines = paiscribe.convert_file(log)
        sys.stdout.buffer.write("".join(line + "\n" for line in lines).encode())
        sys.stdout.buffer.flush()

    return {"list": lambda: paiscribe.convert_file(log), "command line": command_line,
            "joined in Python": joined_in_python}


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("logs", nargs="*")
    args = parser.parse_args(argv)
    logs = [str(log) for log in (args.logs or real_logs())]
    report = sys.stderr
    saved = os.dup(1)
    ratios, before = [], []
    with tempfile.TemporaryFile() as out:
        os.dup2(out.fileno(), 1)
        try:
            print("times are the best of 15 interleaved batches, per call; ratios to the list", file=report)
            for log in logs:
                try:
                    paiscribe.convert_file(log)
                except (ValueError, OSError):
                    continue  # a log that does not convert has nothing to write
                t = best_times(calls_of(log))
                ratios.append(t["command line"] / t["list"])
                before.append(t["joined in Python"] / t["list"])
                print(f"  {pathlib.Path(log).name:28} list {t['list'] * 1e3:7.3f} ms   command line "
                      f"{ratios[-1]:5.2f}   joined in Python {before[-1]:5.2f}", file=report)
        finally:
            os.dup2(saved, 1)
    median = statistics.median(ratios)
    print(f"command line / list, median over {len(ratios)} logs: {median:.2f} "
          f"(target <= {TARGET:.2f}: {'met' if median <= TARGET else 'MISSED'}); "
          f"joined in Python / list: {statistics.median(before):.2f}")


if __name__ == "__main__":
    main(sys.argv[1:])
