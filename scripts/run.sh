#!/usr/bin/env bash
# Installs what is missing, builds Clickwisp (build/run) and starts it.
# Arguments are passed to the program. While the desktop program is not part
# of the build, the command-line tool's help is shown instead.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"

scripts/install-deps.sh

dir=build/run
mkdir -p build
if ! cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLICKWISP_TESTS=OFF -DCLICKWISP_BENCH=OFF \
     >"$dir.configure.log" 2>&1; then
  cat "$dir.configure.log"
  exit 1
fi

# (The target list is kept in a variable: grep -q closing the pipe early would
# fail the pipeline under pipefail.)
targets="$(ninja -C "$dir" -t targets all)"
if grep -q '^clickwisp:' <<<"$targets"; then
  ninja -C "$dir" clickwisp clickwisp-cli
  program="$(find "$dir" -type f -name clickwisp -perm -u+x | head -n 1)"
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Note: neither DISPLAY nor WAYLAND_DISPLAY is set; Clickwisp needs a desktop session." >&2
  fi
  exec "$program" "$@"
fi

ninja -C "$dir" clickwisp-cli
echo "The desktop program is not built yet; here is the command-line tool:"
exec "$dir/clickwisp-cli" --help
