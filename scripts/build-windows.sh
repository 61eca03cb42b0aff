#!/usr/bin/env bash
# Cross-builds clickwisp.exe (the desktop program) and clickwisp-cli.exe for
# 64-bit Windows with mingw-w64 into $BUILD_DIR (default build/windows);
# installs the toolchain first.
#   scripts/build-windows.sh                  both programs
#   TARGETS="..." scripts/build-windows.sh    other targets (the tests)
# Extra arguments go to cmake (-DCLICKWISP_GUI=OFF: no desktop program).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-build/windows}"
JOBS="${JOBS:-$(nproc)}"
TARGETS="${TARGETS:-clickwisp-cli clickwisp}"
cd "$ROOT"

scripts/install-deps.sh --windows
mkdir -p "$(dirname "$BUILD_DIR")"

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLICKWISP_WERROR=ON "${launcher[@]}" "$@" >"$BUILD_DIR.configure.log" 2>&1 \
  || { cat "$BUILD_DIR.configure.log"; exit 1; }
# shellcheck disable=SC2086 # a list of targets
ninja -C "$BUILD_DIR" -j "$JOBS" $TARGETS
echo "Built $TARGETS in $BUILD_DIR"
