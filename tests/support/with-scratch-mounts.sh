#!/bin/sh
# Runs a command with two scratch mounts that only it sees (its own mount namespace, so nothing
# stays mounted afterwards):
#   VELL_FULL_DIR      a 64 KiB tmpfs: a small map fits, a bigger one or a picture does not;
#   VELL_READONLY_DIR  a read-only tmpfs holding copies of the FILEs.
# As root, permissions do not stop a write; a read-only mount does.
# Usage: with-scratch-mounts.sh [FILE...] -- COMMAND [ARG...]
#
# The namespace: a user namespace with its own mount namespace where the machine allows it (no
# privileges needed); else, as root, a mount namespace alone. Inside a chroot / is no mount point,
# so unshare cannot make it private: the namespace then keeps the propagation it was given and
# the scratch mounts are made private and unmounted here. Where neither can be had, the command
# is not run: one line says what the machine lacks and the exit code is 77 (a skipped test),
# or 1 when VELL_REQUIRE_NAMESPACES=1 (CI, which must not skip these tests silently).
# VELL_SCRATCH_NAMESPACES=mount or none leaves out the user namespace, or both, as on a machine
# without them, and mount-unchanged takes the chroot's way outside a chroot; only the test of
# this script sets it.
set -eu

if [ "${1-}" != "--inside" ]; then
    ways=${VELL_SCRATCH_NAMESPACES:-user}
    forced="left out by VELL_SCRATCH_NAMESPACES=$ways"
    unshare_args=""
    # stdin is not needed and may be closed under CI.
    if [ "$ways" != user ]; then
        lacks="no user namespace ($forced)"
    elif why=$(unshare --map-root-user --mount true </dev/null 2>&1); then
        unshare_args="--map-root-user --mount"
    else
        lacks="no user namespace ($why)"
    fi
    if [ -n "$unshare_args" ]; then
        :
    elif [ "$ways" = none ]; then
        lacks="$lacks and no mount namespace ($forced)"
    elif [ "$(id -u)" -ne 0 ]; then
        lacks="$lacks and no root for a mount namespace alone"
    elif [ "$ways" != mount-unchanged ] && unshare --mount true </dev/null 2>/dev/null; then
        unshare_args="--mount"
    elif why=$(unshare --mount --propagation unchanged true </dev/null 2>&1); then
        unshare_args="--mount --propagation unchanged"
    else
        lacks="$lacks and no mount namespace even as root ($why)"
    fi
    if [ -z "$unshare_args" ]; then
        if [ "${VELL_REQUIRE_NAMESPACES-}" = 1 ]; then
            echo "with-scratch-mounts: failed (VELL_REQUIRE_NAMESPACES=1): the scratch mounts need a namespace, and this machine has $lacks" >&2
            exit 1
        fi
        echo "with-scratch-mounts: skipped: the scratch mounts need a namespace, and this machine has $lacks" >&2
        exit 77
    fi
    base=$(mktemp -d "${TMPDIR:-/tmp}/vell-mounts.XXXXXX")
    # A mount that the unchanged propagation carried out of the namespace is taken back, also
    # when the test is stopped (a time-out sends SIGTERM).
    cleanup() {
        if mountpoint -q "$base"; then umount -l "$base" || true; fi
        rmdir "$base" 2>/dev/null || true
    }
    trap cleanup EXIT
    trap 'exit 143' TERM
    trap 'exit 130' INT
    trap 'exit 129' HUP
    status=0
    # shellcheck disable=SC2086 # the options are words
    unshare $unshare_args sh "$0" --inside "$base" "$@" </dev/null || status=$?
    exit "$status"
fi

base=$2
shift 2
# A tmpfs of our own first, made private before anything is mounted on it, so that the scratch
# mounts stay in this namespace whatever propagation it has.
mount -t tmpfs -o size=8m tmpfs "$base"
mount --make-private "$base"
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
# Read-only as a mount, not as a file system: an unprivileged user namespace may only do this.
mount -o remount,bind,ro "$base/readonly"
VELL_FULL_DIR=$base/full VELL_READONLY_DIR=$base/readonly
export VELL_FULL_DIR VELL_READONLY_DIR
status=0
"$@" || status=$?
# Unmounted here, not only with the namespace: a namespace that shares its propagation would
# otherwise leave the base mount behind in the parent's.
cd /
umount "$base/full" "$base/readonly" "$base"
exit "$status"
