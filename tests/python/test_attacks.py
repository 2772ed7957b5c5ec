"""The command line, corpus and XML paths under attack, one table per kind of
fault: lost data, memory, hangs, errors. Each row runs one attack and sums up
what a user then finds in a short observation, which the table states."""

import gzip
import json
import os
import resource
import shutil
import signal
import stat
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


def failures_of_a_stopped_run(times):
    """Each failing log that a run stopped with Ctrl-C tried, as its report and its summary count them."""
    return lambda tmp: failures_of_a_run_stopped(tmp, times)


def failures_of_a_run_stopped(tmp, times):
    stopped_mid_run(signal.SIGINT, times)(tmp)
    done = max(int(path.name[:4]) for path in (tmp / "out").iterdir() if path.name.endswith(".mjson"))
    records = [json.loads(line) for line in (tmp / "report.jsonl").read_text().splitlines()]
    failed = [int(Path(record["path"]).name[:4]) for record in records]
    summary = (tmp / "stderr").read_text().splitlines()[-2]
    return [i for i in failed if i < done] == list(range(0, done, 10)), f"({len(failed)} failed, " in summary


def export_over_its_record(tmp):
    record = tmp / "rec.xml"
    shutil.copy(XML, record)
    status, _ = command("mjlog-json", record, "-o", record)
    return status, state_of(record, XML.read_bytes())


def export_into_special(kind):
    """What is at the output afterwards, and what its reader got."""

    def attack(tmp):
        log = paiscribe.mjlog_to_tenhou(XML).encode()
        out = tmp / "out"
        if kind == "FIFO":
            os.mkfifo(out)
            with subprocess.Popen(["cat", out], stdout=subprocess.PIPE) as reader:
                status, _ = command("mjlog-json", XML, "-o", out)
                got = reader.communicate(timeout=60)[0]
            return "FIFO" if stat.S_ISFIFO(os.lstat(out).st_mode) else "replaced", "the log" if got == log else got
        if kind == "link":
            out.symlink_to("/proc/self/fd/1")
            got = subprocess.run([sys.executable, "-m", "paiscribe", "mjlog-json", XML, "-o", out],
                                 capture_output=True, timeout=60).stdout
            return "link" if out.is_symlink() else "replaced", "the log" if got == log else got
        try:
            os.mknod(out, 0o666 | stat.S_IFCHR, os.makedev(1, 3))  # what /dev/null is
        except PermissionError:
            pytest.skip("making a device takes root")
        command("mjlog-json", XML, "-o", out)
        return "character device" if stat.S_ISCHR(os.lstat(out).st_mode) else "replaced", ""

    return attack


def run_into_the_logs_folder(link):
    """A run whose outputs go where its logs are: with a link G.mjson to the
    log G.json, or taking every file with the log G and the log G.mjson."""

    def attack(tmp):
        logs = tmp / "logs"
        logs.mkdir()
        if link:
            shutil.copy(GOOD, logs / "G.json")
            (logs / "G.mjson").symlink_to("G.json")
            extra = []
        else:
            shutil.copy(GOOD, logs / "G")
            shutil.copy(OTHER, logs / "G.mjson")
            extra = ["--include", "*"]
        kept = logs / ("G.json" if link else "G.mjson")
        before = kept.read_bytes()
        status, stderr = command(logs, "-O", logs, *extra)
        return status, state_of(kept, before), stderr.splitlines()[0].split(": ", 2)[-1].split(" (")[0]

    return attack


def link_planted_below_the_output_folder(name, target):
    """A run into an output folder where another user planted a link, to a
    file or to a folder, where an output goes."""

    def attack(tmp):
        (tmp / "elsewhere").mkdir()
        (tmp / "elsewhere" / "victim").write_bytes(OLD)
        (tmp / "logs" / "sub").mkdir(parents=True)
        shutil.copy(GOOD, tmp / "logs" / "G.json")
        shutil.copy(GOOD, tmp / "logs" / "sub" / "G.json")
        (tmp / "out").mkdir()
        (tmp / "out" / name).symlink_to(target)
        status, stderr = command("logs", "-O", "out", cwd=tmp)
        (failure,) = [line for line in stderr.splitlines() if "symbolic link" in line]
        return status, state_of(tmp / "elsewhere" / "victim", OLD), failure.split(" (")[-1].rstrip(")")

    return attack


def outputs_named_gz(tmp):
    """Whether each output named .gz is gzip holding the lines."""
    lines = as_lines_file(paiscribe.tenhou_to_mjai(GOOD))
    command(GOOD, "-o", tmp / "one.mjson.gz")
    paiscribe.convert_file(GOOD, tmp / "two.mjson.gz")
    paiscribe.mjlog_to_tenhou(XML, tmp / "log.json.gz")
    return (gzip.decompress((tmp / "one.mjson.gz").read_bytes()) == lines,
            gzip.decompress((tmp / "two.mjson.gz").read_bytes()) == lines,
            gzip.decompress((tmp / "log.json.gz").read_bytes()).decode() == paiscribe.mjlog_to_tenhou(XML))


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
    "Ctrl-C mid-run, the failures of the logs tried": (failures_of_a_stopped_run(1), (True, True)),
    "Ctrl-C three times mid-run, the failures of the logs tried": (failures_of_a_stopped_run(3), (True, True)),
    "mjlog-json -o naming its own record": (export_over_its_record, (2, "as it was")),
    "mjlog-json -o a FIFO": (export_into_special("FIFO"), ("FIFO", "the log")),
    "mjlog-json -o a link to standard output": (export_into_special("link"), ("link", "the log")),
    "mjlog-json -o a character device": (export_into_special("device"), ("character device", "")),
    "a run into the log's folder, where a link to the log has its output's name": (
        run_into_the_logs_folder(link=True), (1, "as it was", "its output would replace an input")),
    "a run into the logs' folder taking every file": (
        run_into_the_logs_folder(link=False), (1, "as it was", "its output would replace an input")),
    "a link planted at an output": (link_planted_below_the_output_folder("G.mjson", "../elsewhere/victim"), (
        1, "as it was", "it is a symbolic link: a run of many logs follows none below its output folder")),
    "a folder link planted below the output folder": (link_planted_below_the_output_folder("sub", "../elsewhere"), (
        1, "as it was", "out/sub is a symbolic link: a run of many logs follows none below its output folder")),
    "-o FILE.gz and convert_file(..., FILE.gz)": (outputs_named_gz, (True, True, True)),
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
elif sys.argv[1] == "check":
    outcome = len(paiscribe.check(open(sys.argv[2], "rb").read()))
elif sys.argv[1] == "check_files":
    outcome = len(paiscribe.check_files(sys.argv[2:], workers=1).failures[0].findings)
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
    # Held a log at a time: within twice one log's lines and the room the
    # converter keeps, where all at once took six times the output.
    return outcome, int(peak) < 2 * out.stat().st_size / len(logs) + (4 << 20)


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


def findings_of_bad_lines(how):
    """What checking 2**20 bad lines keeps (the findings, and the last one),
    and whether its peak stays within a few times the text, where each
    finding once took some 400 bytes of it."""

    def attack(tmp):
        text = b"x\n" * 2**20
        path = tmp / ("bad.mjson" if how == "check" else "bad.mjson.gz")
        path.write_bytes(text if how == "check" else gzip.compress(text))
        found, peak = child(PEAK_OF, how, path).split()
        return int(found), int(peak) < 3 * len(text) + (8 << 20)

    return attack


UNDER_AN_ADDRESS_SPACE_LIMIT = """
import resource, sys, paiscribe
size = int(open("/proc/self/status").read().split("VmSize:")[1].split()[0]) * 1024
limit = size + int(sys.argv[3]) * 2**20
resource.setrlimit(resource.RLIMIT_AS, (limit, limit))
report = paiscribe.convert_files(sys.argv[1:3], sys.argv[4], workers=2)
print(report.converted + report.failed)
"""


def long_logs_under_an_address_space_limit(tmp):
    """Every job of a run that runs out of memory is accounted for. A
    worker's first exception once made glibc fetch the thread-local data the
    C++ runtime keeps, and abort the wheel's process when no memory was left
    for it."""
    game = json.loads(Path(GOOD).read_bytes())
    game["log"] *= 4000
    (tmp / "a.json").write_text(json.dumps(game, ensure_ascii=False), encoding="utf-8")
    os.link(tmp / "a.json", tmp / "b.json")
    return [child(UNDER_AN_ADDRESS_SPACE_LIMIT, tmp / "a.json", tmp / "b.json", megabytes, tmp / f"out{megabytes}")
            for megabytes in (40, 80, 120)]


MEMORY = {
    "check of 2**20 bad lines": (findings_of_bad_lines("check"), (101, True)),
    "check_files of a 4 kB .mjson.gz of 2**20 bad lines": (findings_of_bad_lines("check_files"), (101, True)),
    "two long logs under an address-space limit": (long_logs_under_an_address_space_limit, ["2", "2", "2"]),
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


# Findings -------------------------------------------------------------

def lobby_game(start_points=25000, lobby=None):
    """A real game as a lobby of its own rules plays it: the seats start at
    start_points, and after the dealer wins the deal passes on, to a drawn
    kyoku of the same game with its seats turned so that the next seat
    deals; the game then ends. A JSON log, from `lobby` when given."""
    game = json.loads((DATA / "real" / "real_025.json").read_bytes())
    kyokus = game["log"]
    won = next(i for i, kyoku in enumerate(kyokus)
               if kyoku[16][0] == "和了" and kyoku[16][2][0] == kyoku[0][0] % 4)

    def pays_alike_whoever_deals(kyoku):
        """A draw with no riichi, whose payments (if any) are for tenpai."""
        result = kyoku[16]
        riichi = any(isinstance(item, str) and item.startswith("r") for seat in range(4) for item in kyoku[6 + 3 * seat])
        return result[0] != "和了" and not riichi and all(abs(delta) <= 3000 for delta in (result[1] if len(result) > 1 else []))

    drawn = next(kyoku for kyoku in kyokus if pays_alike_whoever_deals(kyoku))
    turn = (kyokus[won][0][0] + 1 - drawn[0][0]) % 4
    passed = [[kyokus[won][0][0] + 1, *kyokus[won + 1][0][1:]], kyokus[won + 1][1], drawn[2], drawn[3]]
    for seat in range(4):
        passed += drawn[4 + 3 * ((seat - turn) % 4):7 + 3 * ((seat - turn) % 4)]
    result = drawn[16]
    passed.append(result if len(result) == 1 else [result[0], [result[1][(seat - turn) % 4] for seat in range(4)]])
    game["log"] = [*kyokus[:won + 1], passed]
    for kyoku in game["log"]:
        kyoku[1] = [score + start_points - 25000 for score in kyoku[1]]
    if lobby is not None:
        game["lobby"] = lobby
    return game


def checked_lobby_game(start_points):
    """The findings of the game's lines alone."""
    return [str(finding) for finding in paiscribe.check(paiscribe.convert_text(json.dumps(lobby_game(start_points))))]


def converted_lobby_game(lobby):
    """A conversion with check of the game's log, which names its lobby."""
    def attack(tmp):
        (tmp / "game.json").write_text(json.dumps(lobby_game(lobby=lobby), ensure_ascii=False), encoding="utf-8")
        report = paiscribe.convert_files([tmp / "game.json"], tmp / "out", check=True)
        return report.converted, [failure.detail for failure in report.failures]

    return attack


def lines_around(change):
    """Whether the game's lines, changed so, check as the lines do."""
    lines = paiscribe.tenhou_to_mjai(GOOD)
    return paiscribe.check(change(lines)) == paiscribe.check(lines) == []


def lone_surrogate(tmp):
    """The findings of a line with a lone surrogate, given in a list and in a text."""
    line = '{"type":"start_game","names":["\udc80"]}'
    return [str(finding) for finding in paiscribe.check([line])] == [str(f) for f in paiscribe.check(line)]


def longest_message_of_a_megabyte_value(tmp):
    big = "x" * 2**20
    lines = ['{"' + big + '":1}', '{"type":"' + big + '"}', '{"type":"tsumo","actor":0,"pai":"' + big + '"}',
             big, '{"type":"tsumo","actor":' + "9" * 2**20 + ',"pai":"1m"}']
    return max(len(finding.message) for line in lines for finding in paiscribe.check([line]))


FINDINGS = {
    "a real game of 30,000 points each, its deal passing after the dealer wins": (
        lambda tmp: checked_lobby_game(30000), []),
    "the same game of 25,000 points each, as Tenhou's own rules play": (lambda tmp: checked_lobby_game(25000), [
        "line 974, South 4: start_kyoku kyoku South 4, but the last kyoku leaves South 3"]),
    "its log from lobby 1234, converted with check": (converted_lobby_game(1234), (1, [])),
    "its log from lobby 0, converted with check": (converted_lobby_game(0), (0, [
        "line 974, South 4: start_kyoku kyoku South 4, but the last kyoku leaves South 3"])),
    "a blank line after the last": (lambda tmp: lines_around(lambda lines: [*lines, "", ""]), True),
    "a byte-order mark before the first line": (lambda tmp: lines_around(
        lambda lines: "\ufeff" + "\n".join(lines) + "\n"), True),
    "a lone surrogate in a list item, as in a text": (lone_surrogate, True),
    "a value of a megabyte, echoed": (longest_message_of_a_megabyte_value, 78),
}


@pytest.mark.parametrize("attack", FINDINGS)
def test_findings_judge_what_the_lines_show(tmp_path, attack):
    run, expected = FINDINGS[attack]
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


def stopped_mid_run(how, times=1):
    """Stops a run over 3,000 logs, one in ten failing, once it has started
    (with the signal sent `times` times); the report then holds one whole
    line per failure the command named."""

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
            for _ in range(times):
                if run.poll() is None:
                    run.send_signal(how)
                time.sleep(0.002)
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


def closed_standard_output(*args):
    def attack(tmp):
        result = subprocess.run([sys.executable, "-m", "paiscribe", *map(str, args)], stderr=subprocess.PIPE,
                                timeout=60, preexec_fn=lambda: os.close(1))
        return result.returncode, result.stderr.decode()

    return attack


def into_a_full_device(command_name):
    """The command's status and standard error with standard output on /dev/full."""

    def attack(tmp):
        lines = paiscribe.tenhou_to_mjai(GOOD)
        (tmp / "bad.mjson").write_bytes(as_lines_file(lines[:-1]))
        args = ["check", tmp / "bad.mjson"] if command_name == "check" else [GOOD]
        with open("/dev/full", "wb") as full:
            result = subprocess.run([sys.executable, "-m", "paiscribe", *args], stdout=full, stderr=subprocess.PIPE,
                                    timeout=60)
        return result.returncode, result.stderr.decode().splitlines()

    return attack


def glob_of_no_range(how):
    def attack(tmp):
        if how == "api":
            try:
                paiscribe.convert_files([GOOD], tmp / "out", include=["[z-a]"])
            except ValueError as error:
                return type(error).__name__, str(error)
        destination = [] if how == "check" else ["-O", tmp / "out"]
        status, stderr = command(*(["check"] if how == "check" else []), tmp, *destination, "--include", "[z-a]")
        return status, stderr.splitlines()[-1].split("error: ")[-1].removeprefix("paiscribe: ")

    return attack


def long_export_name(tmp):
    out = tmp / ("j" * 245 + ".json")
    status, stderr = command("mjlog-json", XML, "-o", out)
    return status, stderr, out.read_text() == paiscribe.mjlog_to_tenhou(XML)


def cut_short_record(tmp):
    record = tmp / "cut.xml"
    record.write_bytes(XML.read_bytes()[:9736])
    try:
        paiscribe.mjlog_to_mjai(record)
    except paiscribe.MjlogParsingError as error:
        return error.__notes__


def export_from_standard_input(tmp):
    with open(XML, "rb") as stdin:
        result = subprocess.run([sys.executable, "-m", "paiscribe", "mjlog-json", "-"], stdin=stdin,
                                capture_output=True, timeout=60)
    return result.returncode, result.stdout.decode() == paiscribe.mjlog_to_tenhou(XML.read_bytes())


def export_of_a_game_that_does_not_convert(tmp):
    """A record that reads, but whose game does not convert: the export
    fails as mjlog_to_mjai does."""
    text = XML.read_text(encoding="utf-8")
    assert text.count("<V68/><F23/>") == 1
    edited = text.replace("<V68/><F23/>", "<V68/><F1/>").encode()
    failures = []
    for function in (paiscribe.convert_text, paiscribe.mjlog_to_tenhou):
        try:
            function(edited)
        except ValueError as error:
            failures.append((type(error).__name__, str(error), error.__notes__))
    return len(failures), failures[0] == failures[1], failures[0][0]


def ignored_file_named_with_v(tmp):
    (tmp / "logs").mkdir()
    (tmp / "logs" / "game.mjson").write_bytes(as_lines_file(paiscribe.tenhou_to_mjai(GOOD)))
    (tmp / "logs" / "notes.txt").write_text("")
    _, quiet = command("check", tmp / "logs")
    _, verbose = command("check", tmp / "logs", "-v")
    return quiet.rstrip().endswith("(-v lists them)"), "logs/notes.txt: ignored, without a log ending" in verbose


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
    "a closed standard output": (closed_standard_output(GOOD),
                                 (2, "paiscribe: standard output is closed: give -o FILE\n")),
    "mjlog-json with a closed standard output": (closed_standard_output("mjlog-json", XML),
                                                 (2, "paiscribe: standard output is closed: give -o OUT\n")),
    "check with a closed standard output": (closed_standard_output("check", DATA / "mjlog"),
                                            (2, "paiscribe: standard output is closed: give -q\n")),
    "check writing its findings to /dev/full": (into_a_full_device("check"), (
        1, ["paiscribe: standard output: No space left on device (ENOSPC)"])),
    "the lines to /dev/full": (into_a_full_device("convert"), (
        1, ["paiscribe: -: failed to write to mjai out file (No space left on device (ENOSPC))"])),
    "--include [z-a] on the command line": (glob_of_no_range("convert"), (
        2, "'[z-a]' is no glob: bad character range z-a")),
    "--include [z-a] to check": (glob_of_no_range("check"), (2, "'[z-a]' is no glob: bad character range z-a")),
    "include=['[z-a]'] to convert_files": (glob_of_no_range("api"), (
        "ValueError", "'[z-a]' is no glob: bad character range z-a")),
    "mjlog-json -o a 250-byte name": (long_export_name, (0, "", True)),
    "an XML record cut short": (cut_short_record, [
        "the text ends at byte 9736 before the record does: is the file cut short?"]),
    "mjlog-json - reading standard input": (export_from_standard_input, (0, True)),
    "mjlog_to_tenhou of a record whose game does not convert": (export_of_a_game_that_does_not_convert, (
        2, True, "TenhouToMjaiError")),
    "check of a folder with a file ignored": (ignored_file_named_with_v, (True, True)),
    "a folder 1,100 deep": (folder_deeper_than_the_stack, (0, True)),
    "a self-referencing link in a walked folder": (self_referencing_link_in_a_walked_folder, (
        1, [("OSError", "Too many levels of symbolic links (ELOOP)")])),
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
