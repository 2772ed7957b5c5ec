#!/usr/bin/env python3
"""Times two builds of the _paiscribe module against each other in one
process, taking turns batch by batch, after checking that they return the
same lines. For judging a change: build the module before and after it
(each into its own directory) and compare.

    compare_modules.py BEFORE_DIR AFTER_DIR LOG [LOG ...]
"""

import argparse
import importlib.machinery
import importlib.util
import pathlib
import sys
import time


def load(directory):
    """The module built in `directory`, loaded under its own name but apart
    from any other copy, so both builds live in this process at once."""
    paths = sorted(pathlib.Path(directory).glob("_paiscribe*.so"))
    if not paths:
        sys.exit(f"no _paiscribe module in {directory}")
    loader = importlib.machinery.ExtensionFileLoader("_paiscribe", str(paths[0]))
    spec = importlib.util.spec_from_file_location("_paiscribe", paths[0], loader=loader)
    module = importlib.util.module_from_spec(spec)
    loader.exec_module(module)
    return module


def best_per_call(modules, path, budget=2.0, rounds=20):
    start = time.perf_counter()
    modules[0].tenhou_to_mjai(path)
    per_batch = max(1, int(budget / len(modules) / rounds / max(time.perf_counter() - start, 1e-6)))
    best = [float("inf")] * len(modules)
    for _ in range(rounds):
        for index, module in enumerate(modules):
            start = time.perf_counter()
            for _ in range(per_batch):
                module.tenhou_to_mjai(path)
            best[index] = min(best[index], (time.perf_counter() - start) / per_batch)
    return best


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("before")
    parser.add_argument("after")
    parser.add_argument("logs", nargs="+")
    args = parser.parse_args(argv)
    modules = [load(args.before), load(args.after)]
    for log in args.logs:
        if modules[0].tenhou_to_mjai(log) != modules[1].tenhou_to_mjai(log):
            sys.exit(f"{log}: the two builds return different lines")
        before, after = best_per_call(modules, log)
        print(f"{pathlib.Path(log).name:28} before {before * 1e6:9.1f} us  after {after * 1e6:9.1f} us  "
              f"after/before {after / before:.2f}")


if __name__ == "__main__":
    main(sys.argv[1:])
