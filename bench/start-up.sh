#!/bin/bash
# start-up.sh [BUILD_DIR] [ROUNDS] [RUNS]: the GUI benchmark (rulv_strip_bench)
# under Wine, on the viewer as users get it: RulvView.exe and the benchmark,
# whose minimal window the viewer is compared with, are copied and stripped
# of their debugging information the way `make dist` ships the viewer. Under
# Wine an image's debugging sections slow its start, and the RelWithDebInfo
# viewer carries about 7 MB of them against 1 MB for the benchmark, which
# would weigh on the viewer's side only.
#
# Runs the benchmark RUNS times (default 3) in one Wine session, each time
# with ROUNDS starts of either program taken in turn (default 15), and
# prints its figures. BUILD_DIR defaults to build/windows (make windows).
# RULV_VIEWER=PATH times that RulvView.exe instead of the build's (an older
# one, say), against the same minimal window.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/windows}
rounds=${2:-15}
runs=${3:-3}
viewer=${RULV_VIEWER:-$build/app/RulvView.exe}
bench=$build/bench/gui/rulv_strip_bench.exe
for f in "$viewer" "$bench"; do
  [ -f "$f" ] || { echo "start-up: $f is not built (make windows builds it)" >&2; exit 2; }
done

work=$(mktemp -d /tmp/rulv-start-up.XXXXXX)
trap 'rm -rf "$work"' EXIT
cp "$viewer" "$work/RulvView.exe"
cp "$bench" "$work/"
x86_64-w64-mingw32-strip "$work/RulvView.exe" "$work/rulv_strip_bench.exe"
cp "$root/examples/rainbow.rulv" "$work/"

# The inner script takes its paths and counts as arguments, hence the
# single quotes.
# shellcheck disable=SC2016
"$root/scripts/with-wine" sh -c '
  for run in $(seq 1 "$3"); do
    "$1/scripts/wine-exec" "$2/rulv_strip_bench.exe" "$2/RulvView.exe" "$2/rainbow.rulv" "$4"
  done' sh "$root" "$work" "$runs" "$rounds"
