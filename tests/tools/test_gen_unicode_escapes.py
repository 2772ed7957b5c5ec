"""The escape table that quoted paths use is what its generator writes, when
this Python knows the Unicode version the table was made from."""

import difflib
import pathlib
import re
import subprocess
import sys
import unicodedata

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
TABLE = ROOT / "src/paiscribe/pipeline/unicode_escapes.hpp"
GENERATOR = ROOT / "scripts/gen_unicode_escapes.py"


def test_the_table_is_what_the_generator_writes():
    table = TABLE.read_text(encoding="utf-8")
    made_from = re.search(r"from Unicode (\d+\.\d+\.\d+);", table)
    assert made_from, f"{TABLE.name} does not say which Unicode version it was made from"
    if made_from[1] != unicodedata.unidata_version:
        pytest.skip(f"the table is made from Unicode {made_from[1]}, this Python knows "
                    f"{unicodedata.unidata_version}")
    generated = subprocess.run([sys.executable, GENERATOR], capture_output=True, text=True, check=True).stdout
    assert generated == table, "".join(difflib.unified_diff(
        table.splitlines(keepends=True), generated.splitlines(keepends=True), str(TABLE), "generated", n=1))
