#!/bin/sh
# Runs a command as an ordinary user: uid and gid 1000 in a user namespace of its own, without
# capabilities, so that file permissions bind it as they bind a player (root passes them all).
# What the wrapper's user owns outside is the command's own inside.
#   VELL_USER_DIR      a scratch folder of the command's own;
#   VELL_FOREIGN_FILE  in it, a file anyone may write that belongs to another user (uid 1234),
#                      made only when the wrapper runs as root.
# Exits with 77 (skipped) where user namespaces cannot be made, or with 1 when
# VELL_REQUIRE_NAMESPACES=1 (CI), so that CI never skips these tests silently.
# Usage: as-ordinary-user.sh COMMAND [ARG...]
set -eu

if ! unshare --map-user=1000 --map-group=1000 true </dev/null 2>/dev/null; then
    if [ "${VELL_REQUIRE_NAMESPACES-}" = 1 ]; then
        echo "as-ordinary-user.sh: user namespaces are not available here, and CI needs them" >&2
        exit 1
    fi
    echo "as-ordinary-user.sh: user namespaces are not available here; skipped" >&2
    exit 77
fi
base=$(mktemp -d "${TMPDIR:-/tmp}/vell-user.XXXXXX")
trap 'rm -rf "$base"' EXIT
VELL_USER_DIR=$base
export VELL_USER_DIR
if [ "$(id -u)" = 0 ]; then
    printf 'shared' > "$base/foreign.vl"
    chown 1234:1234 "$base/foreign.vl"
    chmod 0666 "$base/foreign.vl"
    VELL_FOREIGN_FILE=$base/foreign.vl
    export VELL_FOREIGN_FILE
fi
# stdin is not needed and may be closed under CI.
unshare --map-user=1000 --map-group=1000 "$@" </dev/null
