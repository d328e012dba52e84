#!/usr/bin/env bash
# Builds what the benchmarks need (when missing or out of date), runs every benchmark against
# tavrin and the baseline window, and prints the table of figures.
#   bench/run.sh            the full run (about ten minutes)
#   bench/run.sh --quick    fewer runs and moves, for a first look
# The build directory is build/bench unless TAVRIN_BENCH_BUILD names another.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TAVRIN_BENCH_BUILD:-build/bench}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRIN_BUILD_TESTS=OFF
fi
cmake --build "$build" -j "$(nproc)" \
  --target tavrin tavrin_baseline tavrin_xprobe tavrin_paint_bench tavrin_parse_bench
exec python3 bench/run_bench.py --build "$build" --out "$build/bench-last.md" "$@"
