import json
import os
import subprocess
import sys

import pytest

from _paiscribe import (
    JsonParsingError,
    JsonSerializationError,
    TenhouLogParsingError,
    TenhouToMjaiError,
    tenhou_to_mjai,
)
from conftest import (
    CONVERT_FAILED,
    CONVERTIBLE_LOGS,
    NOT_UTF8,
    OPEN_FAILED,
    PARSE_FAILED,
    THREE_PLAYER_LOG,
    empty_game,
    is_root,
    sample,
    sample_document,
    with_bad_call,
)

VALID_GAME = json.dumps(sample_document(), ensure_ascii=False)


def raised_by(path, mjai_out=None):
    with pytest.raises(Exception) as raised:
        tenhou_to_mjai(path, mjai_out)
    return raised.value


def assert_error(error, error_type, message):
    assert type(error) is error_type
    assert error.args == (message,)
    assert str(error) == message
    assert error.__cause__ is None


@pytest.mark.parametrize(
    "name, quoted",
    [
        ("missing.json", '"missing.json"'),
        ("dir/missing.json", '"dir/missing.json"'),
        ("", '""'),
        ('quote"d', r'"quote\"d"'),
        ("it's", r'"it\'s"'),
        ("back\\slash", r'"back\\slash"'),
        ("tab\tcr\rlf\n", r'"tab\tcr\rlf\n"'),
        ("nul\0byte", r'"nul\0byte"'),
        ("bell\x07esc\x1bdel\x7f", r'"bell\u{7}esc\u{1b}del\u{7f}"'),
        ("e\u0301 and \u200b", r'"e\u{301} and \u{200b}"'),
        ("no\u00a0break \u3000wide", r'"no\u{a0}break \u{3000}wide"'),
        ("東南 ÿ 🀄", '"東南 ÿ 🀄"'),
        (os.fsdecode(b"bad\xff\xfe.json"), r'"bad\xFF\xFE.json"'),
        (os.fsdecode(b"cut\xe6\x9d"), r'"cut\xE6\x9D"'),
        (os.fsdecode(b"\xed\xa0\x80"), r'"\xED\xA0\x80"'),
    ],
)
def test_open_failure_quotes_the_path(tmp_path, monkeypatch, name, quoted):
    monkeypatch.chdir(tmp_path)
    assert_error(raised_by(name), FileNotFoundError, OPEN_FAILED + quoted)


@pytest.mark.skipif(is_root(), reason="root reads files whatever their mode")
def test_unreadable_file_is_reported_as_not_found(write_log):
    path = write_log(VALID_GAME)
    os.chmod(path, 0)
    assert_error(raised_by(path), FileNotFoundError, OPEN_FAILED + f'"{path}"')


def test_directory_fails_to_read(tmp_path):
    error = raised_by(str(tmp_path))
    assert_error(error, OSError, f"{os.strerror(21)} (os error 21)")
    assert error.errno is None and error.strerror is None


@pytest.mark.parametrize(
    "content",
    [
        b"\xff" + VALID_GAME.encode(),
        VALID_GAME.encode()[:-1] + b"\x80]",
        # Inside a JSON string, where a lenient reader might not look.
        json.dumps(empty_game()).replace('"A"', '"\\u0041\xe9"').encode("latin-1"),
        VALID_GAME.encode().replace("櫻井奏".encode(), "櫻井奏".encode()[:-1]),
        b'{"log": [], "name": ["\xed\xa0\x80", "b", "c", "d"], "rule": {}}',
        b'{"log": [], "name": ["\xc0\xaf", "b", "c", "d"], "rule": {}}',
    ],
    ids=["leading-ff", "stray-continuation", "latin-1-in-string", "cut-character", "surrogate", "overlong"],
)
def test_text_that_is_not_utf8(write_log, content):
    assert_error(raised_by(write_log(content)), OSError, NOT_UTF8)


@pytest.mark.parametrize(
    "content",
    [
        "",
        " \t\r\n",
        "\ufeff" + VALID_GAME,
        VALID_GAME + "x",
        VALID_GAME + "\n\n}",
        VALID_GAME + "\x0c",
        VALID_GAME + VALID_GAME,
        "null",
        "[]",
        '{"log": [], "name": ["a", "b", "c"], "rule": {}}',
        '{"log": [], "name": ["a", "b", "c", "d"]}',
        '{"log": [], "name": ["a", "b", "c", "d"], "rule": {}, "log": []}',
        VALID_GAME[: len(VALID_GAME) // 2],
    ],
    ids=[
        "empty", "whitespace", "bom", "trailing-x", "trailing-brace", "form-feed", "two-documents", "null",
        "empty-array", "three-names", "no-rule", "duplicate-key", "truncated",
    ],
)
def test_text_that_is_not_one_log(write_log, content):
    assert_error(raised_by(write_log(content)), JsonParsingError, PARSE_FAILED)


@pytest.mark.parametrize("padding", ["\n", "\n\n\n", " \t\r\n ", "\r\n"])
def test_surrounding_whitespace_is_allowed(write_log, padding):
    assert len(tenhou_to_mjai(write_log(padding + VALID_GAME + padding))) == len(tenhou_to_mjai(sample(CONVERTIBLE_LOGS[0])))


@pytest.mark.parametrize(
    "document",
    [
        empty_game("三般南"),
        empty_game("3-Player East"),
    ],
    ids=["three-in-disp", "3-player-in-disp"],
)
def test_logs_the_conversion_does_not_accept(write_log, document):
    assert_error(raised_by(write_log(document)), TenhouLogParsingError, "invalid log")


def test_real_three_player_log_is_refused_by_its_shape():
    # Its fourth seat has an empty starting hand, which no four-player log has.
    assert_error(raised_by(sample(THREE_PLAYER_LOG)), JsonParsingError, PARSE_FAILED)


def test_action_lists_that_make_no_game(write_log):
    assert_error(raised_by(write_log(with_bad_call())), TenhouToMjaiError, CONVERT_FAILED)


def with_slot(name, kyoku, slot, value, index=None):
    """A sample game with one slot of a kyoku replaced, or one item of that slot."""
    document = sample_document(name)
    if index is None:
        document["log"][kyoku][slot] = value
    else:
        document["log"][kyoku][slot][index] = value
    return document


TAKES, DISCARDS, DORA, RESULT = 5, 6, 2, 16  # a seat's lists follow every 3 slots


@pytest.mark.parametrize(
    "content, error_type, message, note",
    [
        (
            with_slot("hanchan_double_ron.json", 4, TAKES + 3 * 1, "bogus", index=2),
            TenhouToMjaiError, CONVERT_FAILED,
            'East 4, 1 honba, seat 1, takes[2]: call string "bogus" is not a chi, pon or kan',
        ),
        (
            with_slot("tonpuu_double_ron.json", 5, DISCARDS + 3 * 2, "r99", index=3),
            TenhouToMjaiError, CONVERT_FAILED,
            'East 4, 3 honba, seat 2, discards[3]: tile code "99" in "r99" is not a tile',
        ),
        (
            with_slot("four_kan_abort.json", 7, TAKES + 3 * 1, []),
            TenhouToMjaiError, CONVERT_FAILED,
            "South 1, 2 honba: the take list of seat 1 ran out",
        ),
        (
            with_slot("four_kan_abort.json", 6, DORA, [47]),
            TenhouToMjaiError, CONVERT_FAILED,
            "South 1, 1 honba: no dora indicator left for a kan of seat 0",
        ),
        (
            with_slot("tonpuu_double_ron.json", 8, RESULT, ["和了", [0, 0, 0, 0], ["x", 1]]),
            TenhouLogParsingError, "invalid log",
            "South 2, 0 honba, result: win details with a seat that is no number",
        ),
        (empty_game("三般南"), TenhouLogParsingError, "invalid log", "rule '三般南' is a three-player game"),
        (
            '{"log": [], "name": ["a", "b", "c"], "rule": {}}',
            JsonParsingError, PARSE_FAILED,
            "invalid length 3, expected 4 player names at line 1 column 21 (byte 20); "
            "the log names 3 players, not 4: a three-player log?",
        ),
        (
            '{"log": [], "name": ["a", "b',
            JsonParsingError, PARSE_FAILED,
            "Missing a closing quotation mark in string. at line 1 column 29 (byte 28); the text ends inside a string",
        ),
        (
            '{"name": ["a","b","c","d"], "rule": {}}',
            JsonParsingError, PARSE_FAILED,
            'missing field `log` at line 1 column 1 (byte 0); the key "log" is missing',
        ),
    ],
    ids=["bad-call-string", "bad-tile-code", "missing-take", "dora-exhausted", "bad-result", "three-player-rule",
         "parse-shape", "parse-cut-short", "parse-missing-key"],
)
def test_failure_detail_is_a_note_beside_the_fixed_message(write_log, content, error_type, message, note):
    error = raised_by(write_log(content))
    assert_error(error, error_type, message)
    assert error.__notes__ == [note]


def test_every_module_error_is_a_value_error():
    for error_type in (JsonParsingError, JsonSerializationError, TenhouLogParsingError, TenhouToMjaiError):
        assert issubclass(error_type, ValueError)


def test_empty_game_converts_to_two_events(write_log):
    lines = tenhou_to_mjai(write_log(empty_game()))
    assert [json.loads(line)["type"] for line in lines] == ["start_game", "end_game"]


@pytest.mark.parametrize("name", CONVERTIBLE_LOGS)
def test_samples_convert_to_compact_json_lines(name):
    lines = tenhou_to_mjai(sample(name))
    assert type(lines) is list and all(type(line) is str for line in lines)
    events = [json.loads(line) for line in lines]
    assert events[0]["type"] == "start_game" and events[-1]["type"] == "end_game"
    assert all("\n" not in line for line in lines)
    assert [json.dumps(event, ensure_ascii=False, separators=(",", ":")) for event in events] == lines
    # Each call reads the file anew and gives the same result.
    assert tenhou_to_mjai(sample(name)) == lines


def test_log_read_from_a_pipe_has_no_size_to_go_by():
    # A pipe reports size 0, so the whole log arrives through the read loop.
    log = sample(CONVERTIBLE_LOGS[0])
    code = "import sys, _paiscribe; sys.stdout.write(repr(_paiscribe.tenhou_to_mjai('/dev/stdin')))"
    with open(log, "rb") as stream:
        content = stream.read()
    assert len(content) > 4096
    child = subprocess.run([sys.executable, "-c", code], input=content, capture_output=True, timeout=60)
    assert child.returncode == 0, child.stderr
    assert eval(child.stdout) == tenhou_to_mjai(log)


@pytest.mark.parametrize(
    "names",
    [
        ["A", "B", "C", "D"],
        ["é", "名前", "😀", "\u007f"],  # two-, three- and four-byte characters, DEL
        ["\"q\"", "back\\slash", "tab\tfeed\n", "\x01\x1f"],  # escaped in the line
        ["", "ascii", "mixed é", "e\u0301"],  # empty, and a combining accent
    ],
)
def test_names_reach_the_returned_str_unchanged(write_log, names):
    document = empty_game()
    document["name"] = names
    lines = tenhou_to_mjai(write_log(json.dumps(document, ensure_ascii=False)))
    assert json.loads(lines[0])["names"] == names
    assert lines[0] == json.dumps(
        {"type": "start_game", "names": names, "kyoku_first": 0, "aka_flag": True},
        ensure_ascii=False,
        separators=(",", ":"),
    )
    assert lines[1] == '{"type":"end_game"}' and lines[1].isascii()


@pytest.mark.parametrize(
    "arguments, error_type, note",
    [
        (lambda tmp: [str(tmp / "missing.json")], FileNotFoundError, "No such file or directory (ENOENT)"),
        (lambda tmp: [str(tmp)], OSError, "Is a directory (EISDIR)"),
        (lambda tmp: [write_bytes(tmp, b'{"log": "\xff"}')], OSError, "the log's bytes are not UTF-8 text"),
        (lambda tmp: [sample(CONVERTIBLE_LOGS[0]), str(tmp / "missing" / "out")], OSError,
         "No such file or directory (ENOENT)"),
        (lambda tmp: [sample(CONVERTIBLE_LOGS[0]), "/dev/full"], OSError, "No space left on device (ENOSPC)"),
    ],
    ids=["open", "read", "not-utf8", "create", "write"],
)
def test_file_failures_note_the_system_reason(tmp_path, arguments, error_type, note):
    with pytest.raises(OSError) as raised:
        tenhou_to_mjai(*arguments(tmp_path))
    assert type(raised.value) is error_type
    assert raised.value.errno is None and raised.value.strerror is None
    assert raised.value.__notes__ == [note]


def write_bytes(directory, content):
    path = directory / "log.json"
    path.write_bytes(content)
    return str(path)
