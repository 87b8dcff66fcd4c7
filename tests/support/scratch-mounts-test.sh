#!/bin/sh
# with-scratch-mounts.sh on this machine and as on machines without namespaces: the mounts are
# what the file-fault tests rely on, each way leaves nothing mounted, the command's exit code comes
# through, and a machine without any namespace gets one line and a skip (a failure under CI).
set -u
here=$(dirname "$0")
mounts="$here/with-scratch-mounts.sh"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
printf 'VL-test' >"$scratch/map.vl"
failures=0
fail() { echo "scratch-mounts-test: $*" >&2; failures=$((failures + 1)); }

# Inside: the copy is there and cannot be changed, a small file fits the full folder and a bigger
# one does not; prints how the process's users are mapped (a user namespace maps one).
check_inside='
  set -u
  [ "$(cat "$VELL_READONLY_DIR/map.vl")" = VL-test ] || { echo "no copy" >&2; exit 3; }
  if (echo x >"$VELL_READONLY_DIR/map.vl") 2>/dev/null; then echo "read-only dir written" >&2; exit 3; fi
  head -c 4096 /dev/zero >"$VELL_FULL_DIR/small" || { echo "small file" >&2; exit 3; }
  if head -c 200000 /dev/zero >"$VELL_FULL_DIR/big" 2>/dev/null; then echo "full dir took 200 KB" >&2; exit 3; fi
  awk "{print \$3}" /proc/self/uid_map
'

run() { # WAYS -> output in $out, exit code in $code, stderr in $scratch/err
  # A way left out on purpose is no failure under CI; the machine's own (user) is.
  require=${VELL_REQUIRE_NAMESPACES-}
  [ "$1" = user ] || require=
  code=0
  out=$(VELL_SCRATCH_NAMESPACES=$1 VELL_REQUIRE_NAMESPACES=$require sh "$mounts" "$scratch/map.vl" \
        -- sh -c "$check_inside" 2>"$scratch/err") || code=$?
}
mounted() { grep -c 'vell-mounts\.' /proc/self/mountinfo || true; }

ran=0 mount_ran=0
# The default (a user namespace, else as root a mount namespace alone), and a mount namespace
# alone as when user namespaces are refused (chroots, containers): it needs root.
for ways in user mount; do
  run "$ways"
  if [ "$code" -eq 77 ]; then
    grep -q '^with-scratch-mounts: skipped: .*this machine has no user namespace' "$scratch/err" &&
      [ "$(wc -l <"$scratch/err")" -eq 1 ] || fail "$ways: a skip without its one line: $(cat "$scratch/err")"
    echo "$ways: skipped here: $(cat "$scratch/err")"
    continue
  fi
  [ "$code" -eq 0 ] || { fail "$ways: exit $code: $(cat "$scratch/err")"; continue; }
  ran=$((ran + 1))
  [ "$ways" = user ] || mount_ran=1
  [ "$(mounted)" -eq 0 ] || fail "$ways: scratch mounts left behind"
  # A user namespace maps a single user; a mount namespace alone (the default's fallback as root
  # where the machine refuses user namespaces) keeps the whole range.
  expected=4294967295
  if [ "$ways" = user ] && unshare --map-root-user --mount true </dev/null 2>/dev/null; then
    expected=1
  fi
  [ "$out" = "$expected" ] || fail "$ways: uid_map range $out instead of $expected"
  if [ "$expected" = 1 ]; then how="a user namespace"; else how="a mount namespace alone"; fi
  echo "$ways: the read-only and the full scratch mounts work, in $how"
done
# As root the mount namespace alone must work: it is the way chroots and CI containers take.
if [ "$(id -u)" -eq 0 ]; then
  [ "$mount_ran" -eq 1 ] || fail "as root, a mount namespace alone did not work"
  # The chroot's way, where the namespace keeps its parent's propagation: under a folder whose
  # mount is shared with this namespace, nothing of the scratch mounts may show or stay here.
  # (In a chroot the mount way above has just taken it, and no shared folder can be made.)
  mkdir "$scratch/shared"
  code=0
  unshare --mount true 2>/dev/null || code=skip
  [ "$code" = skip ] || VELL_REQUIRE_NAMESPACES= unshare --mount sh -c '
    set -u
    mount -t tmpfs tmpfs "$1/shared" && mount --make-shared "$1/shared" || exit 4
    code=0
    TMPDIR=$1/shared VELL_SCRATCH_NAMESPACES=mount-unchanged sh "$2" "$1/map.vl" -- sh -c "$3" \
      >/dev/null 2>"$1/err" || code=$?
    left=$(grep -c "vell-mounts\." /proc/self/mountinfo)
    umount "$1/shared"
    [ "$left" -eq 0 ] || { echo "$left scratch mounts left in the parent" >>"$1/err"; exit 4; }
    exit "$code"
  ' sh "$scratch" "$mounts" "$check_inside" || code=$?
  [ "$code" = 0 ] || [ "$code" = skip ] || fail "mount-unchanged: exit $code: $(cat "$scratch/err")"
fi

# The command's own exit code comes through.
if [ "$ran" -gt 0 ]; then
  ways=user; [ "$(id -u)" -eq 0 ] && ways=mount
  code=0; VELL_SCRATCH_NAMESPACES=$ways sh "$mounts" -- sh -c 'exit 5' 2>/dev/null || code=$?
  [ "$code" -eq 5 ] || fail "$ways: the command's exit 5 came back as $code"
fi

# No namespace at all: one line naming what is missing, then a skip, or a failure under CI.
for require in "" 1; do
  code=0
  VELL_SCRATCH_NAMESPACES=none VELL_REQUIRE_NAMESPACES=$require sh "$mounts" -- true \
    2>"$scratch/err" || code=$?
  if [ -z "$require" ]; then want=77 line='skipped'; else want=1 line='failed \(VELL_REQUIRE_NAMESPACES=1\)'; fi
  [ "$code" -eq "$want" ] || fail "none${require:+ under CI}: exit $code instead of $want"
  grep -Eq "^with-scratch-mounts: $line: .*no user namespace .* and no mount namespace" "$scratch/err" &&
    [ "$(wc -l <"$scratch/err")" -eq 1 ] || fail "none: not one line: $(cat "$scratch/err")"
done
[ "$(mounted)" -eq 0 ] || fail "scratch mounts left behind"

[ "$failures" -eq 0 ] || exit 1
# Nothing could be mounted here at all: the test itself is skipped, as the file-fault tests are.
[ "$ran" -gt 0 ] || exit 77
echo "scratch-mounts-test: $ran way(s) checked"
