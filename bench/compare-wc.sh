#!/bin/bash
# compare-wc.sh [BUILD_DIR] [RUNS]: loads a 1,000,000-line colour file with
# `rulvtool check` and counts its lines with `wc -l`, alternately, RUNS times
# each (default 21) in the same run, and prints the best and the median wall
# times and their ratio. The file is read once beforehand, so both read it
# from the page cache. BUILD_DIR defaults to build/native.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/native}
runs=${2:-21}
tool=$build/tool/rulvtool
[ -x "$tool" ] || { echo "compare-wc: $tool not built" >&2; exit 2; }

work=$(mktemp -d /tmp/rulv-compare.XXXXXX)
trap 'rm -rf "$work"' EXIT
file=$work/million.rulv
# The same colours as the benchmark program's file: (i * 2654435761) mod 2^24.
awk 'BEGIN { for (i = 0; i < 1000000; i++) printf "%06X\r\n", (i * 2654435761) % 16777216 }' >"$file"
cat "$file" >/dev/null

now() { date +%s%N; }
# Prints the wall time of one run of "$@" in microseconds.
timed() {
  local start end
  start=$(now)
  "$@" >/dev/null
  end=$(now)
  echo $(((end - start) / 1000))
}

: >"$work/wc" && : >"$work/tool"
for _ in $(seq "$runs"); do
  timed wc -l "$file" >>"$work/wc"
  timed "$tool" check "$file" >>"$work/tool"
done

"$tool" check "$file" | sed "s|$file|1,000,000-line file|"
stats() { sort -n "$1" | awk '{ t[NR] = $1 } END { printf "%d %d", t[1], t[int((NR + 1) / 2)] }'; }
read -r wc_best wc_median <<<"$(stats "$work/wc")"
read -r tool_best tool_median <<<"$(stats "$work/tool")"
printf '%-22s best %8d us   median %8d us\n' "wc -l" "$wc_best" "$wc_median"
printf '%-22s best %8d us   median %8d us\n' "rulvtool check" "$tool_best" "$tool_median"
awk -v a="$tool_best" -v b="$wc_best" -v c="$tool_median" -v d="$wc_median" \
  'BEGIN { printf "ratio rulvtool / wc -l: best %.2f, median %.2f (target: at most 3)\n", a / b, c / d }'
