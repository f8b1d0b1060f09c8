#!/bin/bash
# compare-convert.sh [BUILD_DIR] [RUNS]: times rulvtool convert against
# rulvtool check of the same input, as whole processes in alternating
# pairs (bench/spawn-pairs.c; default 11 pairs), for
#   - a 1,000,000-colour .rulv of random colours to .rulv (compaction and
#     read-back included) and to .cpt,
#   - a 10,000,000-colour #GRAD map to .rulv.
# The target is at most 4 times check. The inputs are read once beforehand,
# so every run reads them from the page cache. BUILD_DIR defaults to
# build/native.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/native}
runs=${2:-11}
tool=$build/tool/rulvtool
pairs=$build/bench/spawn_pairs
for program in "$tool" "$pairs"; do
  [ -x "$program" ] || { echo "compare-convert: $program not built" >&2; exit 2; }
done

work=$(mktemp -d /tmp/rulv-convert.XXXXXX)
trap 'rm -rf "$work"' EXIT
# Random colours (awk's generator from a fixed seed): no three in a row lie
# on one line, so the shortest text is #LINE pairs. (compare-wc.sh's
# colours, (i * 2654435761) mod 2^24, are no random map: they step by a
# fixed amount, and their shortest text is runs of about 34.)
awk 'BEGIN { srand(1); for (i = 0; i < 1000000; i++) printf "%06X\r\n", int(rand() * 16777216) }' >"$work/random.rulv"
printf '#GRAD 000000,FFFFFF,10000000\r\n' >"$work/gradient.rulv"
cat "$work/random.rulv" "$work/gradient.rulv" >/dev/null

echo "1,000,000 random colours, .rulv to .rulv:"
"$pairs" "$runs" "$tool" check "$work/random.rulv" -- "$tool" convert "$work/random.rulv" "$work/out.rulv"
echo "1,000,000 random colours, .rulv to .cpt:"
"$pairs" "$runs" "$tool" check "$work/random.rulv" -- "$tool" convert "$work/random.rulv" "$work/out.cpt"
echo "#GRAD of 10,000,000 colours, .rulv to .rulv:"
"$pairs" "$runs" "$tool" check "$work/gradient.rulv" -- "$tool" convert "$work/gradient.rulv" "$work/gradient-out.rulv"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
