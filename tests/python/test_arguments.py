import pathlib
import traceback

import pytest

from _paiscribe import tenhou_to_mjai
from conftest import CONVERTIBLE_LOGS, sample

GOOD = sample(CONVERTIBLE_LOGS[1])
MISSING = "no such log.json"


class PathLike:
    def __init__(self, path):
        self.path = path

    def __fspath__(self):
        return self.path


class BytesPath(bytes):
    pass


class FsPathRaises:
    def __init__(self, error):
        self.error = error

    def __fspath__(self):
        raise self.error


@pytest.mark.parametrize(
    "args, kwargs, message",
    [
        ((), {}, "tenhou_to_mjai() missing 1 required positional argument: 'filename'"),
        ((GOOD, None, None), {}, "tenhou_to_mjai() takes from 1 to 2 positional arguments but 3 were given"),
        ((1, 2, 3, 4), {"out": 1}, "tenhou_to_mjai() takes from 1 to 2 positional arguments but 4 were given"),
        ((GOOD,), {"out": None}, "tenhou_to_mjai() got an unexpected keyword argument 'out'"),
        ((GOOD,), {"Filename": GOOD}, "tenhou_to_mjai() got an unexpected keyword argument 'Filename'"),
        ((), {"out": None}, "tenhou_to_mjai() got an unexpected keyword argument 'out'"),
        ((GOOD,), {"filename": GOOD}, "tenhou_to_mjai() got multiple values for argument 'filename'"),
        ((GOOD, None), {"mjai_out": None}, "tenhou_to_mjai() got multiple values for argument 'mjai_out'"),
        # Keywords are checked in call order.
        ((GOOD,), {"out": 1, "filename": GOOD}, "tenhou_to_mjai() got an unexpected keyword argument 'out'"),
        ((GOOD,), {"filename": GOOD, "out": 1}, "tenhou_to_mjai() got multiple values for argument 'filename'"),
        ((), {"mjai_out": None}, "tenhou_to_mjai() missing 1 required positional argument: 'filename'"),
        # Binding comes before any path is looked at.
        ((b"bytes",), {"out": 1}, "tenhou_to_mjai() got an unexpected keyword argument 'out'"),
        ((), {"\udcff": 1}, "tenhou_to_mjai() got an unexpected keyword argument '\udcff'"),
    ],
)
def test_binding_errors(args, kwargs, message):
    with pytest.raises(TypeError) as raised:
        tenhou_to_mjai(*args, **kwargs)
    assert type(raised.value) is TypeError
    assert raised.value.args == (message,)


@pytest.mark.parametrize(
    "args, kwargs, message",
    [
        ((b"log.json",), {}, "argument 'filename': 'bytes' object cannot be converted to 'PyString'"),
        ((GOOD, b"out.txt"), {}, "argument 'mjai_out': 'bytes' object cannot be converted to 'PyString'"),
        ((GOOD,), {"mjai_out": bytearray(b"-")}, "argument 'mjai_out': expected str, bytes or os.PathLike object, not bytearray"),
        ((BytesPath(b"log.json"),), {}, "argument 'filename': 'BytesPath' object cannot be converted to 'PyString'"),
        ((PathLike(b"log.json"),), {}, "argument 'filename': 'bytes' object cannot be converted to 'PyString'"),
        ((1,), {}, "argument 'filename': expected str, bytes or os.PathLike object, not int"),
        ((GOOD, 1), {}, "argument 'mjai_out': expected str, bytes or os.PathLike object, not int"),
        # filename is converted first.
        ((1, b"out"), {}, "argument 'filename': expected str, bytes or os.PathLike object, not int"),
        ((PathLike(5),), {}, "argument 'filename': expected PathLike.__fspath__() to return str or bytes, not int"),
    ],
)
def test_unsuitable_paths_name_their_argument(args, kwargs, message):
    with pytest.raises(TypeError) as raised:
        tenhou_to_mjai(*args, **kwargs)
    assert type(raised.value) is TypeError
    assert raised.value.args == (message,)


def test_type_error_keeps_cause_and_traceback():
    def fspath_that_fails():
        raise TypeError("not a path") from KeyError("why")

    class Failing:
        def __fspath__(self):
            fspath_that_fails()

    with pytest.raises(TypeError) as raised:
        tenhou_to_mjai(Failing())
    error = raised.value
    assert error.args == ("argument 'filename': not a path",)
    assert isinstance(error.__cause__, KeyError)
    frames = [frame.name for frame in traceback.extract_tb(error.__traceback__)]
    assert "fspath_that_fails" in frames


@pytest.mark.parametrize(
    "argument, error_type",
    [
        (FsPathRaises(ValueError("odd value")), ValueError),
        (FsPathRaises(KeyError("odd key")), KeyError),
        ("lone \ud800 surrogate", UnicodeEncodeError),
    ],
)
@pytest.mark.parametrize("parameter", ["filename", "mjai_out"])
def test_other_conversion_errors_pass_unchanged(argument, error_type, parameter):
    kwargs = {"filename": GOOD, parameter: argument}
    with pytest.raises(error_type) as raised:
        tenhou_to_mjai(**kwargs)
    assert type(raised.value) is error_type
    assert "argument '" not in str(raised.value)


@pytest.mark.parametrize(
    "make_path",
    [str, pathlib.Path, pathlib.PurePosixPath, PathLike, type("StrPath", (str,), {})],
    ids=["str", "Path", "PurePosixPath", "fspath", "str-subclass"],
)
def test_path_forms_are_accepted_for_both_parameters(tmp_path, make_path):
    out = tmp_path / "out.mjai"
    expected = tenhou_to_mjai(GOOD)
    assert tenhou_to_mjai(make_path(GOOD)) == expected
    assert tenhou_to_mjai(make_path(GOOD), make_path(str(out))) == expected
    assert out.read_text(encoding="utf-8") == "".join(line + "\n" for line in expected)


def test_mjai_out_none_is_like_omitting_it(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    expected = tenhou_to_mjai(GOOD)
    assert tenhou_to_mjai(GOOD, None) == expected
    assert tenhou_to_mjai(GOOD, mjai_out=None) == expected
    assert tenhou_to_mjai(filename=GOOD, mjai_out=None) == expected
    assert list(tmp_path.iterdir()) == []


def test_a_missing_file_reports_the_bound_filename():
    # The keyword form reaches the same path as the positional one.
    with pytest.raises(FileNotFoundError) as raised:
        tenhou_to_mjai(mjai_out=None, filename=MISSING)
    assert raised.value.args == (f'failed to open tenhou.net/6 log file "{MISSING}"',)
