# Sourced by scripts/convert and scripts/test: brings this machine to what the
# project needs (Debian packages, a CPython 3.12+ virtual environment with the
# module built into it), reusing whatever an earlier run already made.
set -euo pipefail

PROJECT_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# Everything built (environments, build trees, wheels, the fuzzer's corpus)
# lives here; deleting it costs only a slower next run.
WORK_DIR="${PAISCRIBE_WORK_DIR:-$PROJECT_ROOT/.work}"
SETUP_LOG="$WORK_DIR/setup.log"
mkdir -p "$WORK_DIR"

say() { printf 'paiscribe: %s\n' "$*" >&2; }
die() { say "error: $*"; exit 1; }

# Runs a noisy step quietly; shows its output only when it fails.
quietly() {
  if ! "$@" >>"$SETUP_LOG" 2>&1; then
    tail -n 40 "$SETUP_LOG" >&2
    die "step failed: $* (full log: $SETUP_LOG)"
  fi
}

# How far the running step has got, from what it wrote to its log since
# byte $1: ninja's last [n/m], or else its last line.
step_status() {
  local text count
  text="$(tail -c +"$(($1 + 1))" "${STEP_LOG:-$SETUP_LOG}" | tail -c 8192 | tr '\r' '\n')"
  count="$(grep -oE '^ *\[[0-9]+/[0-9]+\]' <<<"$text" | tail -n 1 | tr -d ' []')"
  if [ -n "$count" ]; then
    printf 'built %s' "${count/\// of }"
  else
    text="$(grep -v '^[[:space:]]*$' <<<"$text" | tail -n 1 | tr -s ' \t' ' ')"
    printf '%s' "${text:0:72}"
    [ -n "$text" ] || printf 'working'
  fi
}

# Runs a long step as quietly does (into STEP_LOG when that is set), saying
# what it does and how far it has got: one updating line on a terminal, else
# a line every 5 seconds.
step() {
  local label="$1" log="${STEP_LOG:-$SETUP_LOG}" since pid status=0 next started=$SECONDS
  shift
  since="$(stat -c %s "$log" 2>/dev/null || echo 0)"
  say "$label"
  next=$((SECONDS + 5))
  "$@" >>"$log" 2>&1 &
  pid=$!
  # A background job does not see Ctrl-C; pass the interruption on.
  trap 'kill "$pid" 2>/dev/null; exit 130' INT TERM
  while kill -0 "$pid" 2>/dev/null; do
    sleep 0.5
    if [ -t 2 ]; then
      printf '\r\033[K  %ss: %s' "$((SECONDS - started))" "$(step_status "$since")" >&2
    elif [ "$SECONDS" -ge "$next" ]; then
      printf '  %ss: %s\n' "$((SECONDS - started))" "$(step_status "$since")" >&2
      next=$((SECONDS + 5))
    fi
  done
  wait "$pid" || status=$?
  trap - INT TERM
  if [ -t 2 ]; then printf '\r\033[K' >&2; fi
  if [ "$status" -ne 0 ]; then
    tail -c +"$((since + 1))" "$log" | tail -n 40 >&2
    die "step failed: $label (full log: $log)"
  fi
  say "  done in $((SECONDS - started)) s"
}

# Runs a test command with its output passed on as it comes, adding a line
# whenever it has been quiet for 8 seconds, so a slow test does not look hung.
heartbeat() {
  local started=$SECONDS quiet=0 char
  "$@" 2>&1 | while :; do
    if IFS= read -r -N 1 -t 1 char; then
      printf '%s' "$char"
      quiet=0
    elif [ $? -gt 128 ]; then
      # A character that came as the second ran out is kept, not lost.
      printf '%s' "$char"
      quiet=$((quiet + 1))
      if [ "$quiet" -ge 8 ]; then
        printf '\n  (still running: %s s)\n' "$((SECONDS - started))"
        quiet=0
      fi
    else
      break
    fi
  done
}

ensure_debian_packages() {
  local missing=() package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
  done
  [ "${#missing[@]}" -eq 0 ] && return 0
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || die "missing Debian packages ${missing[*]}; install them as root"
    sudo=(sudo)
  fi
  step "updating the list of Debian packages" "${sudo[@]}" apt-get update
  step "installing Debian packages: ${missing[*]}" \
    env DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y "${missing[@]}"
}

# Prints "MAJOR.MINOR" when the interpreter runs and is CPython 3.12 or newer.
python_minor_version() {
  "$1" -c 'import sys, platform
ok = sys.version_info >= (3, 12) and platform.python_implementation() == "CPython"
print("%d.%d" % sys.version_info[:2]) if ok else sys.exit(1)' 2>/dev/null
}

# Lists suitable interpreters as "MAJOR.MINOR PATH", one per minor version,
# newest first. PAISCRIBE_PYTHON, when set, is the only one considered.
find_pythons() {
  local candidates=()
  if [ -n "${PAISCRIBE_PYTHON:-}" ]; then
    candidates=("$PAISCRIBE_PYTHON")
  else
    local pyenv_root="${PYENV_ROOT:-$HOME/.pyenv}"
    if [ ! -d "$pyenv_root/versions" ] && command -v pyenv >/dev/null 2>&1; then
      pyenv_root="$(pyenv root 2>/dev/null || true)"
    fi
    local name found
    for name in python3.14 python3.13 python3.12 python3 python; do
      found="$(command -v "$name" 2>/dev/null)" || continue
      # pyenv's shims answer only for the active version, and slowly; the
      # interpreters behind them are looked at directly below.
      case "$found" in "$pyenv_root"/shims/*) continue ;; esac
      candidates+=("$found")
    done
    for found in "$pyenv_root"/versions/*/bin/python3.[0-9]*; do
      [[ "$found" =~ /python3\.(1[2-9]|[2-9][0-9])$ ]] && [ -x "$found" ] && candidates+=("$found")
    done
  fi
  local candidate version seen=" "
  for candidate in "${candidates[@]}"; do
    version="$(python_minor_version "$candidate")" || continue
    case "$seen" in *" $version "*) continue ;; esac
    seen+="$version "
    printf '%s %s\n' "$version" "$candidate"
  done | sort -t. -k1,1nr -k2,2nr
}

require_pythons() {
  PYTHONS=()
  local line
  while IFS= read -r line; do PYTHONS+=("$line"); done < <(find_pythons)
  if [ "${#PYTHONS[@]}" -eq 0 ]; then
    if [ -n "${PAISCRIBE_PYTHON:-}" ]; then
      die "PAISCRIBE_PYTHON=$PAISCRIBE_PYTHON is not a runnable CPython 3.12 or newer"
    fi
    die "no CPython 3.12 or newer found on PATH or under pyenv; set PAISCRIBE_PYTHON to one"
  fi
}

# What building the module takes; the tests add their own tools.
readonly BUILD_TOOLS=(pip "scikit-build-core>=0.11" "cmake>=3.25" ninja)
# Playwright drives Debian's chromium for the page's tests; its own browser
# download is never used.
readonly TEST_TOOLS=(pytest hypothesis orjson mypy twine check-wheel-contents playwright)

# Makes (or reuses) the virtual environment for one interpreter, with the
# build tools and any tools named after it, and prints its path.
ensure_venv() {
  local version="$1" interpreter="$2"
  shift 2
  local tools=("${BUILD_TOOLS[@]}" "$@")
  local venv="$WORK_DIR/venv-$version"
  local tools_stamp="$venv/.paiscribe-tools"
  if [ ! -x "$venv/bin/python" ]; then
    step "making a virtual environment from $interpreter" "$interpreter" -m venv "$venv"
  fi
  # A superset of what was installed before is fine: convert then reuses the
  # environment that test made.
  local installed
  installed=" $(cat "$tools_stamp" 2>/dev/null) "
  local tool missing=()
  for tool in "${tools[@]}"; do
    case "$installed" in *" $tool "*) ;; *) missing+=("$tool") ;; esac
  done
  if [ "${#missing[@]}" -gt 0 ]; then
    step "installing Python tools into $venv: ${missing[*]}" \
      "$venv/bin/python" -m pip install --progress-bar off --upgrade "${missing[@]}"
    printf '%s' "${installed# } ${missing[*]}" | tr -s ' ' >"$tools_stamp"
  fi
  printf '%s\n' "$venv"
}

source_fingerprint() {
  (cd "$PROJECT_ROOT" && find src python cmake CMakeLists.txt pyproject.toml docs/pypi.md licenses -type f -print0 2>/dev/null \
    | sort -z | xargs -0 sha1sum | sha1sum | cut -d' ' -f1)
}

# Builds the module into the environment unless it is there from the same sources.
ensure_module() {
  local venv="$1" version="$2"
  local stamp="$venv/.paiscribe-module" fingerprint
  fingerprint="$(source_fingerprint)"
  [ "$(cat "$stamp" 2>/dev/null)" = "$fingerprint" ] && return 0
  step "building the _paiscribe module for Python $version" "$venv/bin/python" -m pip install -v --no-build-isolation \
    -Cbuild-dir="$WORK_DIR/build/module-$version" "$PROJECT_ROOT"
  printf '%s' "$fingerprint" >"$stamp"
}

# Installs a wheel that scripts/wheel built from the current sources, as the
# module ensure_module would have built.
install_built_wheel() {
  local venv="$1" wheel="$2"
  step "installing $(basename "$wheel") into $venv" \
    "$venv/bin/python" -m pip install --force-reinstall "$wheel"
  source_fingerprint >"$venv/.paiscribe-module"
}
