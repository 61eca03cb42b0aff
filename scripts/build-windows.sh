#!/usr/bin/env bash
# Cross-builds clickwisp-cli.exe for 64-bit Windows with mingw-w64 into
# $BUILD_DIR (default build/windows); installs the toolchain first.
#   scripts/build-windows.sh                  clickwisp-cli.exe only
#   TARGETS="..." scripts/build-windows.sh    other targets (the tests)
# Extra arguments go to cmake.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-build/windows}"
JOBS="${JOBS:-$(nproc)}"
TARGETS="${TARGETS:-clickwisp-cli}"
cd "$ROOT"

scripts/install-deps.sh --windows

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLICKWISP_WERROR=ON "${launcher[@]}" "$@" >"$BUILD_DIR.configure.log" 2>&1 \
  || { cat "$BUILD_DIR.configure.log"; exit 1; }
# shellcheck disable=SC2086 # a list of targets
ninja -C "$BUILD_DIR" -j "$JOBS" $TARGETS
echo "Built $BUILD_DIR/clickwisp-cli.exe"
