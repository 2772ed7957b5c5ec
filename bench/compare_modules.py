#!/usr/bin/env python3
"""Times two builds of the _paiscribe module against each other in one
process, taking turns batch by batch, after checking that they return the
same lines. For judging a change: build the module before and after it
(each into its own directory) and compare.

    compare_modules.py BEFORE_DIR AFTER_DIR LOG [LOG ...]
"""

import argparse
import importlib
import pathlib
import sys

from timing import best_times


def load(directory):
    """The module built in `directory`. It is imported from there and then
    taken out of `sys.modules`, so the next build imports afresh and both
    live in this process at once."""
    directory = pathlib.Path(directory).resolve()
    sys.modules.pop("_paiscribe", None)
    sys.path.insert(0, str(directory))
    try:
        module = importlib.import_module("_paiscribe")
    finally:
        sys.path.pop(0)
        sys.modules.pop("_paiscribe", None)
    if pathlib.Path(module.__file__).parent != directory:
        sys.exit(f"no _paiscribe module in {directory}")
    return module


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
        best = best_times({
            "before": lambda: modules[0].tenhou_to_mjai(log),
            "after": lambda: modules[1].tenhou_to_mjai(log),
        }, rounds=20)
        before, after = best["before"], best["after"]
        print(f"{pathlib.Path(log).name:28} before {before * 1e6:9.1f} us  after {after * 1e6:9.1f} us  "
              f"after/before {after / before:.2f}")


if __name__ == "__main__":
    main(sys.argv[1:])
