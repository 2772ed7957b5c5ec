import os
import re
import unicodedata
import uuid

from hypothesis import given, settings
from hypothesis import strategies as st

from _paiscribe import tenhou_to_mjai
from conftest import CONVERTIBLE_LOGS, OPEN_FAILED, sample

# A directory that does not exist, so every path below it fails to open and
# cannot be created.
ABSENT = f"/absent-{uuid.uuid4().hex}/"
GOOD = sample(CONVERTIBLE_LOGS[1])

SIMPLE_ESCAPES = {"\\": "\\", '"': '"', "'": "'", "t": "\t", "r": "\r", "n": "\n", "0": "\0"}
ESCAPE = re.compile(r"\\(?:x([0-9A-F]{2})|u\{([0-9a-f]+)\}|(.))", re.S)

names = st.binary(min_size=1, max_size=24).filter(lambda name: b"/" not in name) | st.text(
    max_size=12
).map(lambda text: text.encode("utf-8", "surrogatepass").replace(b"/", b"_"))


def is_left_bare(char):
    """Whether a character may appear unescaped: printable and not combining.
    Unassigned ones are skipped, as this interpreter's Unicode may be older."""
    category = unicodedata.category(char)
    if char in "\\\"'" or category in ("Cc", "Cf", "Co", "Zl", "Zp", "Mn", "Me"):
        return False
    return category != "Zs" or char == " "


def unquote(quoted):
    """The path bytes that a quoted form stands for; checks the form too."""
    assert quoted.startswith('"') and quoted.endswith('"')
    out = bytearray()
    position = 1
    for escape in ESCAPE.finditer(quoted, 1, len(quoted) - 1):
        plain = quoted[position : escape.start()]
        for char in plain:
            assert is_left_bare(char), repr(char)
        out += plain.encode("utf-8")
        byte, code_point, simple = escape.groups()
        if byte is not None:
            out.append(int(byte, 16))
        elif code_point is not None:
            assert code_point == code_point.lstrip("0") or code_point == "0"
            out += chr(int(code_point, 16)).encode("utf-8")
        else:
            out += SIMPLE_ESCAPES[simple].encode("utf-8")
        position = escape.end()
    out += quoted[position:-1].encode("utf-8")
    return bytes(out)


@settings(max_examples=300, deadline=None, database=None)
@given(names)
def test_quoted_form_stands_for_the_exact_bytes(name):
    path = os.fsencode(ABSENT) + name
    try:
        tenhou_to_mjai(os.fsdecode(path))
    except FileNotFoundError as error:
        (message,) = error.args
    assert message.startswith(OPEN_FAILED)
    assert unquote(message[len(OPEN_FAILED) :]) == path


@settings(max_examples=300, deadline=None, database=None)
@given(names)
def test_display_form_replaces_each_maximal_bad_part(name):
    # Python's own UTF-8 decoder replaces maximal subparts the same way.
    path = os.fsencode(ABSENT) + name
    try:
        tenhou_to_mjai(GOOD, os.fsdecode(path))
    except OSError as error:
        (message,) = error.args
    assert message == "failed to create mjai out file " + path.decode("utf-8", "replace")
