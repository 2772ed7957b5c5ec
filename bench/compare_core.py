#!/usr/bin/env python3
"""One stage of core_bench over many logs as one figure: the logs' bytes over
the sum of their CPU times per log, in MB/s, for one or more builds of core_bench
run in turn, round by round, so that a slow spell of the machine hits them
alike. Prints each build's median over the rounds, and each build's ratio to
the first.

    compare_core.py [--stage pipeline_kept] [--rounds 7] CORE_BENCH [CORE_BENCH ...] -- LOG [LOG ...]

    bench/compare_core.py BEFORE/bench/core_bench AFTER/bench/core_bench -- ../shared/samples/real/*.json
"""

import argparse
import json
import os
import statistics
import subprocess
import sys

# CPU time: on a shared virtual machine the time a neighbour takes the core is no time of ours.
TIME_FIELD = "cpu_time"


def stage_rate(binary, stage, logs):
    """MB/s of the stage over all the logs: their bytes over their summed times."""
    output = subprocess.run(
        [binary, f"--benchmark_filter=^{stage}/", "--benchmark_min_time=0.05", "--benchmark_format=json", *logs],
        capture_output=True, text=True, check=True).stdout
    runs = json.loads(output)["benchmarks"]
    if len(runs) != len(logs):
        raise SystemExit(f"{binary}: {len(runs)} results for {len(logs)} logs")
    seconds = sum(run[TIME_FIELD] * {"us": 1e-6, "ns": 1e-9, "ms": 1e-3}[run["time_unit"]] for run in runs)
    return sum(os.path.getsize(log) for log in logs) / seconds / 1e6


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--stage", default="pipeline_kept")
    parser.add_argument("--rounds", type=int, default=7)
    parser.add_argument("binaries", nargs="+", metavar="CORE_BENCH")
    if "--" not in argv:
        parser.error("give the logs after --")
    split = argv.index("--")
    args = parser.parse_args(argv[:split])
    logs = argv[split + 1:]
    rates = {binary: [] for binary in args.binaries}
    for _ in range(args.rounds):
        for binary in args.binaries:
            rates[binary].append(stage_rate(binary, args.stage, logs))
    first = statistics.median(rates[args.binaries[0]])
    print(f"{args.stage} over {len(logs)} logs, median of {args.rounds} rounds:")
    for binary, values in rates.items():
        median = statistics.median(values)
        print(f"  {median:7.1f} MB/s  (x{median / first:.2f}; {min(values):.1f}-{max(values):.1f})  {binary}")


if __name__ == "__main__":
    main(sys.argv[1:])
