"""Faults a hostile environment provokes: a failed write part way, a call
blocked on a FIFO, and each must end soundly. Limits and signals are applied
in child interpreters."""

import os
import shutil
import signal
import stat
import subprocess
import sys
import time

import pytest

from _paiscribe import tenhou_to_mjai
from conftest import CONVERTIBLE_LOGS, DATA, as_lines_file, sample

GOOD = sample(CONVERTIBLE_LOGS[0])

WRITE_UNDER_FILE_SIZE_LIMIT = """
import resource, sys
from _paiscribe import tenhou_to_mjai
resource.setrlimit(resource.RLIMIT_FSIZE, (8192, 8192))
try:
    tenhou_to_mjai(sys.argv[1], sys.argv[2])
except OSError as error:
    print(error.args[0])
"""


@pytest.mark.parametrize("destination", ["existing file", "new file", "the log itself"])
def test_failed_write_leaves_the_destination_as_it_was(tmp_path, destination):
    log = tmp_path / "game.json"
    shutil.copy(GOOD, log)
    out = {"existing file": tmp_path / "out.mjai", "new file": tmp_path / "new.mjai", "the log itself": log}[
        destination
    ]
    if destination == "existing file":
        out.write_bytes(b"previous content\n")
    before = out.read_bytes() if out.exists() else None
    files_before = sorted(os.listdir(tmp_path))

    child = subprocess.run(
        [sys.executable, "-c", WRITE_UNDER_FILE_SIZE_LIMIT, str(log), str(out)], capture_output=True, timeout=60
    )

    assert child.stdout == b"failed to write to mjai out file\n", child.stderr
    assert (out.read_bytes() if out.exists() else None) == before
    assert sorted(os.listdir(tmp_path)) == files_before, "a temporary file was left behind"


def test_replacing_a_file_keeps_its_mode_and_its_links(tmp_path):
    target = tmp_path / "target.mjai"
    target.write_bytes(b"old\n")
    target.chmod(0o640)
    link = tmp_path / "link.mjai"
    link.symlink_to(target)

    lines = tenhou_to_mjai(GOOD, str(link))

    assert link.is_symlink() and link.resolve() == target
    assert target.read_bytes() == as_lines_file(lines)
    assert stat.S_IMODE(target.stat().st_mode) == 0o640
    assert sorted(os.listdir(tmp_path)) == ["link.mjai", "target.mjai"]


CALL_UNTIL_INTERRUPTED = """
import sys
import paiscribe
convert = getattr(paiscribe, sys.argv[1])
print("ready", flush=True)
try:
    convert(sys.argv[2], sys.argv[3] if len(sys.argv) > 3 else None)
    print("returned")
except KeyboardInterrupt:
    print("interrupted")
"""


def interrupt_until_done(arguments, function="tenhou_to_mjai"):
    """Starts the call in a child, sends SIGINT until it ends; returns its stdout."""
    with subprocess.Popen(
        [sys.executable, "-c", CALL_UNTIL_INTERRUPTED, function, *arguments],
        stdout=subprocess.PIPE,
        stderr=subprocess.PIPE,
    ) as child:
        assert child.stdout.readline() == b"ready\n"
        deadline = time.monotonic() + 30
        while child.poll() is None and time.monotonic() < deadline:
            # Repeated: a signal that lands before the call blocks is handled
            # by the interpreter and does not interrupt the call.
            time.sleep(0.1)
            child.send_signal(signal.SIGINT)
        if child.poll() is None:
            child.kill()
        stdout, stderr = child.communicate(timeout=30)
    assert stdout == b"interrupted\n", stderr
    return stdout


@pytest.mark.parametrize("function", ["tenhou_to_mjai", "mjlog_to_mjai", "convert_file"])
@pytest.mark.parametrize("case", ["input without a writer", "input whose writer stays open", "output without a reader"])
def test_ctrl_c_ends_a_call_blocked_on_a_fifo(tmp_path, case, function):
    fifo = tmp_path / "fifo"
    os.mkfifo(fifo)
    held = None
    try:
        if case == "input whose writer stays open":
            held = os.open(fifo, os.O_RDWR)
        good = str(DATA / "mjlog" / "mjlog_001.xml") if function == "mjlog_to_mjai" else GOOD
        arguments = [good, str(fifo)] if case == "output without a reader" else [str(fifo)]
        interrupt_until_done(arguments, function)
    finally:
        if held is not None:
            os.close(held)
    assert stat.S_ISFIFO(os.lstat(fifo).st_mode)


UNDER_ADDRESS_SPACE_LIMIT = """
import resource, sys
from _paiscribe import tenhou_to_mjai
limit = int(sys.argv[2]) * 2**20
resource.setrlimit(resource.RLIMIT_AS, (limit, limit))
try:
    tenhou_to_mjai(sys.argv[1])
    print("converted")
except MemoryError:
    print("MemoryError")
except ValueError as error:
    print(type(error).__name__)
"""


@pytest.mark.parametrize("megabytes", [100, 200, 400])
@pytest.mark.parametrize("shape", ["flat", "deep"])
def test_running_out_of_memory_is_an_exception_not_a_crash(tmp_path, shape, megabytes):
    log = tmp_path / "big.json"
    if shape == "flat":
        log.write_text("[" + ",".join(["[1]"] * 2_500_000) + "]")
    else:
        log.write_text('{"log":[[[0,0,0],[0,0,0,0],[11],[],' + '{"a":' * 1_000_000 + "1" + "}" * 1_000_000 + "]]}")
    child = subprocess.run(
        [sys.executable, "-c", UNDER_ADDRESS_SPACE_LIMIT, str(log), str(megabytes)], capture_output=True, timeout=120
    )
    assert child.returncode == 0, child.stderr[-2000:]
    assert child.stdout.strip() in (b"MemoryError", b"JsonParsingError")


PEAK_OF_ONE_CALL = """
import sys
from _paiscribe import tenhou_to_mjai
def peak():
    return int(open("/proc/self/status").read().split("VmHWM:")[1].split()[0]) * 1024
before = peak()
try:
    tenhou_to_mjai(sys.argv[1])
except ValueError:
    pass
print(peak() - before)
"""


def test_a_text_that_fails_is_held_once(tmp_path):
    log = tmp_path / "strings.json"
    log.write_text("[" + ",".join(['"a string of some length"'] * 1_500_000) + "]")
    size = log.stat().st_size
    child = subprocess.run([sys.executable, "-c", PEAK_OF_ONE_CALL, str(log)], capture_output=True, timeout=120)
    assert child.returncode == 0, child.stderr
    assert int(child.stdout) <= 2 * size, f"peak {int(child.stdout) / size:.2f} times the text"
