"""Tenhou's XML records: the same lines as their JSON twins, and every bad
record one documented exception."""

import gzip
import shutil

import pytest

import paiscribe
from conftest import DATA, as_lines_file, run_cli

MJLOG = DATA / "mjlog"


def test_records_give_the_lines_of_their_json_twins():
    for xml, json in [("mjlog_001.xml", "real_001.json"), ("mjlog_005.xml", "real_005.json")]:
        assert paiscribe.mjlog_to_mjai(MJLOG / xml) == paiscribe.tenhou_to_mjai(MJLOG / json), xml
    # This pair's placeholder names differ; every other line is the same.
    xml = paiscribe.mjlog_to_mjai(MJLOG / "mjlog_023.xml")
    json = paiscribe.tenhou_to_mjai(MJLOG / "real_011.json")
    assert xml[1:] == json[1:] and xml[0] != json[0]


def test_gzip_record_file_and_text_in_memory(tmp_path):
    lines = paiscribe.mjlog_to_mjai(MJLOG / "mjlog_007.mjlog", tmp_path / "out.mjson")
    assert lines[0].startswith('{"type":"start_game"') and lines[-1] == '{"type":"end_game"}'
    assert (tmp_path / "out.mjson").read_bytes() == as_lines_file(lines)
    assert paiscribe.convert_text(gzip.decompress((MJLOG / "mjlog_007.mjlog").read_bytes())) == lines


def test_corpus_tells_records_from_logs_by_content(tmp_path):
    source = tmp_path / "in"
    source.mkdir()
    shutil.copy(MJLOG / "mjlog_001.xml", source / "a.xml")
    shutil.copy(MJLOG / "mjlog_007.mjlog", source / "b.mjlog")
    shutil.copy(MJLOG / "real_011.json", source / "c.json")
    report = paiscribe.convert_files([source], tmp_path / "out", workers=2)
    assert (report.converted, report.failed) == (3, 0)
    assert (tmp_path / "out/a.mjson").read_bytes() == as_lines_file(paiscribe.mjlog_to_mjai(source / "a.xml"))
    assert (tmp_path / "out/b.mjson").read_bytes() == as_lines_file(paiscribe.mjlog_to_mjai(source / "b.mjlog"))


@pytest.mark.parametrize(
    "content, error_type, message",
    [
        (None, paiscribe.MjlogParsingError, "three-player games are not supported"),
        (b"hello", paiscribe.MjlogParsingError, "failed to parse mjlog record"),
        (b'<mjloggm ver="2.3"><GO type="169" lobby="0"/>', paiscribe.MjlogParsingError,
         "failed to parse mjlog record"),
        (b"\x1f\x8b\x08\x00broken", OSError, "failed to decompress gzip log: "),
    ],
    ids=["three-player", "not-xml", "cut-short", "corrupt-gzip"],
)
def test_bad_records_raise_one_documented_exception(tmp_path, content, error_type, message):
    path = MJLOG / "mjlog_011.xml"
    if content is not None:
        path = tmp_path / "record.mjlog"
        path.write_bytes(content)
    with pytest.raises(error_type) as raised:
        paiscribe.mjlog_to_mjai(path, tmp_path / "never.mjson")
    assert issubclass(paiscribe.MjlogParsingError, ValueError)
    (text,) = raised.value.args
    if error_type is OSError:
        assert text.startswith(message) and len(text) > len(message)
    else:
        assert text == message
        assert raised.value.__notes__, "the note says what is wrong and where"
    assert not (tmp_path / "never.mjson").exists()


def test_missing_record_names_its_path(tmp_path):
    with pytest.raises(FileNotFoundError) as raised:
        paiscribe.mjlog_to_mjai(tmp_path / "none.mjlog")
    assert raised.value.args == (f'failed to open mjlog record file "{tmp_path / "none.mjlog"}"',)


def test_command_line_tells_a_record_by_its_content(tmp_path):
    record = tmp_path / "game.log"  # the name says nothing
    shutil.copy(MJLOG / "mjlog_007.mjlog", record)
    result = run_cli(str(record))
    assert result.returncode == 0, result.stderr
    assert result.stdout == as_lines_file(paiscribe.mjlog_to_mjai(record))
