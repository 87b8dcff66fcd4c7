#!/bin/sh
# Every output of VellSim (a map, a trace, a sound, pictures) into nodes of a scratch folder: a
# character device (/dev/null's numbers) and a pipe with a reader take the bytes and stay what
# they were, a pipe without a reader and a block device (a loop disk's numbers, never opened for
# writing) are refused at once with the reason, so is a folder, and /dev/fd/N leads into the
# shell's pipe. Every run is bounded in time, so that a run that waits shows as a failure.
# Usage: stream-targets.sh VELLSIM MAP (a map whose route 1 runs)
# Exit 77 (skipped) where the machine allows no device node.
set -u
sim=$1 map=$2
dir=$(mktemp -d "${TMPDIR:-/tmp}/vell-streams.XXXXXX")
trap 'rm -rf "$dir"' EXIT
# The nodes, made anew for each command, so that each shows its own faults.
nodes() {
    rm -rf "$dir/char.png" "$dir/disk.png" "$dir/pipe.png" "$dir/folder.png"
    mknod "$dir/char.png" c 1 3 2>&1 && mknod "$dir/disk.png" b 7 0 2>&1 &&
        mkfifo "$dir/pipe.png" 2>&1 && mkdir "$dir/folder.png" 2>&1
}
if ! why=$(nodes); then
    echo "skipped: this machine allows no device node in a scratch folder: $why"
    exit 77
fi
failed=0
fail() {
    echo "FAILED: $*"
    failed=1
}

# The commands this build has, each writing to the file named last.
help=$("$sim" --help)
write() { # NAME TARGET: runs command NAME into TARGET, at most 60 seconds
    case $1 in
    resave) timeout 60 "$sim" resave "$map" "$2" ;;
    trace) timeout 60 "$sim" run "$map" --seed 1 --minutes 2 --trace "$2" ;;
    drive) timeout 60 "$sim" drive "$map" --route 1 --minutes 1 --seed 5 "$2" ;;
    plan) timeout 60 env -u DISPLAY -u QT_QPA_PLATFORM "$sim" plan "$map" "$2" ;;
    scheme) timeout 60 env -u DISPLAY -u QT_QPA_PLATFORM "$sim" scheme "$map" "$2" ;;
    esac
}
commands="resave trace"
for extra in drive plan scheme; do
    echo "$help" | grep -q "^  $extra " && commands="$commands $extra"
done

for command in $commands; do
    nodes >/dev/null || exit 1
    # What a regular file gets: the bytes every stream must get too.
    write "$command" "$dir/ref.png" >/dev/null 2>"$dir/err" ||
        { fail "$command into a file: $(cat "$dir/err")"; continue; }

    write "$command" "$dir/char.png" >/dev/null 2>"$dir/err" ||
        fail "$command into a character device: $(cat "$dir/err")"
    [ -c "$dir/char.png" ] || fail "$command replaced the character device"

    # The shell holds both ends meanwhile, so that the pipe has its reader before the program
    # looks and its reader opens at once; the reader's end comes when the shell lets go.
    exec 4<>"$dir/pipe.png"
    timeout 60 cat "$dir/pipe.png" >"$dir/got" 4>&- &
    reader=$!
    write "$command" "$dir/pipe.png" >/dev/null 2>"$dir/err" 4>&- ||
        fail "$command into a read pipe: $(cat "$dir/err")"
    exec 4>&-
    wait $reader
    cmp -s "$dir/ref.png" "$dir/got" || fail "$command: the pipe's reader got other bytes"
    [ -p "$dir/pipe.png" ] || fail "$command replaced the pipe"

    code=0
    write "$command" "$dir/pipe.png" >/dev/null 2>"$dir/err" || code=$?
    [ $code -ne 0 ] && [ $code -ne 124 ] || fail "$command into an unread pipe: exit code $code"
    grep -q 'Канал никто не читает.' "$dir/err" || fail "$command: no reason for the unread pipe"
    [ -p "$dir/pipe.png" ] || fail "$command replaced the unread pipe"

    code=0
    write "$command" "$dir/disk.png" >/dev/null 2>"$dir/err" || code=$?
    [ $code -ne 0 ] && grep -q 'Это не обычный файл.' "$dir/err" ||
        fail "$command into a block device: exit code $code, $(cat "$dir/err")"
    [ -b "$dir/disk.png" ] || fail "$command replaced the block device"

    code=0
    write "$command" "$dir/folder.png" >/dev/null 2>"$dir/err" || code=$?
    [ $code -ne 0 ] && grep -q 'Это папка, а не файл.' "$dir/err" ||
        fail "$command into a folder: exit code $code, $(cat "$dir/err")"
    [ -z "$(ls -A "$dir/folder.png")" ] || fail "$command wrote into the folder"

    # The shell's pipe, named by its descriptor; the report goes elsewhere. (A plan's format
    # is its name's suffix, which a descriptor has not.)
    if [ "$command" != plan ]; then
        (write "$command" /dev/fd/3 3>&1 >/dev/null 2>"$dir/err") | cat >"$dir/got"
        cmp -s "$dir/ref.png" "$dir/got" || fail "$command into /dev/fd/3: $(cat "$dir/err")"
    fi

    left=$(ls -A "$dir" | grep -v -x -e char.png -e disk.png -e pipe.png -e folder.png \
        -e ref.png -e got -e err)
    [ -z "$left" ] || fail "$command left behind: $left"
    rm -f "$dir/ref.png"
done
[ $failed -eq 0 ] && echo "streams and nodes as they should be: $commands"
exit $failed
