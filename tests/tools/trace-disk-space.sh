#!/bin/sh
# VellSim run's trace on a small disk (VELL_FULL_DIR of with-scratch-mounts.sh: a 64 KiB tmpfs).
# A trace that clearly would not fit is refused before the run, with the estimate. One that
# passes the estimate but fills the disk fails, and the trace already there stays as it was, with
# nothing beside it; with room it replaces that trace.
# Usage: with-scratch-mounts.sh -- sh trace-disk-space.sh VELLSIM RING_MAP
set -u
sim=$1 map=$2 dir=$VELL_FULL_DIR
fail() {
    echo "$*"
    exit 1
}
trace() {
    err=$("$sim" run "$map" "$@" --trace "$dir/t.csv" 2>&1 >/dev/null)
    code=$?
    echo "$err"
}

# Ten minutes of the ring: about 2 MB.
trace --seed 1 --minutes 10
[ "$code" -eq 2 ] || fail "exit code $code, not 2"
echo "$err" | grep -q 'след не поместится на диск: он займёт около 2.0 МБ, а в папке .* свободно 65.5 кБ' ||
    fail "no estimate"
[ -z "$(ls -A "$dir")" ] || fail "left behind: $(ls -A "$dir")"

# The first minute of seed 4, before its tram leaves: 1092 world lines, estimated at 51.3 kB and
# written in 46.9 kB, with 44 KiB free beside an old trace of one page.
head -c 4096 /dev/zero | tr '\0' o >"$dir/t.csv"
head -c 16384 /dev/zero >"$dir/filler"
trace --seed 4 --minutes 1
[ "$code" -eq 2 ] || fail "exit code $code, not 2"
echo "$err" | grep -q 'не удалось записать след' || fail "no word of the failed write"
echo "$err" | grep -q 'Недостаточно места на диске' || fail "no word of the full disk"
[ "$(ls -A "$dir" | tr '\n' ' ')" = "filler t.csv " ] || fail "left behind: $(ls -A "$dir")"
[ "$(wc -c <"$dir/t.csv")" -eq 4096 ] && [ -z "$(tr -d o <"$dir/t.csv")" ] ||
    fail "the old trace changed"

rm "$dir/filler"
trace --seed 4 --minutes 1
[ "$code" -eq 0 ] || fail "exit code $code, not 0"
[ "$(head -c 10 "$dir/t.csv")" = "step,kind," ] || fail "the old trace stayed"
[ "$(ls -A "$dir")" = "t.csv" ] || fail "left behind: $(ls -A "$dir")"
