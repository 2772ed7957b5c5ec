"""What each way in takes: JSON logs and XML records, plain or gzip- or
bz2-compressed, and the same arguments for every call that converts one file."""

import bz2
import gzip

import pytest

import paiscribe
from conftest import DATA, as_lines_file, run_cli

JSON = (DATA / "mjlog" / "real_001.json").read_bytes()
XML = (DATA / "mjlog" / "mjlog_001.xml").read_bytes()
BOM = b"\xef\xbb\xbf"
LINES = paiscribe.tenhou_to_mjai(DATA / "mjlog" / "real_001.json")

FORMS = {
    "json": JSON,
    "json, gzip": gzip.compress(JSON),
    "xml": XML,
    "xml, gzip": gzip.compress(XML),
    "json, bz2": bz2.compress(JSON),
    "xml, bz2": bz2.compress(XML),
    "xml after a byte-order mark": BOM + XML,
    "json after a byte-order mark": BOM + JSON,
}


def through_files(tmp_path, record, entry):
    report = paiscribe.convert_files([record], tmp_path / "out")
    if report.failures:
        return report.failures[0].error_class
    return (tmp_path / "out" / "record.mjson").read_text().splitlines()


def through_command_line(tmp_path, record, entry):
    """The lines, or the class of the call that failed, which the command does not name."""
    result = run_cli(str(record))
    if result.returncode == 1 and result.stderr.startswith(f"paiscribe: {record}: ".encode()):
        return "failed"
    return result.stdout.decode().splitlines()


def call(function):
    def through(tmp_path, record, entry):
        try:
            return function(record)
        except (ValueError, OSError) as error:
            return type(error).__name__
    return through


ENTRIES = {
    "tenhou_to_mjai": call(paiscribe.tenhou_to_mjai),
    "mjlog_to_mjai": call(paiscribe.mjlog_to_mjai),
    "convert_file": call(paiscribe.convert_file),
    "convert_text": lambda tmp_path, record, entry: call(paiscribe.convert_text)(tmp_path, record.read_bytes(), entry),
    "convert_files": through_files,
    "command line": through_command_line,
}

OK = "lines"
# Per form: what tenhou_to_mjai and mjlog_to_mjai give; every other way in
# tells the two kinds apart and undoes gzip and bz2.
TABLE = {
    "json": (OK, "MjlogParsingError", OK),
    "json, gzip": ("OSError", "MjlogParsingError", OK),
    "xml": ("JsonParsingError", OK, OK),
    "xml, gzip": ("OSError", OK, OK),
    "json, bz2": ("OSError", "MjlogParsingError", OK),
    "xml, bz2": ("OSError", OK, OK),
    "xml after a byte-order mark": ("JsonParsingError", OK, OK),
    "json after a byte-order mark": ("JsonParsingError", "MjlogParsingError", "JsonParsingError"),
}


@pytest.mark.parametrize("form", TABLE)
@pytest.mark.parametrize("entry", ENTRIES)
def test_each_entry_point_takes_what_the_table_says(tmp_path, form, entry):
    record = tmp_path / "record.json"
    record.write_bytes(FORMS[form])
    as_json, as_xml, told_apart = TABLE[form]
    expected = {"tenhou_to_mjai": as_json, "mjlog_to_mjai": as_xml}.get(entry, told_apart)
    outcome = ENTRIES[entry](tmp_path, record, entry)
    if expected == OK:
        assert outcome == LINES
    else:
        assert outcome == ("failed" if entry == "command line" else expected)


@pytest.mark.parametrize("function", ["tenhou_to_mjai", "mjlog_to_mjai", "convert_file"])
@pytest.mark.parametrize(
    "args, kwargs, message",
    [
        ((), {}, "{}() missing 1 required positional argument: 'filename'"),
        (("a", None, None), {}, "{}() takes from 1 to 2 positional arguments but 3 were given"),
        (("a",), {"out": None}, "{}() got an unexpected keyword argument 'out'"),
        ((b"log.json",), {}, "argument 'filename': 'bytes' object cannot be converted to 'PyString'"),
        (("a", b"out"), {}, "argument 'mjai_out': 'bytes' object cannot be converted to 'PyString'"),
    ],
)
def test_file_calls_bind_their_arguments_alike(function, args, kwargs, message):
    with pytest.raises(TypeError) as raised:
        getattr(paiscribe, function)(*args, **kwargs)
    assert raised.value.args == (message.format(function),)


def test_file_calls_share_a_signature():
    for function in (paiscribe.tenhou_to_mjai, paiscribe.mjlog_to_mjai, paiscribe.convert_file):
        assert function.__text_signature__ == "(filename, mjai_out=None)"


def test_file_calls_write_a_file_whole(tmp_path):
    out = tmp_path / "out.mjson"
    assert paiscribe.convert_file(DATA / "mjlog" / "mjlog_007.mjlog", out) == paiscribe.mjlog_to_mjai(
        DATA / "mjlog" / "mjlog_007.mjlog")
    assert out.read_bytes() == as_lines_file(paiscribe.mjlog_to_mjai(DATA / "mjlog" / "mjlog_007.mjlog"))
