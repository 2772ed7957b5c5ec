"""The runner of many records: it takes jobs and the outcomes found on the
way to them from any source, runs the native batch over the jobs on its own
threads without the interpreter lock, hands on each failure as it comes, and
counts it all into one report.

A source never tells the runner what kind it is: a folder walk, a list of
files, standard input, a database or any other yields Jobs (a name, an
output, and the record's bytes or its path in the name), and the Failures,
Skips and Ignores it meets. A source given to run() is taken as the workers
need its jobs, so that only a few records are held at a time however many
it has.
"""

import itertools
import os
import time
from collections.abc import Callable, Iterable, Iterator
from dataclasses import dataclass, field
from typing import NamedTuple, Protocol

from paiscribe import _native
from paiscribe.game_facts import GameChoice, GameFacts
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
# A game's facts as the native batch hands them over: (job index, the reason
# its filter left it out or None, the facts or None).
FactsTuple = tuple[int, str | None, tuple[object, ...] | None]


@dataclass
class Outcomes:
    """Where the native batch hands its outcomes over, with C API calls
    alone before any Python code runs: a failure is in its list before a
    signal can stop the run. facts is None unless the work hands facts over."""

    failures: list[FailureTuple] = field(default_factory=list)
    counts: list[int] = field(default_factory=lambda: [0, 0])  # [converted, failed]
    facts: list[FactsTuple] | None = None

# The message of a record the conversion refuses as a three-player game: no
# fault of the record, so a skip.
THREE_PLAYER_MESSAGE = "three-player games are not supported"


class Work(Protocol):
    """What the native batch does with each job."""

    def start(self, jobs: Iterable[Job], workers: int, outcomes: Outcomes, tick: Callable[[], object]) -> None:
        """Runs the native batch over the jobs until it is done or stopped: a
        list whole, any other iterable as the workers need its jobs. It fills
        outcomes and calls tick() after each filling."""

    @property
    def wants_facts(self) -> bool:
        """Whether each game's facts are handed on."""


@dataclass(frozen=True)
class Convert:
    """Each record into its output below output_dir, gzip-compressed with
    gzip, and its lines checked under the rules before they are written with
    check. With facts or a choice that reads records, each game's facts are
    handed over, and the games the choice leaves out are skipped."""

    output_dir: str
    gzip: bool = False
    check: bool = False
    facts: bool = False
    choice: GameChoice = GameChoice()

    @property
    def wants_facts(self) -> bool:
        return self.facts or self.choice.reads_records

    def below(self, output: str) -> str:
        """An output's path below output_dir (the plan puts it there)."""
        if self.output_dir == os.curdir and not os.path.isabs(output):
            return output
        prefix = self.output_dir.rstrip(os.sep) + os.sep
        return output[len(prefix):] if output.startswith(prefix) else os.path.relpath(output, self.output_dir)

    def start(self, jobs: Iterable[Job], workers: int, outcomes: Outcomes, tick: Callable[[], object]) -> None:
        items: Iterable[tuple[bytes, ...]] = (
            (os.fsencode(job.input), os.fsencode(self.below(job.output)), *(() if job.data is None else (job.data,)))
            for job in jobs)
        if isinstance(jobs, list):
            items = list(items)
        facts = None if outcomes.facts is None else (outcomes.facts, *self.choice.native())
        _native.convert_files(items, os.fsencode(self.output_dir), workers, self.gzip, self.check, outcomes.failures,
                              outcomes.counts, tick, facts)


@dataclass(frozen=True)
class CheckFiles:
    """Each file of mjai lines, named by its path, checked under the rules;
    `converted` then counts the legal ones."""

    wants_facts = False

    def start(self, jobs: Iterable[Job], workers: int, outcomes: Outcomes, tick: Callable[[], object]) -> None:
        _native.check_files([os.fsencode(job.input) for job in jobs], workers, outcomes.failures, outcomes.counts, tick)


class Ledger(Protocol):
    """Hears of every game of a run: each as its source gives it (a job with
    its index), then each job as it is settled (outcome None: converted),
    with its facts when the work hands them on."""

    def found(self, item: "Job | Outcome", index: int | None) -> None: ...

    def settled(self, index: int, outcome: "Outcome | None", facts: GameFacts | None) -> None: ...


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
    known, and the ledger every game."""

    on_outcome: Callable[[Outcome], object] | None = None
    ledger: Ledger | None = None
    jobs: list[Job] = field(default_factory=list)  # without their bytes once given to the work
    skips: list[Skip] = field(default_factory=list)
    ignores: list[Ignored] = field(default_factory=list)
    failures: list[Failure] = field(default_factory=list)  # from the source, then from the work
    converted: int = 0
    failed_jobs: int = 0  # of the jobs, those the work failed (or skipped for their kind)
    left_out_jobs: int = 0  # of the jobs, those the work skipped for their facts
    started: float = field(default_factory=time.perf_counter)
    _gate: SignalGate = field(default_factory=SignalGate, repr=False)

    def take(self, source: Iterable[Job | Outcome]) -> None:
        """Every job of the source, in its order, and every outcome it meets."""
        with self._gate.installed():
            for item in source:
                if isinstance(item, Job):
                    self._found_job(item)
                    continue
                with self._gate.shut():
                    self.account(item)

    def _found_job(self, job: Job) -> None:
        self.jobs.append(job)
        if self.ledger is not None:
            self.ledger.found(job, len(self.jobs) - 1)

    def _taken_until_bytes(self, source: Iterable[Job | Outcome]) -> Iterator[Job] | None:
        """Takes the source's jobs and outcomes as take() does until a job
        holds its record's bytes; then the jobs taken and the rest of the
        source as the work takes them, the bytes of each kept only until the
        work has them. None when no job held bytes: the jobs are all taken,
        and a stopped run counts those it did not try."""
        items = iter(source)
        with self._gate.installed():
            for item in items:
                if isinstance(item, Job) and item.data is not None:
                    return self._feed(item, items)
                if isinstance(item, Job):
                    self._found_job(item)
                    continue
                with self._gate.shut():
                    self.account(item)
        return None

    def _feed(self, first: Job, rest: Iterator[Job | Outcome]) -> Iterator[Job]:
        yield from self.jobs[:]
        for item in itertools.chain([first], rest):
            if isinstance(item, Job):
                self._found_job(item._replace(data=None))
                yield item
                continue
            with self._gate.shut():
                self.account(item)

    def account(self, outcome: Outcome, index: int | None = None) -> None:
        """An outcome of the source, or with index of that job."""
        if isinstance(outcome, Failure):
            self.failures.append(outcome)
        elif isinstance(outcome, Skip):
            self.skips.append(outcome)
        else:
            self.ignores.append(outcome)
        if self.on_outcome is not None:
            self.on_outcome(outcome)
        if self.ledger is not None and index is None:
            self.ledger.found(outcome, None)

    def run(self, work: Work, workers: int, progress: Callable[[Progress], object] | None = None,
            source: Iterable[Job | Outcome] | None = None) -> Report:
        """Does the work on the jobs taken and those of `source`: taken
        first, or from the first that holds its record's bytes (a database's
        rows, records from memory) as the workers need them, so that only a
        few records are held at a time; each failure goes to on_outcome as
        it comes.
        KeyboardInterrupt, or an exception from a callback, stops the
        workers after the record each holds; the batch then holds every
        failure so far."""
        fed = None if source is None else self._taken_until_bytes(source)
        jobs = self.jobs
        outcomes = Outcomes(facts=[] if work.wants_facts else None)
        facts_seen = 0
        failures_seen = 0
        work_failures = 0  # the failures of jobs among self.failures

        def hand_on() -> None:
            """The outcomes the native batch has handed over since the last
            call, each to on_outcome and the ledger: the facts first, then the
            failures, among which are those of any job the facts name."""
            nonlocal facts_seen, failures_seen, work_failures
            with self._gate.shut():
                self.converted = outcomes.counts[0]
                settled: dict[int, GameFacts | None] = {}
                if outcomes.facts is not None:
                    for index, reason, facts in outcomes.facts[facts_seen:]:
                        facts_seen += 1
                        settled[index] = None if facts is None else GameFacts(*facts)  # type: ignore[arg-type]
                        if reason is not None:
                            self.left_out_jobs += 1
                            skip = Skip(jobs[index].input, reason, jobs[index].output)
                            self.account(skip, index)
                            if self.ledger is not None:
                                self.ledger.settled(index, skip, settled.pop(index))
                ended: dict[int, Outcome] = {}
                for index, error_class, message, detail, findings in outcomes.failures[failures_seen:]:
                    failures_seen += 1
                    self.failed_jobs += 1
                    job = jobs[index]
                    outcome: Outcome = (
                        Skip(job.input, "three-player", job.output) if message == THREE_PLAYER_MESSAGE else
                        Failure(job.input, error_class, message, detail, tuple(Finding(*found) for found in findings)))
                    work_failures += isinstance(outcome, Failure)
                    self.account(outcome, index)
                    ended[index] = outcome
                if self.ledger is not None:
                    for index in sorted(settled.keys() | ended.keys()):
                        self.ledger.settled(index, ended.get(index), settled.get(index))

        def tick() -> None:
            hand_on()
            if progress is None:
                return
            source_failures = len(self.failures) - work_failures
            three_player = self.failed_jobs - work_failures
            clashed = sum(skip.reason == "clash" for skip in self.skips)
            skipped = len(self.skips) - clashed
            total = len(jobs) - self.left_out_jobs - three_player + len(self.skips) + source_failures
            failed = outcomes.counts[1]
            progress(Progress(outcomes.counts[0], source_failures + failed - three_player, skipped, total, clashed))

        with self._gate.installed():
            try:
                work.start(jobs if fed is None else fed, workers, outcomes, tick)
            finally:
                hand_on()
        return self.report()

    def report(self) -> Report:
        exists = sum(skip.reason == "exists" for skip in self.skips)
        clashed = sum(skip.reason == "clash" for skip in self.skips)
        return Report(
            converted=self.converted,
            failed=len(self.failures),
            skipped=exists,
            failures=tuple(self.failures),
            elapsed=time.perf_counter() - self.started,
            clashed=clashed,
            ignored=len(self.ignores),
            skips=tuple(self.skips),
            ignores=tuple(self.ignores),
            untried=len(self.jobs) - self.converted - self.failed_jobs - self.left_out_jobs,
            left_out=len(self.skips) - exists - clashed,
        )
