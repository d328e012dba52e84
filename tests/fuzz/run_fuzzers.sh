#!/usr/bin/env bash
# Runs every libFuzzer target of the fuzz build for a bounded time, starting from its committed
# seeds, and fails on the first crash, hang, leak or sanitizer report.
#   tests/fuzz/run_fuzzers.sh [build dir, default build/fuzz] [seconds per target, default 60]
# Prints each target's last status line (executions, coverage) for the record.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../build/fuzz}
seconds=${2:-60}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

status=0
shopt -s nullglob
targets=("$build"/tests/fuzz/fuzz_*)
if [ ${#targets[@]} -eq 0 ]; then
  echo "no fuzz targets in $build/tests/fuzz" >&2
  exit 1
fi
for target in "${targets[@]}"; do
  [ -x "$target" ] && [ -f "$target" ] || continue
  name=$(basename "$target")
  corpus="$work/$name"
  mkdir -p "$corpus" "$work/artifacts"
  cp -r "$here/corpus/$name/." "$corpus/" 2>/dev/null || true
  extra=()
  [ -f "$here/$name.dict" ] && extra+=(-dict="$here/$name.dict")
  echo "== $name: ${seconds}s"
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ASAN_OPTIONS=detect_leaks=1:halt_on_error=1 \
  "$target" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -print_final_stats=1 \
    "${extra[@]}" -artifact_prefix="$work/artifacts/$name-" "$corpus" >"$work/$name.log" 2>&1
  rc=$?
  grep -E '^#[0-9]+\s+(INITED|DONE)' "$work/$name.log" | tail -2
  grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$work/$name.log"
  if [ $rc -ne 0 ]; then
    echo "!! $name failed (exit $rc):"
    tail -60 "$work/$name.log"
    for artifact in "$work/artifacts/$name"-*; do
      echo "   input: $(basename "$artifact"), $(stat -c %s "$artifact") bytes, hex:"
      head -c 512 "$artifact" | od -An -tx1 | head -8
    done
    status=1
  fi
done
exit $status
