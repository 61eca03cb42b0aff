#!/usr/bin/env bash
# Builds (Release, in $BUILD_DIR, default build/bench) and runs one of the
# screen benchmarks, printing medians:
#   scripts/bench-screen.sh search [ARGS]   the searches in-process, full HD and 4K, beside
#                                           OpenCV's matchTemplate when OpenCV is installed
#                                           (ARGS go to Google Benchmark, e.g.
#                                           --benchmark_filter=3840x2160; the plain scan is left
#                                           out: run the program itself for it)
#   scripts/bench-screen.sh cli [RUNS]      whole clickwisp-cli processes, live Xvfb and --screen
# Each case prints wall time and CPU time; run it on a quiet machine.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-build/bench}"
JOBS="${JOBS:-2}"
cd "$ROOT"
which="${1:-}"
shift || true
if [[ "$which" != search && "$which" != cli ]]; then
  echo "usage: scripts/bench-screen.sh search [BENCHMARK ARGS] | cli [RUNS]" >&2
  exit 64
fi

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCLICKWISP_BENCH=ON "${launcher[@]}" \
  >"$BUILD_DIR.configure.log" 2>&1 || { cat "$BUILD_DIR.configure.log"; exit 1; }
case "$which" in
  search)
    ninja -C "$BUILD_DIR" -j "$JOBS" screen_search_bench
    # Medians only: one line per case (wall time, then CPU time of the process).
    "$BUILD_DIR/bench/screen_search_bench" --plain=0 "$@" | grep -v -E '_(mean|stddev|cv) '
    ;;
  cli)
    ninja -C "$BUILD_DIR" -j "$JOBS" cli_process_bench clickwisp-cli
    "$BUILD_DIR/bench/cli_process_bench" "$@"
    ;;
esac
