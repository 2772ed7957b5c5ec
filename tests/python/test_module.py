import importlib
import shutil
import subprocess
import sys

import pytest

import _paiscribe
import paiscribe
from conftest import VERSION, run_python

EXCEPTION_NAMES = ["TenhouLogParsingError", "TenhouToMjaiError", "JsonSerializationError", "JsonParsingError"]


def test_all_lists_the_seven_attributes_in_order():
    assert _paiscribe.__all__ == [*EXCEPTION_NAMES, "tenhou_to_mjai", "__version__", "VERSION"]
    for name in _paiscribe.__all__:
        assert hasattr(_paiscribe, name), name


def test_version_and_doc():
    assert _paiscribe.__version__ == VERSION
    assert _paiscribe.VERSION == VERSION
    assert type(_paiscribe.__version__) is str
    assert _paiscribe.__doc__ == ""


@pytest.mark.parametrize("name", EXCEPTION_NAMES)
def test_exception_types(name):
    error_type = getattr(_paiscribe, name)
    assert error_type.__name__ == name
    assert error_type.__qualname__ == name
    assert error_type.__module__ == "_paiscribe"
    assert error_type.__doc__ is None
    assert error_type.__bases__ == (ValueError,)
    error = error_type("message")
    assert error.args == ("message",)
    assert str(error) == "message"


def test_function_object():
    function = _paiscribe.tenhou_to_mjai
    assert function.__name__ == "tenhou_to_mjai"
    assert function.__text_signature__ == "(filename, mjai_out=None)"
    assert function.__doc__ is None
    assert function.__module__ == "_paiscribe"
    assert function.__self__ is _paiscribe


def test_package_reexports_the_module_objects():
    assert paiscribe.__all__ == [
        *_paiscribe.__all__, "convert_file", "convert_text", "mjlog_to_mjai", "mjlog_to_tenhou", "MjlogParsingError",
        "convert_files", "Report", "Failure", "Progress", "Skip", "Ignored", "check", "check_files", "Finding",
        "CheckReport", "IllegalGameError", "view", "convert_records", "GameChoice", "mjai_to_tenhou",
    ]
    for name in _paiscribe.__all__:
        assert getattr(paiscribe, name) is getattr(_paiscribe, name), name


@pytest.mark.skipif(shutil.which("nm") is None, reason="needs nm")
def test_only_the_initialisation_function_is_exported():
    listing = subprocess.run(
        ["nm", "-D", "--defined-only", _paiscribe.__file__], capture_output=True, text=True, check=True
    ).stdout
    assert [line.split()[-1] for line in listing.splitlines()] == ["PyInit__paiscribe"]


def test_reimport_gives_the_same_module_and_types():
    before = sys.modules.pop("_paiscribe")
    try:
        again = importlib.import_module("_paiscribe")
        assert again is before
        assert again.JsonParsingError is before.JsonParsingError
    finally:
        sys.modules["_paiscribe"] = before


def test_exception_types_survive_reimport_in_a_fresh_process():
    # A first import in a new process builds the module; dropping it from
    # sys.modules and importing again must reuse the module and its types.
    code = """
import importlib, sys
import _paiscribe as first
types = [getattr(first, name) for name in first.__all__[:4]]
del sys.modules["_paiscribe"]
second = importlib.import_module("_paiscribe")
assert second is first
assert [getattr(second, name) for name in second.__all__[:4]] == types
assert second.__all__ == first.__all__ and len(second.__all__) == 7
print("ok")
"""
    assert run_python(code).stdout.strip() == b"ok"


SUBINTERPRETER_CODE = """
import sys
result_path = sys.argv[1]
import _paiscribe
if sys.version_info < (3, 13):
    import _xxsubinterpreters as interpreters
    configs = {"legacy": {"isolated": False}, "default": {}}
    create = lambda config: interpreters.create(**configs[config])
else:
    import _interpreters as interpreters
    create = lambda config: interpreters.create("legacy") if config == "legacy" else interpreters.create()
script = '''
try:
    import %s
except ImportError as error:
    outcome = "ImportError: " + str(error)
else:
    outcome = "imported"
with open(%r, "w") as result:
    result.write(outcome)
''' % (sys.argv[3], result_path)
interpreter = create(sys.argv[2])
interpreters.run_string(interpreter, script)
interpreters.destroy(interpreter)
# The main interpreter keeps its module.
assert _paiscribe.tenhou_to_mjai.__self__ is sys.modules["_paiscribe"]
"""


@pytest.mark.parametrize(
    "module, config, expected",
    [
        # A legacy interpreter lets single-phase modules load, so only the
        # module's own check stands in the way.
        ("_paiscribe", "legacy", "ImportError: _paiscribe does not support sub-interpreters"),
        ("_paiscribe", "default", "ImportError: "),
        # The package's module takes _paiscribe's exception types, so it keeps
        # to the same interpreter and says so.
        ("paiscribe._native", "legacy", "ImportError: "),
        ("paiscribe._native", "default", "ImportError: "),
    ],
)
def test_second_interpreter_is_refused(tmp_path, module, config, expected):
    result = tmp_path / "result.txt"
    run_python(SUBINTERPRETER_CODE, str(result), config, module)
    outcome = result.read_text()
    assert outcome.startswith(expected)
    if module == "_paiscribe" and config == "legacy":
        assert outcome == expected
