#!/bin/sh
# Runs a command with two scratch mounts that only it sees (its own user and mount namespace,
# so no privileges are needed and nothing stays mounted afterwards):
#   VELL_FULL_DIR      a 64 KiB tmpfs: a small map fits, a bigger one or a picture does not;
#   VELL_READONLY_DIR  a read-only tmpfs holding copies of the FILEs.
# As root, permissions do not stop a write; a read-only mount does.
# Usage: with-scratch-mounts.sh [FILE...] -- COMMAND [ARG...]
set -eu

if [ "${1-}" != "--inside" ]; then
    base=$(mktemp -d "${TMPDIR:-/tmp}/vell-mounts.XXXXXX")
    status=0
    # stdin is not needed and may be closed under CI.
    unshare --map-root-user --mount sh "$0" --inside "$base" "$@" </dev/null || status=$?
    rmdir "$base"
    exit "$status"
fi

base=$2
shift 2
# A tmpfs of our own first, so that the mount points vanish with the namespace.
mount -t tmpfs -o size=8m tmpfs "$base"
mkdir "$base/full" "$base/readonly"
mount -t tmpfs -o size=64k tmpfs "$base/full"
mount -t tmpfs -o size=4m tmpfs "$base/readonly"
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    cp "$1" "$base/readonly/"
    shift
done
if [ $# -lt 2 ]; then
    echo "usage: with-scratch-mounts.sh [FILE...] -- COMMAND [ARG...]" >&2
    exit 2
fi
shift
mount -o remount,ro "$base/readonly"
VELL_FULL_DIR=$base/full VELL_READONLY_DIR=$base/readonly
export VELL_FULL_DIR VELL_READONLY_DIR
exec "$@"
