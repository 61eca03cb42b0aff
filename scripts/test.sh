#!/usr/bin/env bash
# Installs what is missing, builds and runs every test:
#   0. every C++ file formatted as .clang-format says;
#   1. a normal build (warnings are errors), ctest;
#   2. the .deb built from the normal build and checked (scripts/check-package.sh);
#   3. an AddressSanitizer + UndefinedBehaviorSanitizer build, ctest;
#   4. a ThreadSanitizer build of the engine and the command line (no Qt, whose
#      libraries are not instrumented), ctest: a data race fails the test;
#   5. each libFuzzer target for FUZZ_SECONDS (default 20) when clang 16 is there;
#   6. the Windows build's tests under Wine (scripts/test-windows.sh; WINDOWS=0
#      leaves it out).
# Build folders: $BUILD_ROOT/test-normal, test-sanitize, test-tsan, test-fuzz,
# test-windows (BUILD_ROOT defaults to build).
# Exits non-zero when any stage fails; every stage runs regardless.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
JOBS="${JOBS:-$(nproc)}"
FUZZ_SECONDS="${FUZZ_SECONDS:-20}"
BUILD_ROOT="${BUILD_ROOT:-build}"
cd "$ROOT"

scripts/install-deps.sh

failed=()

# configure_and_test NAME CMAKE-ARGS...
configure_and_test() {
  local name="$1"
  shift
  local dir="$BUILD_ROOT/test-$name"
  echo "==== $name build ($dir)"
  if ! cmake -S . -B "$dir" -G Ninja -DCLICKWISP_WERROR=ON "$@" >"$dir.configure.log" 2>&1; then
    cat "$dir.configure.log"
    failed+=("$name: configure")
    return
  fi
  if ! ninja -C "$dir" -j "$JOBS"; then
    failed+=("$name: build")
    return
  fi
  echo "==== $name tests"
  if ! (cd "$dir" && ctest --output-on-failure -j "$JOBS"); then
    failed+=("$name: tests")
  fi
}

mkdir -p "$BUILD_ROOT"
echo "==== format"
if ! scripts/check-format.sh; then
  failed+=("format")
fi
configure_and_test normal -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [[ " ${failed[*]} " == *" normal: configure "* || " ${failed[*]} " == *" normal: build "* ]]; then
  echo "==== package checks skipped: the normal build failed"
else
  echo "==== package checks ($BUILD_ROOT/test-normal)"
  scripts/check-package.sh "$BUILD_ROOT/test-normal" || failed+=("package")
fi
# The sanitizer builds at -O1 with line tables only, as the sanitizers
# advise: their reports keep file and line, and they build in half the time.
SANITIZER_FLAGS=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG"
  "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG")
configure_and_test sanitize "${SANITIZER_FLAGS[@]}" -DCLICKWISP_SANITIZE=ON -DCLICKWISP_BENCH=OFF
# Read only by the ThreadSanitizer build's programs.
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$ROOT/tests/tsan.supp"
configure_and_test tsan "${SANITIZER_FLAGS[@]}" -DCLICKWISP_TSAN=ON -DCLICKWISP_GUI=OFF \
  -DCLICKWISP_BENCH=OFF

if command -v clang++-16 >/dev/null; then
  dir="$BUILD_ROOT/test-fuzz"
  echo "==== fuzz targets, ${FUZZ_SECONDS} s each ($dir)"
  if cmake -S . -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER=clang++-16 -DCLICKWISP_FUZZ=ON -DCLICKWISP_GUI=OFF \
       -DCLICKWISP_TESTS=OFF -DCLICKWISP_BENCH=OFF >"$dir.configure.log" 2>&1 \
     && ninja -C "$dir" -j "$JOBS" fuzz_list_file fuzz_config fuzz_bitmap fuzz_base64; then
    # The config target writes files for every input: a memory-backed folder keeps it quick.
    scratch="$(mktemp -d "$( [ -d /dev/shm ] && echo /dev/shm || echo /tmp)/clickwisp-fuzz.XXXXXX")"
    for target in list_file config bitmap base64; do
      mkdir -p "$dir/corpus/$target"
      echo "---- fuzz_$target"
      if TMPDIR="$scratch" "$dir/fuzz/fuzz_$target" -max_total_time="$FUZZ_SECONDS" -print_final_stats=1 \
           -artifact_prefix="$dir/fuzz_$target-" "$dir/corpus/$target" "fuzz/corpus/$target" \
           >"$dir/fuzz_$target.log" 2>&1; then
        grep -E '^(Done|stat::number_of_executed_units)' "$dir/fuzz_$target.log" || true
      else
        tail -n 40 "$dir/fuzz_$target.log"
        failed+=("fuzz_$target")
      fi
    done
    rm -rf "$scratch"
  else
    cat "$dir.configure.log"
    failed+=("fuzz: build")
  fi
else
  echo "==== fuzz targets skipped: clang++-16 not found"
fi

# The Windows programs, cross-built with mingw-w64, tested under Wine on an
# Xvfb display of their own (WINDOWS=0 leaves this stage out).
if [ "${WINDOWS:-1}" != 0 ]; then
  echo "==== windows ($BUILD_ROOT/test-windows, under Wine)"
  BUILD_DIR="$BUILD_ROOT/test-windows" scripts/test-windows.sh || failed+=("windows")
fi

echo "===="
if [ ${#failed[@]} -ne 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "All stages passed."
