#!/usr/bin/env bash
# Runs a command where nothing the build used can be found: in a mount
# namespace of its own, every file of the -dev packages and of the runtime
# libraries the modules were once linked against is covered by an empty
# one. Root mounts as it is; anyone else becomes root of a user namespace.
#
#   run_hidden.sh COMMAND [ARG...]
set -euo pipefail

packages=(rapidjson-dev libpugixml-dev libdeflate-dev libbz2-dev libisal-dev libpugixml1v5 libdeflate0 libisal2)
libraries='libpugixml\.so\.1|libdeflate\.so\.0|libisal\.so\.2'

hidden=()
while IFS= read -r path; do
  [ -f "$path" ] && [ ! -L "$path" ] && hidden+=("$path")
done < <(
  dpkg -L "${packages[@]}" 2>/dev/null | grep -E '^/usr/(include|lib)/' || true
  # The same libraries installed outside the package manager, as the loader finds them.
  ldconfig -p | grep -E "^[[:space:]]*($libraries) " | sed 's/.* => //' | xargs -r realpath
)
[ "${#hidden[@]}" -gt 0 ] || { echo "run_hidden: nothing of the build's libraries found to hide" >&2; exit 1; }

namespace=(unshare --mount --propagation private)
[ "$(id -u)" -eq 0 ] || namespace+=(--map-root-user)
exec "${namespace[@]}" bash -c '
  count="$1"; shift
  for path in "${@:1:$count}"; do mount --bind /dev/null "$path"; done
  shift "$count"
  exec "$@"' run_hidden "${#hidden[@]}" "${hidden[@]}" "$@"
