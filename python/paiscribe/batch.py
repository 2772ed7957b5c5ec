"""The runner of many records: it takes jobs and the outcomes found on the
way to them from any source, runs the native batch over the jobs on its own
threads without the interpreter lock, hands on each failure as it comes, and
counts it all into one report.

A source never tells the runner what kind it is: a folder walk, a list of
files, standard input or any other yields Jobs (a name, an output, and the
record's bytes or its path in the name), and the Failures, Skips and Ignores
it meets.
"""

import os
import time
from collections.abc import Callable, Iterable, Sequence
from dataclasses import dataclass, field
from typing import NamedTuple, Protocol

from paiscribe import _native
from paiscribe.report import Failure, Finding, Ignored, Progress, Report, Skip
from paiscribe.signal_gate import SignalGate


class Job(NamedTuple):
    """One record to work on: its name in every report (its path, unless data
    holds it), where its output goes ("" when nothing is written), and its
    bytes when it is held in memory."""

    input: str
    output: str
    data: bytes | None = None


Outcome = Failure | Skip | Ignored
# A failure as the native batch hands it over: (job index, class name,
# message, detail, [(line, kyoku, seat, message), ...]).
FindingTuple = tuple[int, str | None, int | None, str]
FailureTuple = tuple[int, str, str, str, list[FindingTuple]]


class Work(Protocol):
    """What the native batch does with each job."""

    def start(self, jobs: Sequence[Job], workers: int, failures: list[FailureTuple], counts: list[int],
              tick: Callable[[], object]) -> None:
        """Runs the native batch over the jobs until it is done or stopped:
        it appends each failure to failures and keeps counts at [converted,
        failed] before any Python code runs, and calls tick() after each
        filling."""


@dataclass(frozen=True)
class Convert:
    """Each record into its output below output_dir, gzip-compressed with
    gzip, and its lines checked under the rules before they are written with
    check."""

    output_dir: str
    gzip: bool = False
    check: bool = False

    def below(self, output: str) -> str:
        """An output's path below output_dir (the plan puts it there)."""
        if self.output_dir == os.curdir and not os.path.isabs(output):
            return output
        prefix = self.output_dir.rstrip(os.sep) + os.sep
        return output[len(prefix):] if output.startswith(prefix) else os.path.relpath(output, self.output_dir)

    def start(self, jobs: Sequence[Job], workers: int, failures: list[FailureTuple], counts: list[int],
              tick: Callable[[], object]) -> None:
        triples = [(os.fsencode(job.input), os.fsencode(self.below(job.output)),
                    *(() if job.data is None else (job.data,))) for job in jobs]
        _native.convert_files(triples, os.fsencode(self.output_dir), workers, self.gzip, self.check, failures, counts,
                              tick)


@dataclass(frozen=True)
class CheckFiles:
    """Each file of mjai lines, named by its path, checked under the rules;
    `converted` then counts the legal ones."""

    def start(self, jobs: Sequence[Job], workers: int, failures: list[FailureTuple], counts: list[int],
              tick: Callable[[], object]) -> None:
        _native.check_files([os.fsencode(job.input) for job in jobs], workers, failures, counts, tick)


def default_workers() -> int:
    """The CPUs this process may run on."""
    if hasattr(os, "process_cpu_count"):
        return os.process_cpu_count() or 1
    if hasattr(os, "sched_getaffinity"):
        return len(os.sched_getaffinity(0))
    return os.cpu_count() or 1


def check_arguments(workers: int | None, progress: Callable[[Progress], object] | None) -> int:
    """The worker count; TypeError or ValueError for arguments that cannot
    be, before any work."""
    if workers is None:
        workers = default_workers()
    elif not isinstance(workers, int) or isinstance(workers, bool):
        raise TypeError(f"workers must be an int or None, not {type(workers).__name__}")
    elif workers < 1:
        raise ValueError(f"workers must be at least 1, not {workers}")
    if progress is not None and not callable(progress):
        raise TypeError(f"progress must be callable or None, not {type(progress).__name__}")
    return workers


@dataclass
class Batch:
    """One run over many records: what its source gave, and what the native
    batch has done so far. report() is whole at any time, also after an
    interruption. on_outcome gets each failure, skip and ignore as it is
    known."""

    on_outcome: Callable[[Outcome], object] | None = None
    jobs: list[Job] = field(default_factory=list)
    skips: list[Skip] = field(default_factory=list)
    ignores: list[Ignored] = field(default_factory=list)
    failures: list[Failure] = field(default_factory=list)  # from the source, then from the work
    converted: int = 0
    failed_jobs: int = 0  # of the failures, those of the work
    started: float = field(default_factory=time.perf_counter)
    _gate: SignalGate = field(default_factory=SignalGate, repr=False)

    def take(self, source: Iterable[Job | Outcome]) -> None:
        """Every job of the source, in its order, and every outcome it meets."""
        with self._gate.installed():
            for item in source:
                if isinstance(item, Job):
                    self.jobs.append(item)
                    continue
                with self._gate.shut():
                    self.account(item)

    def account(self, outcome: Outcome) -> None:
        if isinstance(outcome, Failure):
            self.failures.append(outcome)
        elif isinstance(outcome, Skip):
            self.skips.append(outcome)
        else:
            self.ignores.append(outcome)
        if self.on_outcome is not None:
            self.on_outcome(outcome)

    def run(self, work: Work, workers: int, progress: Callable[[Progress], object] | None = None) -> Report:
        """Does the work on the jobs; each failure goes to on_outcome as it
        comes. KeyboardInterrupt, or an exception from a callback, stops the
        workers after the record each holds; the batch then holds every
        failure so far."""
        jobs = self.jobs
        planned_failures = len(self.failures)
        skipped = sum(skip.reason == "exists" for skip in self.skips)
        clashed = len(self.skips) - skipped
        total = len(jobs) + len(self.skips) + planned_failures
        # Filled by the native batch before any Python code runs: a failure
        # is in the list before a signal can stop the run, and is handed on
        # from there, here or at the end.
        failures: list[FailureTuple] = []
        counts = [0, 0]

        def hand_on() -> None:
            with self._gate.shut():
                self.converted = counts[0]
                while self.failed_jobs < len(failures):
                    index, error_class, message, detail, findings = failures[self.failed_jobs]
                    self.failed_jobs += 1
                    self.account(Failure(jobs[index].input, error_class, message, detail,
                                         tuple(Finding(*found) for found in findings)))

        def tick() -> None:
            hand_on()
            if progress is not None:
                progress(Progress(counts[0], planned_failures + counts[1], skipped, total, clashed))

        with self._gate.installed():
            try:
                work.start(jobs, workers, failures, counts, tick)
            finally:
                hand_on()
        return self.report()

    def report(self) -> Report:
        return Report(
            converted=self.converted,
            failed=len(self.failures),
            skipped=sum(skip.reason == "exists" for skip in self.skips),
            failures=tuple(self.failures),
            elapsed=time.perf_counter() - self.started,
            clashed=sum(skip.reason == "clash" for skip in self.skips),
            ignored=len(self.ignores),
            skips=tuple(self.skips),
            ignores=tuple(self.ignores),
            untried=len(self.jobs) - self.converted - self.failed_jobs,
        )
