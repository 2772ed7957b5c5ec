"""A source build on a machine without some of the libraries the core is
built on ends by naming the packages to install, in one line.

The libraries are hidden from CMake by an empty tmpfs over their folders, in
a mount namespace of the test's own.
"""

import os
import shutil
import subprocess
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
RAPIDJSON = Path("/usr/include/rapidjson")
PUGIXML_CONFIG = next(Path("/usr/lib").glob("*/cmake/pugixml"), Path("/usr/lib/cmake/pugixml"))

CASES = [
    ([RAPIDJSON], "install rapidjson-dev (Debian/Ubuntu) or rapidjson-devel (Fedora)"),
    ([RAPIDJSON, PUGIXML_CONFIG],
     "install rapidjson-dev libpugixml-dev (Debian/Ubuntu) or rapidjson-devel pugixml-devel (Fedora)"),
]


def configure_without(folders, build_dir):
    namespace = ["unshare", "--mount", "--propagation", "private"]
    if os.geteuid() != 0:
        namespace.append("--map-root-user")
    script = 'source=$1 build=$2; shift 2; for d; do mount -t tmpfs none "$d" || exit 99; done; exec cmake -S "$source" -B "$build" -G Ninja'
    return subprocess.run(
        [*namespace, "sh", "-c", script, "configure", str(ROOT), str(build_dir), *map(str, folders)],
        capture_output=True, text=True, timeout=300,
    )


@pytest.mark.parametrize("folders, line", CASES, ids=["rapidjson", "rapidjson and pugixml"])
def test_missing_library_names_its_packages(folders, line, tmp_path):
    if not all(folder.is_dir() for folder in folders) or not shutil.which("unshare"):
        pytest.skip("the libraries' folders are not where Debian puts them, or unshare is missing")
    process = configure_without(folders, tmp_path / "build")
    assert process.returncode not in (0, 99), process.stderr
    # The packages in one line of their own, and no other advice.
    error_lines = [text.strip() for text in process.stderr.splitlines()]
    assert line in error_lines, process.stderr
    assert sum("install" in text for text in error_lines) == 1, process.stderr
