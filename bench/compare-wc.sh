#!/bin/bash
# compare-wc.sh [BUILD_DIR] [RUNS]: times `rulvtool check` against `wc -l`
# on the same file, as whole processes taken in turn (bench/spawn-pairs.c:
# posix_spawn to wait4, no shell inside the timing), RUNS pairs each
# (default 21), on three maps:
#   - 1,000,000 colour lines RRGGBB CR LF (8 MB), colours spread over the range;
#   - 10,000,000 such lines (80 MB);
#   - 1,000,000 lines "#LINE 17,1,200,-1,42,0.5,3" (28 MB, 3,000,000 colours).
# Each file is read once beforehand, so both read it from the page cache.
# Prints the median wall and processor times and the median of the pairs'
# ratios. BUILD_DIR defaults to build/native.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/native}
runs=${2:-21}
tool=$build/tool/rulvtool
pairs=$build/bench/spawn_pairs
[ -x "$tool" ] || { echo "compare-wc: $tool not built" >&2; exit 2; }
[ -x "$pairs" ] || { echo "compare-wc: $pairs not built" >&2; exit 2; }

work=$(mktemp -d /tmp/rulv-compare.XXXXXX)
trap 'rm -rf "$work"' EXIT
# The same colours as the benchmark program's file: (i * 2654435761) mod 2^24.
awk 'BEGIN { for (i = 0; i < 1000000; i++) printf "%06X\r\n", (i * 2654435761) % 16777216 }' >"$work/million.rulv"
awk 'BEGIN { for (i = 0; i < 10000000; i++) printf "%06X\r\n", (i * 2654435761) % 16777216 }' >"$work/ten-million.rulv"
awk 'BEGIN { for (i = 0; i < 1000000; i++) printf "#LINE 17,1,200,-1,42,0.5,3\r\n" }' >"$work/million-line.rulv"

for map in million ten-million million-line; do
  file=$work/$map.rulv
  cat "$file" >/dev/null
  "$tool" check "$file" | sed "s|$work/||"
  "$pairs" "$runs" wc -l "$file" -- "$tool" check "$file"
done
