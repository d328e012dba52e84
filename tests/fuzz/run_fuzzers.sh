#!/usr/bin/env bash
# tests/fuzz/run_fuzzers.sh [build dir, default build/fuzz] [seconds per target, default 60]: each
# fuzz target from its seeds; fails on any crash, hang, leak or report, keeping the input by it.
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
  echo "== $name: ${2:-60}s"
  "$target" -max_total_time="${2:-60}" -timeout=5 -rss_limit_mb=2048 -dict="$here/$name.dict" \
    -artifact_prefix="$tests/$name-" "$work/$name" >"$work/$name.log" 2>&1 \
    || { tail -60 "$work/$name.log"; exit 1; }
  grep -E '^#[0-9]+\s+DONE' "$work/$name.log"
done
