#!/bin/sh
# VellSim run stopped by SIGTERM while it writes a trace over an older one: it stops after the
# world step it is in, says so, leaves the older trace as it was with nothing beside it, and exits
# with 128 + 15.
# Usage: interrupted-trace.sh VELLSIM MAP (a map whose week-long run lasts well over a second)
set -u
sim=$1 map=$2
dir=$(mktemp -d "${TMPDIR:-/tmp}/vell-trace.XXXXXX")
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/traces"
echo "an older trace" >"$dir/traces/t.csv"
"$sim" run "$map" --seed 1 --minutes 10080 --trace "$dir/traces/t.csv" >"$dir/out" 2>"$dir/err" &
pid=$!
# Until the new trace's first bytes reach the disk (bounded: a minute), then the signal.
tries=0
while [ -z "$(find "$dir/traces" -type f ! -name t.csv -size +0c)" ] && [ $tries -lt 600 ]; do
    sleep 0.1
    tries=$((tries + 1))
done
kill -TERM "$pid"
code=0
wait "$pid" || code=$?
cat "$dir/err"
left=$(ls -A "$dir/traces")
[ $tries -lt 600 ] || { echo "the trace never started"; exit 1; }
[ "$code" -eq 143 ] || { echo "exit code $code, not 143"; exit 1; }
grep -q 'прогон прерван, след не записан' "$dir/err" || { echo "no word of the stop"; exit 1; }
[ "$left" = t.csv ] || { echo "left behind: $left"; exit 1; }
[ "$(cat "$dir/traces/t.csv")" = "an older trace" ] || { echo "the older trace changed"; exit 1; }
[ ! -s "$dir/out" ] || { echo "a report of an unfinished run"; exit 1; }
