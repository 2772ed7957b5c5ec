"""Checks, before the Python tests run against an installed wheel, that they
will test the wheel alone: the build's runtime libraries cannot be loaded,
the modules come from the environment's site-packages, and once they are
imported no C++ library or build tree is mapped into the process. The
licences of the libraries linked into the modules come with it.

    python check_isolated.py PROJECT_ROOT
"""

import ctypes
import importlib.metadata
import sys
import sysconfig
from pathlib import Path

HIDDEN = ["libpugixml.so.1", "libdeflate.so.0", "libisal.so.2"]
# What the modules may use beside themselves: glibc and GCC's unwinder.
SYSTEM = ("libc.so", "libm.so", "ld-linux", "libgcc_s.so", "libpthread.so", "libdl.so", "librt.so")


def mapped_files():
    with open("/proc/self/maps") as maps:
        return {line.split(maxsplit=5)[5].strip() for line in maps if len(line.split(maxsplit=5)) == 6}


def main(project_root):
    failures = []
    for name in HIDDEN:
        try:
            ctypes.CDLL(name)
            failures.append(f"{name} can still be loaded")
        except OSError:
            pass

    before = mapped_files()
    import _paiscribe
    import paiscribe
    import paiscribe._native

    site = Path(sysconfig.get_paths()["purelib"]).resolve()
    for module in (_paiscribe, paiscribe, paiscribe._native):
        if not Path(module.__file__).resolve().is_relative_to(site):
            failures.append(f"{module.__name__} comes from {module.__file__}, not {site}")

    root = Path(project_root).resolve()
    interpreter = Path(sys.base_prefix).resolve()
    for path in sorted(mapped_files() - before):
        if path.startswith("[") or not path.startswith("/"):
            continue
        resolved = Path(path).resolve()
        if resolved.is_relative_to(site) or resolved.is_relative_to(interpreter):
            continue
        if resolved.is_relative_to(root) or not Path(path).name.startswith(SYSTEM):
            failures.append(f"the modules brought in {path}")

    licences = {Path(name).name for name in importlib.metadata.metadata("paiscribe").get_all("License-File") or []}
    for linked in ("pugixml.txt", "libdeflate.txt", "bzip2.txt"):
        if linked not in licences:
            failures.append(f"the licence of {linked.removesuffix('.txt')}, linked into the modules, is missing")

    if failures:
        sys.exit("not the wheel alone:\n  " + "\n  ".join(failures))
    print(f"paiscribe {paiscribe.__version__} from {site}; none of {', '.join(HIDDEN)} can be loaded")


if __name__ == "__main__":
    main(sys.argv[1])
