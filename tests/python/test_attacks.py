"""The command line, corpus and XML paths under attack, one table per kind of
fault: lost data, memory, hangs, errors. Each row runs one attack and sums up
what a user then finds in a short observation, which the table states."""

import gzip
import json
import os
import resource
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

import pytest

import paiscribe
from conftest import CONVERTIBLE_LOGS, DATA, as_lines_file, sample

GOOD, OTHER = sample(CONVERTIBLE_LOGS[0]), sample(CONVERTIBLE_LOGS[1])
XML = DATA / "mjlog" / "mjlog_001.xml"
OLD = b"old content\n"


def command(*args, cwd=None, limits=(), env=None, stdin=None):
    """The command's exit status and standard error, run under the limits."""

    def apply():
        for which, value in limits:
            resource.setrlimit(which, (value, value))

    result = subprocess.run([sys.executable, "-m", "paiscribe", *map(str, args)], capture_output=True, cwd=cwd,
                            preexec_fn=apply, env=env, stdin=stdin, timeout=120)
    return result.returncode, result.stderr.decode(errors="replace")


def child(code, *args):
    """What a fresh interpreter running code prints."""
    result = subprocess.run([sys.executable, "-c", code, *map(str, args)], capture_output=True, timeout=120)
    assert result.returncode == 0, result.stderr.decode(errors="replace")[-2000:]
    return result.stdout.decode().strip()


def state_of(path, before):
    """"as it was", "the lines of GOOD", "gone" or "changed"."""
    if not os.path.exists(path):
        return "gone"
    data = Path(path).read_bytes()
    if data == before:
        return "as it was"
    return "the lines of GOOD" if data == as_lines_file(paiscribe.tenhou_to_mjai(GOOD)) else "changed"


def leftovers(folder):
    """Hidden temporary files and scratch folders left in a folder."""
    return sorted(name for name in os.listdir(folder) if name.endswith(".tmp") or name.startswith("paiscribe-"))


# Lost data ----------------------------------------------------------------

def several_logs_into_a_file_past_a_size_limit(tmp):
    out = tmp / "all.mjson"
    out.write_bytes(OLD)
    status, _ = command(GOOD, OTHER, "-o", out, limits=[(resource.RLIMIT_FSIZE, 16384)])
    return status, state_of(out, OLD), leftovers(tmp)


def output_that_is_one_of_the_logs(tmp):
    log = tmp / "game.json"
    shutil.copy(GOOD, log)
    before = log.read_bytes()
    status, stderr = command(OTHER, log, "-o", log)
    return status, state_of(log, before), stderr.splitlines()[-1].endswith("its lines would replace it")


WRITE_UNDER_SIZE_LIMIT = """
import resource, sys, paiscribe
resource.setrlimit(resource.RLIMIT_FSIZE, (8192, 8192))
try:
    paiscribe.tenhou_to_mjai(sys.argv[1], sys.argv[2])
except OSError as error:
    print(error.args[0])
"""


def long_destination_past_a_size_limit(length):
    def attack(tmp):
        out = tmp / ("d" * (length - 6) + ".mjson")
        out.write_bytes(OLD)
        printed = child(WRITE_UNDER_SIZE_LIMIT, GOOD, out)
        return printed, state_of(out, OLD), leftovers(tmp)

    return attack


RUN_UNDER_SIZE_LIMIT = """
import resource, sys, paiscribe
resource.setrlimit(resource.RLIMIT_FSIZE, (8192, 8192))
report = paiscribe.convert_files([sys.argv[1]], sys.argv[2])
print(report.converted, report.failed)
"""


def long_output_names_in_a_folder_run(tmp):
    """Past a size limit every output stays as it was; without one, each converts."""
    logs, out = tmp / "logs", tmp / "out"
    logs.mkdir()
    out.mkdir()
    for length in (234, 250, 255):
        shutil.copy(GOOD, logs / ("g" * (length - 6) + ".json"))
        (out / ("g" * (length - 6) + ".mjson")).write_bytes(OLD)
    limited = child(RUN_UNDER_SIZE_LIMIT, logs, out)
    kept = {state_of(out / name, OLD) for name in os.listdir(out)}
    report = paiscribe.convert_files([logs], out)
    return limited, kept, report.converted, {state_of(out / name, OLD) for name in os.listdir(out)}


# paiscribe.FUNCTION(ARGS...) with all descriptors but FREE taken, past a file-size limit.
WITHOUT_DESCRIPTORS = """
import os, resource, sys, paiscribe
resource.setrlimit(resource.RLIMIT_FSIZE, (8192, 8192))
resource.setrlimit(resource.RLIMIT_NOFILE, (64, 64))
held = []
try:
    while True:
        held.append(os.open(os.devnull, os.O_RDONLY))
except OSError:
    pass
for _ in range(int(sys.argv[1])):
    os.close(held.pop())
try:
    getattr(paiscribe, sys.argv[2])(*sys.argv[3:])
except OSError as error:
    print(type(error).__name__, error.args[0], *error.__notes__, sep="\\n")
"""


def temporary_file_without_a_descriptor(tmp):
    """Written in place instead, the file would be cut at the size limit."""
    out = tmp / "out.mjson"
    out.write_bytes(OLD)
    printed = child(WITHOUT_DESCRIPTORS, 1, "tenhou_to_mjai", GOOD, out).replace(str(tmp), "{tmp}")
    return printed.splitlines(), state_of(out, OLD)


def same_output_spelled_two_ways(spelling):
    def attack(tmp):
        (tmp / "other").mkdir()
        (tmp / "walked").mkdir()
        shutil.copy(OTHER, tmp / "other" / "real_001.json")
        shutil.copy(GOOD, tmp / "walked" / "real_001.json")
        status, stderr = command("other/real_001.json", "walked", "-O", spelling, cwd=tmp)
        return status, os.listdir(tmp / "out"), stderr.splitlines()[0]

    return attack


def killed_run_from_standard_input(tmp):
    scratch = tmp / "scratch"
    scratch.mkdir()
    logs = tmp / "logs"
    logs.mkdir()
    for i in range(2000):
        os.link(GOOD, logs / f"{i}.json")
    env = {**os.environ, "TMPDIR": str(scratch)}
    with open(GOOD, "rb") as stdin, open(tmp / "stderr", "wb") as stderr:
        run = subprocess.Popen([sys.executable, "-m", "paiscribe", "-", logs, "-O", tmp / "out", "-j", "2"],
                               stdin=stdin, stderr=stderr, env=env)
        out = tmp / "out"
        while run.poll() is None and not (out.exists() and len(os.listdir(out)) >= 10):
            time.sleep(0.01)
        run.send_signal(signal.SIGTERM)
        run.wait(timeout=60)
    outputs = {state_of(tmp / "out" / name, b"") for name in os.listdir(tmp / "out")}
    return run.returncode, outputs, leftovers(tmp / "out") + leftovers(scratch), (tmp / "stderr").read_text().startswith(
        "interrupted: converted ")


def failures_of_a_stopped_run(tmp):
    """Each failing log that a run stopped with Ctrl-C tried, as its report and its summary count them."""
    stopped_mid_run(signal.SIGINT)(tmp)
    done = max(int(path.name[:4]) for path in (tmp / "out").iterdir() if path.name.endswith(".mjson"))
    records = [json.loads(line) for line in (tmp / "report.jsonl").read_text().splitlines()]
    failed = [int(Path(record["path"]).name[:4]) for record in records]
    summary = (tmp / "stderr").read_text().splitlines()[-2]
    return [i for i in failed if i < done] == list(range(0, done, 10)), f"({len(failed)} failed, " in summary


LOST_DATA = {
    "-o FILE with several logs, past a file-size limit": (several_logs_into_a_file_past_a_size_limit,
                                                          (1, "as it was", [])),
    "-o FILE naming one of the logs": (output_that_is_one_of_the_logs, (2, "as it was", True)),
    "a 234-byte destination name, past a file-size limit": (long_destination_past_a_size_limit(234),
                                                            ("failed to write to mjai out file", "as it was", [])),
    "a 255-byte destination name, past a file-size limit": (long_destination_past_a_size_limit(255),
                                                            ("failed to write to mjai out file", "as it was", [])),
    "output names of 234 to 255 bytes in a folder run": (long_output_names_in_a_folder_run,
                                                         ("0 3", {"as it was"}, 3, {"the lines of GOOD"})),
    "no descriptor left for the temporary file": (temporary_file_without_a_descriptor, (
        ["OSError", "failed to create mjai out file {tmp}/out.mjson", "Too many open files (EMFILE)"], "as it was")),
    "-O ./out and a walked log of the same name": (same_output_spelled_two_ways("./out"), (
        0, ["real_001.mjson"], "paiscribe: walked/real_001.json: skipped: other/real_001.json has the same output "
                               "out/real_001.mjson")),
    "-O out// and a walked log of the same name": (same_output_spelled_two_ways("out//"), (
        0, ["real_001.mjson"], "paiscribe: walked/real_001.json: skipped: other/real_001.json has the same output "
                               "out/real_001.mjson")),
    "SIGTERM mid-run, standard input among the logs": (killed_run_from_standard_input,
                                                       (143, {"the lines of GOOD"}, [], True)),
    "Ctrl-C mid-run, the failures of the logs tried": (failures_of_a_stopped_run, (True, True)),
}


@pytest.mark.parametrize("attack", LOST_DATA)
def test_no_attack_loses_data(tmp_path, attack):
    run, expected = LOST_DATA[attack]
    assert run(tmp_path) == expected


# Memory ---------------------------------------------------------------

PEAK_OF = """
import sys, paiscribe, paiscribe.cli
def peak():
    return int(open("/proc/self/status").read().split("VmHWM:")[1].split()[0]) * 1024
before = peak()
if sys.argv[1] == "command":
    paiscribe.cli.main(sys.argv[2:])
    outcome = "ran"
else:
    try:
        paiscribe.mjlog_to_mjai(sys.argv[2])
        outcome = "converted"
    except ValueError as error:
        outcome = type(error).__name__
print(outcome, peak() - before)
"""


def peak_of_xml(tags):
    """The outcome of reading a gzip record of so many tiny tags, and whether
    its peak stays within twice the text (its tree would take some twenty
    times the text)."""

    def attack(tmp):
        text = b"<mjloggm>" + b"<a/>" * tags + b"</mjloggm>"
        record = tmp / "record.mjlog"
        record.write_bytes(gzip.compress(text))
        outcome, peak = child(PEAK_OF, "call", record).split()
        return outcome, int(peak) < 2 * len(text) + (8 << 20)

    return attack


def many_logs_into_one_file(tmp):
    game = json.loads(Path(GOOD).read_bytes())
    game["log"] *= 4
    long_log = tmp / "long.json"
    long_log.write_text(json.dumps(game, ensure_ascii=False), encoding="utf-8")
    logs = []
    for i in range(150):
        os.link(long_log, tmp / f"{i}.json")
        logs.append(tmp / f"{i}.json")
    out = tmp / "all.mjson"
    outcome, peak = child(PEAK_OF, "command", *logs, "-o", out).split()
    # Held a log at a time: the peak is a small part of the output, which all at once took six times its size.
    return outcome, int(peak) < out.stat().st_size / 8


UNDER_ADDRESS_SPACE_LIMIT = """
import resource, sys, paiscribe
size = int(open("/proc/self/status").read().split("VmSize:")[1].split()[0]) * 1024
limit = size + int(sys.argv[2]) * 2**20
resource.setrlimit(resource.RLIMIT_AS, (limit, limit))
try:
    paiscribe.mjlog_to_mjai(sys.argv[1])
    print("converted")
except MemoryError:
    print("MemoryError")
except ValueError as error:
    print(type(error).__name__, *error.__notes__)
"""


def xml_under_an_address_space_limit(megabytes):
    def attack(tmp):
        # A real record with some 7,000 more tags, each of many attributes: its tree takes some 20 MB.
        xml = XML.read_text(encoding="utf-8")
        at = xml.index("<SHUFFLE")
        padded = tmp / "padded.xml"
        padded.write_text(xml[:at] + ('<BYE who="0" ' + 'a="" ' * 60 + "/>") * 6000 + xml[at:], encoding="utf-8")
        return child(UNDER_ADDRESS_SPACE_LIMIT, padded, megabytes)

    return attack


MEMORY = {
    "a gzip record of 60 MB of tiny tags": (peak_of_xml(15_000_000), ("MjlogParsingError", True)),
    "a record of 500,000 tags within 2 MiB": (peak_of_xml(500_000), ("MjlogParsingError", True)),
    "-o FILE with 150 logs": (many_logs_into_one_file, ("ran", True)),
    "an XML tree past the address space left": (xml_under_an_address_space_limit(10), "MemoryError"),
    "the same XML with room to spare": (xml_under_an_address_space_limit(200), "converted"),
}


@pytest.mark.parametrize("attack", MEMORY)
def test_memory_stays_bounded(tmp_path, attack):
    run, expected = MEMORY[attack]
    assert run(tmp_path) == expected


# Hangs ----------------------------------------------------------------

def fifo(tmp):
    path = tmp / "fifo.json"
    os.mkfifo(path)
    return path


# In a child: waiting on a FIFO for good would stop the tests for good.
CONVERT_FILES = """
import sys, paiscribe
report = paiscribe.convert_files(sys.argv[2:], sys.argv[1])
print(report.converted, *[f"{f.error_class}: {f.detail}" for f in report.failures], sep="\\n")
"""


def fifo_given_to_convert_files(tmp):
    return child(CONVERT_FILES, tmp / "out", fifo(tmp), GOOD).splitlines()


def fifo_given_to_the_command(how):
    def attack(tmp):
        if how == "by name":
            return command(fifo(tmp), GOOD, "-O", tmp / "out")[0]
        listed = tmp / "list"
        listed.write_bytes(os.fsencode(fifo(tmp)) + b"\0" + os.fsencode(GOOD))
        return command("--files-from", listed, "-0", "-O", tmp / "out")[0]

    return attack


def fifo_where_an_output_goes(tmp):
    (tmp / "out").mkdir()
    os.mkfifo(tmp / "out" / "hanchan_double_ron.mjson")
    return child(CONVERT_FILES, tmp / "out", GOOD, OTHER).splitlines()


def stopped_mid_run(how):
    """Stops a run over 3,000 logs, one in ten failing, once it has started;
    the report then holds one whole line per failure the command named."""

    def attack(tmp):
        logs = tmp / "logs"
        logs.mkdir()
        broken = tmp / "broken"
        broken.write_bytes(b"{")
        for i in range(3000):
            os.link(broken if i % 10 == 0 else GOOD, logs / f"{i:04}.json")
        report = tmp / "report.jsonl"
        with open(tmp / "stderr", "wb") as stderr:
            run = subprocess.Popen([sys.executable, "-m", "paiscribe", logs, "-O", tmp / "out", "-j", "1", "--report",
                                    report], stderr=stderr)
            while run.poll() is None and not (report.exists() and report.stat().st_size > 0):
                time.sleep(0.01)
            run.send_signal(how)
            run.wait(timeout=60)
        printed = (tmp / "stderr").read_text().splitlines()
        named = [line for line in printed if line.endswith(")") and ".json:" in line]
        records = [json.loads(line) for line in report.read_text().splitlines()]
        summary = printed[-2]
        return (run.returncode, summary.startswith("interrupted: converted "), " not tried) in " in summary,
                len(records) == len(named) > 0, {r["status"] for r in records})

    return attack


HANGS = {
    "a FIFO given to convert_files": (fifo_given_to_convert_files, [
        "1", "OSError: not a regular file but a FIFO: a run of many logs reads regular files only"]),
    "a FIFO given by name with -O": (fifo_given_to_the_command("by name"), 1),
    "a FIFO in --files-from": (fifo_given_to_the_command("listed"), 1),
    "a FIFO where an output goes": (fifo_where_an_output_goes, [
        "1", "OSError: not a regular file but a FIFO: a run of many logs writes regular files only"]),
    "Ctrl-C mid-run": (stopped_mid_run(signal.SIGINT), (130, True, True, True, {"failed"})),
    "SIGTERM mid-run": (stopped_mid_run(signal.SIGTERM), (143, True, True, True, {"failed"})),
}


@pytest.mark.parametrize("attack", HANGS)
def test_nothing_waits_for_good(tmp_path, attack):
    run, expected = HANGS[attack]
    assert run(tmp_path) == expected


# Errors ---------------------------------------------------------------

def report_of_a_name_that_is_not_utf8(tmp):
    logs = tmp / "logs"
    logs.mkdir()
    name = os.fsencode(logs) + b"/bad\xff.json"
    with open(name, "wb") as log:
        log.write(b"{")
    status, stderr = command(logs, "-O", tmp / "out", "--report", tmp / "report.jsonl")
    (record,) = [json.loads(line) for line in (tmp / "report.jsonl").read_text(encoding="utf-8").splitlines()]
    return status, os.fsencode(record["path"]) == name, "Traceback" in stderr


def closed_standard_output(tmp):
    result = subprocess.run([sys.executable, "-m", "paiscribe", GOOD], stderr=subprocess.PIPE, timeout=60,
                            preexec_fn=lambda: os.close(1))
    return result.returncode, result.stderr.decode()


def folder_deeper_than_the_stack(tmp):
    below = ["/d" * depth for depth in range(1, 1101)]
    folder = tmp / "logs"
    os.mkdir(folder)
    for path in below:  # os.makedirs recurses once per folder
        os.mkdir(f"{folder}{path}")
    shutil.copy(GOOD, f"{folder}{below[-1]}/game.json")
    status, stderr = command(folder, "-O", tmp / "out")
    # So do os.walk and shutil.rmtree before Python 3.13, which remove the test's folder.
    for top, name in ((folder, "game.json"), (tmp / "out", "game.mjson")):
        os.remove(f"{top}{below[-1]}/{name}")
        for path in reversed(below):
            os.rmdir(f"{top}{path}")
    return status, stderr.startswith("converted 1 of 1 logs")


def self_referencing_link_in_a_walked_folder(tmp):
    logs = tmp / "logs"
    logs.mkdir()
    (logs / "loop.json").symlink_to("loop.json")
    shutil.copy(GOOD, logs / "game.json")
    report = paiscribe.convert_files([logs], tmp / "out")
    return report.converted, [(f.error_class, f.detail) for f in report.failures]


THREADS_UNDER_A_LIMIT = """
import os, resource, sys, paiscribe
size = int(open("/proc/self/status").read().split("VmSize:")[1].split()[0]) * 1024
limit = size + 40 * 2**20
resource.setrlimit(resource.RLIMIT_AS, (limit, limit))
try:
    report = paiscribe.convert_files([sys.argv[1]], sys.argv[2], workers=8)
    print("converted", report.converted)
except (OSError, MemoryError) as error:
    print(type(error).__name__)
"""


def workers_that_cannot_all_start(tmp):
    logs = tmp / "logs"
    logs.mkdir()
    for i in range(200):
        os.link(GOOD, logs / f"{i}.json")
    return child(THREADS_UNDER_A_LIMIT, logs, tmp / "out")


def reference_to_nul_in_a_name(tmp):
    xml = XML.read_text(encoding="utf-8")
    at = xml.index('n0="') + 4
    try:
        paiscribe.convert_text(xml[:at] + "&#0;" + xml[at:])
    except ValueError as error:
        return type(error).__name__, error.__notes__[0].startswith("a character reference to U+0000")


def opening_a_log_without_a_descriptor(tmp):
    return child(WITHOUT_DESCRIPTORS, 0, "convert_file", GOOD).splitlines()


def standard_input_clashing(tmp):
    shutil.copy(GOOD, tmp / "stdin.json")
    with open(GOOD, "rb") as stdin:
        status, stderr = command("-", "stdin.json", "-O", "out", cwd=tmp, stdin=stdin)
    return status, stderr.splitlines()[0]


def gzip_padded_with_zeros(tmp):
    log = tmp / "padded.json.gz"
    log.write_bytes(gzip.compress(Path(GOOD).read_bytes()) + bytes(512))
    return paiscribe.convert_file(log) == paiscribe.tenhou_to_mjai(GOOD)


def argument_refused_before_any_work(**arguments):
    def attack(tmp):
        try:
            paiscribe.convert_files([GOOD], tmp / "out", **arguments)
        except (TypeError, ValueError) as error:
            return type(error).__name__, str(error), (tmp / "out").exists()

    return attack


def folder_where_an_output_goes(tmp):
    (tmp / "out" / "hanchan_double_ron.mjson").mkdir(parents=True)
    report = paiscribe.convert_files([GOOD], tmp / "out", skip_existing=True)
    return report.skipped, report.failed


ERRORS = {
    "--report of a name that is not UTF-8": (report_of_a_name_that_is_not_utf8, (1, True, False)),
    "a closed standard output": (closed_standard_output, (2, "paiscribe: standard output is closed: give -o FILE\n")),
    "a folder 1,100 deep": (folder_deeper_than_the_stack, (0, True)),
    "a self-referencing link in a walked folder": (self_referencing_link_in_a_walked_folder, (
        1, [("FileNotFoundError", "Too many levels of symbolic links (ELOOP)")])),
    "8 workers with room for a few threads": (workers_that_cannot_all_start, "converted 200"),
    "&#0; in a player's name": (reference_to_nul_in_a_name, ("MjlogParsingError", True)),
    "no descriptor left to open a log": (opening_a_log_without_a_descriptor, [
        "OSError", f'failed to open tenhou.net/6 log file "{GOOD}"', "Too many open files (EMFILE)"]),
    "standard input and a log with its output name": (standard_input_clashing, (
        0, "paiscribe: stdin.json: skipped: - has the same output out/stdin.mjson")),
    "zero padding after a gzip member": (gzip_padded_with_zeros, True),
    "progress that is not callable": (argument_refused_before_any_work(progress=5), (
        "TypeError", "progress must be callable or None, not int", False)),
    "workers given as text": (argument_refused_before_any_work(workers="2"), (
        "TypeError", "workers must be an int or None, not str", False)),
    "an unknown clash policy": (argument_refused_before_any_work(clash="overwrite"), (
        "ValueError", "clash must be one of 'skip', 'full-name', 'refuse', not 'overwrite'", False)),
    "skip_existing and a folder at the output": (folder_where_an_output_goes, (0, 1)),
}


@pytest.mark.parametrize("attack", ERRORS)
def test_each_fault_ends_in_its_own_error(tmp_path, attack):
    run, expected = ERRORS[attack]
    assert run(tmp_path) == expected
