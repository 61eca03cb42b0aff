#!/usr/bin/env bash
# Builds the Windows programs (clickwisp-cli.exe, clickwisp.exe) and tests (build/windows) and runs the tests
# under Wine, on an Xvfb display of their own and a Wine prefix made for
# this run (reused by every test program, removed at the end).
# test_win32_package comes first, while the prefix is fresh: it installs,
# upgrades and removes the installer of scripts/package-windows.sh (checked
# first by scripts/check-windows-package.sh) and runs the unpacked zip.
# Exits non-zero when the build or any test program fails.
#   WINDOWS_TESTS="test_win32_ui" scripts/test-windows.sh    only these test programs
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-build/windows}"
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
# shellcheck disable=SC2206 # a list of test programs
TESTS=(${WINDOWS_TESTS:-test_win32_package test_core test_config test_screen test_playback test_record test_app test_remote test_cli test_win32 test_win32_ui})
cd "$ROOT"

scripts/install-deps.sh --windows --wine
mkdir -p "$(dirname "$BUILD_DIR")"
TARGETS="clickwisp-cli clickwisp ${TESTS[*]}" scripts/build-windows.sh -DCLICKWISP_TESTS=ON

scratch="$(mktemp -d)"
xvfb_pid=""
cleanup() {
  WINEPREFIX="$scratch/prefix" "$WINESERVER" -k 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT

# Xvfb writes its display number to the descriptor it is given once it accepts clients.
exec 3>"$scratch/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$scratch/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do
  [ -s "$scratch/display" ] && break
  sleep 0.1
done
[ -s "$scratch/display" ] || { echo "Xvfb did not start:"; cat "$scratch/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n 1 "$scratch/display")"
# No .NET or Gecko installs, and no menu entries on the build machine for
# the Start-menu shortcuts the installer makes.
export WINEPREFIX="$scratch/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"

start=$SECONDS
"$WINE" wineboot -i >/dev/null 2>&1
echo "==== Wine prefix ready in $((SECONDS - start)) s"

failed=()
# The downloads, and an installer of the next patch version to upgrade to.
if [[ " ${TESTS[*]} " == *" test_win32_package "* ]]; then
  echo "==== packages"
  t0=$SECONDS
  version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD_DIR/CMakeCache.txt")"
  mapfile -t packages < <(BUILD_DIR="$BUILD_DIR" scripts/package-windows.sh)
  export CLICKWISP_UPGRADE_VERSION="${version%.*}.$((${version##*.} + 1))"
  upgrade="$(BUILD_DIR="$BUILD_DIR" OUT_DIR="$scratch/upgrade" MSI_VERSION="$CLICKWISP_UPGRADE_VERSION" \
    scripts/package-windows.sh)"
  scripts/check-windows-package.sh "${packages[0]}" "${packages[1]}" "$version" || failed+=(check-windows-package)
  unzip -q "${packages[1]}" -d "$scratch/portable"
  export CLICKWISP_MSI="${packages[0]}" CLICKWISP_UPGRADE_MSI="$upgrade"
  export CLICKWISP_PORTABLE="$scratch/portable/clickwisp-$version-windows-x64"
  echo "==== packages made and checked in $((SECONDS - t0)) s"
fi
for test in "${TESTS[@]}"; do
  echo "==== $test"
  t0=$SECONDS
  if (cd "$BUILD_DIR/tests" && "$WINE" "$test.exe" --gtest_brief=1); then
    echo "==== $test passed in $((SECONDS - t0)) s"
  else
    echo "==== $test FAILED"
    failed+=("$test")
  fi
done
"$WINESERVER" -w || true

if [ ${#failed[@]} -gt 0 ]; then
  echo "Failed: ${failed[*]}"
  exit 1
fi
echo "All Windows tests passed under Wine"
