#!/usr/bin/env bash
# tests/fuzz/run_fuzzers.sh [build dir, default build/fuzz] [seconds per target, default 60]: each
# fuzz target from its seeds; fails on any crash, hang, leak or report, keeping the input by it.
# One input taking over 5 s counts as a hang: a reader whose time grows with the square of its
# input shows on the large inputs of the last quarter.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tests=$(cd "${1:-$here/../../build/fuzz}/tests" && pwd)
targets=$(find "$tests" -maxdepth 1 -type f -executable -name 'fuzz_*')
[ -n "$targets" ] || { echo "no fuzz targets in $tests" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
max_len=1048576

# Registry files of the shapes that cost a careless reader the square of their size, made here
# rather than kept: a key of 100,000 characters with 90,000 values; a key of 20,000 named again
# before every thousand values; a key 200,000 parts deep with values. Just under 1 MiB each.
registry_seed() { # file, a part of the key's name, parts, sections, values in each
  awk -v part="$2" -v parts="$3" -v sections="$4" -v values="$5" 'BEGIN {
    printf "Windows Registry Editor Version 5.00\r\n\r\n"
    for (s = 0; s < sections; ++s) {
      printf "[HKEY_LOCAL_MACHINE\\"
      for (i = 0; i < parts; ++i) printf "%s", part
      printf "]\r\n"
      for (v = 0; v < values; ++v) printf "\"v%d\"=\"x\"\r\n", v % 10
    }
  }' >"$1"
}
large_registry_seeds() {
  registry_seed "$1/large_long_key.reg" k 100000 1 90000
  registry_seed "$1/large_key_again.reg" k 20000 34 1000
  registry_seed "$1/large_deep.reg" '\\k' 200000 1 60000
}

# Three quarters of the time on inputs of up to 4 KiB, where most paths are found; the last
# quarter on inputs of up to 1 MiB, the large seeds among them, where a slow shape shows.
seconds=${2:-60}
large_seconds=$((seconds / 4))
for target in $targets; do
  name=$(basename "$target")
  cp -r "$here/corpus/$name" "$work/$name"
  mkdir "$work/$name-large"
  [ "$name" != fuzz_reg_file_parser ] || large_registry_seeds "$work/$name-large"
  for phase in small large; do
    if [ $phase = small ]; then
      limits=(-max_total_time=$((seconds - large_seconds)) -max_len=4096)
      corpus=("$work/$name")
    else
      limits=(-max_total_time=$large_seconds -max_len=$max_len)
      corpus=("$work/$name-large" "$work/$name")
    fi
    echo "== $name, $phase inputs: ${limits[0]#*=}s"
    "$target" "${limits[@]}" -timeout=5 -rss_limit_mb=2048 -dict="$here/$name.dict" \
      -artifact_prefix="$tests/$name-" "${corpus[@]}" >"$work/$name.log" 2>&1 \
      || { tail -60 "$work/$name.log"; exit 1; }
    grep -E '^#[0-9]+\s+DONE' "$work/$name.log"
  done
done
