"""Ctrl-C and kills held back while a batch hands an outcome on."""

import signal
import threading
from collections.abc import Callable, Iterator
from contextlib import contextmanager
from types import FrameType


class SignalGate:
    """SIGINT and SIGTERM pass through the gate while it is installed: to
    their handlers at once, or, while the gate is shut, once it opens. It is
    shut while an outcome is handed on, so that each reaches every listener
    (a report file and the console) or none. Only the main thread has
    handlers, and only those set from Python can be passed through; one left
    installed by a signal that came as the gate was taken down passes every
    signal straight on, as if it were not there."""

    def __init__(self) -> None:
        self.is_shut = False
        self.waiting: list[int] = []
        self.handlers: dict[int, Callable[[int, FrameType | None], object]] = {}

    def handle(self, signum: int, frame: FrameType | None) -> None:
        if self.is_shut:
            self.waiting.append(signum)
        else:
            self.handlers[signum](signum, frame)

    @contextmanager
    def installed(self) -> Iterator[None]:
        passed: list[signal.Signals] = []
        if threading.current_thread() is threading.main_thread():
            for signum in (signal.SIGINT, signal.SIGTERM):
                handler = signal.getsignal(signum)
                if callable(handler) and handler != self.handle:
                    self.handlers[signum] = handler
                    passed.append(signum)
                    signal.signal(signum, self.handle)
        try:
            yield
        finally:
            for signum in passed:
                signal.signal(signum, self.handlers[signum])

    @contextmanager
    def shut(self) -> Iterator[None]:
        self.is_shut = True
        try:
            yield
        finally:
            self.is_shut = False
            if self.waiting:
                first = self.waiting[0]
                self.waiting.clear()
                self.handlers[first](first, None)
