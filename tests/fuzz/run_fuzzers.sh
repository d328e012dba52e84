#!/usr/bin/env bash
# tests/fuzz/run_fuzzers.sh [build dir, default build/fuzz] [seconds per target, default 60]: each
# fuzz target from its seeds; fails on any crash, hang, leak or report, keeping the input by it.
# Three quarters of the time on inputs of up to 4 KiB, where most paths are found; the rest on
# inputs of up to 1 MiB, where an input that takes the square of its size (the large seeds) hangs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tests=$(cd "${1:-$here/../../build/fuzz}/tests" && pwd)
targets=$(find "$tests" -maxdepth 1 -type f -executable -name 'fuzz_*')
[ -n "$targets" ] || { echo "no fuzz targets in $tests" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for target in $targets; do
  name=$(basename "$target")
  cp -r "$here/corpus/$name" "$work/$name"
  for limits in "$((${2:-60} * 3 / 4)) 4096" "$((${2:-60} / 4)) 1048576"; do
    read -r seconds max_len <<<"$limits"
    echo "== $name: ${seconds}s, inputs up to $max_len bytes"
    "$target" -max_total_time="$seconds" -max_len="$max_len" -timeout=5 -rss_limit_mb=2048 \
      -dict="$here/$name.dict" -artifact_prefix="$tests/$name-" "$work/$name" >"$work/$name.log" 2>&1 \
      || { tail -60 "$work/$name.log"; exit 1; }
    grep -E '^#[0-9]+\s+DONE' "$work/$name.log"
  done
done
