#!/usr/bin/env bash
# Runs every libFuzzer target of the fuzz build for a bounded time from its committed seeds, and
# fails on the first crash, hang, leak, sanitizer report or broken promise.
#   tests/fuzz/run_fuzzers.sh [build dir, default build/fuzz] [seconds per target, default 60]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../build/fuzz}
seconds=${2:-60}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

shopt -s nullglob
targets=("$build"/tests/fuzz_*)
[ ${#targets[@]} -gt 0 ] || { echo "no fuzz targets in $build/tests" >&2; exit 1; }
status=0
for target in "${targets[@]}"; do
  [ -f "$target" ] && [ -x "$target" ] || continue
  name=$(basename "$target")
  mkdir -p "$work/$name"
  cp -r "$here/corpus/$name/." "$work/$name/" 2>/dev/null
  dict=()
  [ -f "$here/$name.dict" ] && dict=(-dict="$here/$name.dict")
  echo "== $name: ${seconds}s"
  if ! UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ASAN_OPTIONS=detect_leaks=1 \
      "$target" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 "${dict[@]}" \
      -artifact_prefix="$work/$name-" "$work/$name" >"$work/$name.log" 2>&1; then
    echo "!! $name failed:"
    tail -60 "$work/$name.log"
    for artifact in "$work/$name"-*; do
      echo "   input $(basename "$artifact"), hex:"
      head -c 512 "$artifact" | od -An -tx1 | head -8
    done
    status=1
  fi
  grep -E '^#[0-9]+\s+DONE' "$work/$name.log" | tail -1
done
exit $status
