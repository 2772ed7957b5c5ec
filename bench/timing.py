"""Best-of timing shared by the Python benchmarks."""

import time


def best_times(calls, budget=2.0, rounds=15):
    """The fastest batch of each call, per call, in seconds. The calls take
    turns batch by batch, so a slow spell of the machine hits them alike and
    the ratios hold even where the absolute times drift."""
    per_batch = {}
    for name, call in calls.items():
        call()
        start = time.perf_counter()
        call()
        once = max(time.perf_counter() - start, 1e-6)
        per_batch[name] = max(1, int(budget / len(calls) / rounds / once))
    best = dict.fromkeys(calls, float("inf"))
    for _ in range(rounds):
        for name, call in calls.items():
            start = time.perf_counter()
            for _ in range(per_batch[name]):
                call()
            best[name] = min(best[name], (time.perf_counter() - start) / per_batch[name])
    return best
