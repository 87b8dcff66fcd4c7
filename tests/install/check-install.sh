#!/usr/bin/env bash
# Installs the build into a scratch root and checks what a desktop and a user would find there.
#   check-install.sh install BUILD_DIR   cmake --install with DESTDIR
#   check-install.sh package BUILD_DIR   the Debian package from CPack, unpacked with dpkg-deb
set -euo pipefail

mode=$1
build=$(cd "$2" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root

fail() { echo "check-install: $*" >&2; exit 1; }

case "$mode" in
  install)
    DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
    ;;
  package)
    (cd "$build" && cpack -G DEB -B "$scratch/deb" >"$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log" >&2; fail "cpack"; }
    debs=("$scratch"/deb/vell_*.deb)
    [[ -f "${debs[0]}" && ${#debs[@]} -eq 1 ]] || fail "CPack made no single vell_*.deb"
    deb=${debs[0]}
    fields=$(dpkg-deb -f "$deb" Package Version Architecture Depends Section)
    grep -qx 'Package: vell' <<<"$fields" || fail "package name: $fields"
    grep -qx "Architecture: $(dpkg --print-architecture)" <<<"$fields" || fail "architecture: $fields"
    grep -qx 'Section: games' <<<"$fields" || fail "section: $fields"
    # Each check reads what it looks at whole: with pipefail, "cmd | grep -q" fails when grep
    # stops reading early and cmd dies of the broken pipe.
    grep -q 'speak English or Russian' <<<"$(dpkg-deb -f "$deb" Description)" ||
      fail "the description does not name the two languages"
    # The libraries found by dpkg-shlibdeps and the plugins and fonts named by hand.
    for dep in libqt6widgets6 libqt6openglwidgets6 libglu1-mesa libc6 qt6-qpa-plugins \
               qt6-translations-l10n \
               fonts-dejavu-extra; do
      grep -q "Depends:.*\b$dep\b" <<<"$fields" || fail "no dependency on $dep: $fields"
    done
    # Every packaged path lies under /usr and belongs to root.
    if awk '{print $2, $6}' <<<"$(dpkg-deb -c "$deb")" | grep -v '^root/root \./usr/' >/dev/null; then
      dpkg-deb -c "$deb" >&2
      fail "files outside /usr or not owned by root"
    fi
    # Debian's own checker: no error and no warning. Its informational notes may stay (the
    # build type's flags, not the package, decide on hardening and the .comment section).
    lintian --fail-on error,warning "$deb" >"$scratch/lintian.log" 2>&1 ||
      { cat "$scratch/lintian.log" >&2; fail "lintian"; }
    if grep -E '^[EW]: ' "$scratch/lintian.log"; then fail "lintian reports errors or warnings"; fi
    dpkg-deb -x "$deb" "$root"
    ;;
  *) fail "unknown mode $mode" ;;
esac

share=$root/usr/share
expected=(
  usr/games/VellGame usr/games/VellEditor usr/games/VellSim
  usr/share/doc/vell/copyright usr/share/doc/vell/changelog.gz
  usr/share/man/man6/VellGame.6.gz usr/share/man/man6/VellEditor.6.gz
  usr/share/man/man6/VellSim.6.gz
  usr/share/man/ru/man6/VellGame.6.gz usr/share/man/ru/man6/VellEditor.6.gz
  usr/share/vell/maps/demo.vl usr/share/vell/maps/ring.vl
  usr/share/applications/org.vell.Vell.desktop
  usr/share/applications/org.vell.VellEditor.desktop
  usr/share/metainfo/org.vell.Vell.metainfo.xml
  usr/share/metainfo/org.vell.VellEditor.metainfo.xml
  usr/share/mime/packages/org.vell.Vell.xml
  usr/share/icons/hicolor/scalable/apps/org.vell.Vell.svg
  usr/share/icons/hicolor/scalable/apps/org.vell.VellEditor.svg
  usr/share/icons/hicolor/48x48/apps/org.vell.Vell.png
  usr/share/icons/hicolor/256x256/apps/org.vell.VellEditor.png
)
for f in "${expected[@]}"; do [[ -s "$root/$f" ]] || fail "missing $f"; done
for p in VellGame VellEditor VellSim; do
  [[ -x "$root/usr/games/$p" ]] || fail "$p is not executable"
  # No run path into the build tree: the installed program must stand on its own.
  if readelf -d "$root/usr/games/$p" | grep -Eq 'RPATH|RUNPATH'; then fail "$p keeps a run path"; fi
done
if [[ $mode == package ]]; then
  for p in VellGame VellEditor VellSim; do
    if grep -q '\.debug_info' <<<"$(readelf -S "$root/usr/games/$p")"; then fail "$p is not stripped"; fi
  done
fi

# `man PROGRAM` finds the English page, `man -L ru` the Russian one of the windowed programs,
# and man renders each without a warning. MANPATH, not -M: man looks for translations only there.
export MANPATH=$share/man LC_ALL=C.UTF-8 MANWIDTH=80
for page in VellGame: VellEditor: VellSim: VellGame:ru VellEditor:ru; do
  p=${page%%:*} lang=${page#*:}
  if [[ -n $lang ]]; then dir=$MANPATH/$lang/man6 heading=ПАРАМЕТРЫ; else dir=$MANPATH/man6 heading=NAME; fi
  [[ $(man ${lang:+-L "$lang"} -w "$p") == "$dir/$p.6.gz" ]] || fail "man ${lang:+-L $lang }$p"
  out=$(man --warnings ${lang:+-L "$lang"} "$p" 2>"$scratch/man.err") || fail "man $p failed"
  [[ ! -s "$scratch/man.err" ]] || { cat "$scratch/man.err" >&2; fail "man $p: warnings"; }
  grep -q "^$heading" <<<"$out" && grep -q -- "--version" <<<"$out" || fail "man $p: $out"
  # Route names keep their letters ("1А"), not question marks in their place.
  [[ $out != *'??'* ]] || fail "man ${lang:+-L $lang }$p loses letters: $(grep -F '??' <<<"$out")"
  # Each page says how the language is chosen: by the locale, and by --lang where it is taken.
  grep -q "LC_MESSAGES" <<<"$out" || fail "man ${lang:+-L $lang }$p says nothing of the locale"
  [[ $p == VellSim ]] || grep -q -- "--lang" <<<"$out" || fail "man ${lang:+-L $lang }$p: no --lang"
done
unset MANPATH LC_ALL MANWIDTH

desktop-file-validate "$share"/applications/*.desktop
for f in "$share"/metainfo/*.xml; do
  appstreamcli validate --no-net "$f" >/dev/null || { appstreamcli validate --no-net "$f"; fail "$f"; }
done
# Every launcher points at an installed program and icon, and names the map type.
for launcher in Vell:VellGame VellEditor:VellEditor; do
  id=${launcher%%:*} program=${launcher#*:}
  d=$share/applications/org.vell.$id.desktop
  grep -qx "Exec=$program %f" "$d" || fail "$d: Exec"
  grep -qx "Icon=org.vell.$id" "$d" || fail "$d: Icon"
  grep -qx "StartupWMClass=$program" "$d" || fail "$d: StartupWMClass"
  grep -qx 'MimeType=application/x-vell-map;' "$d" || fail "$d: MimeType"
  grep -q '^Name\[ru\]=' "$d" || fail "$d: no Russian name"
done
# A double click opens a map in the game, "Open with" offers the editor: without a default, a
# desktop takes the first launcher of the type in the cache, which lists them in name order.
update-desktop-database "$share/applications"
grep -qx 'application/x-vell-map=org.vell.Vell.desktop;org.vell.VellEditor.desktop;' \
  "$share/applications/mimeinfo.cache" || fail "the game is not the first handler of maps"

# The file type: the shared MIME database built from the package's file knows *.vl.
update-mime-database "$share/mime" >/dev/null 2>&1
grep -q '^50:application/x-vell-map:\*\.vl$' "$share/mime/globs2" || fail "*.vl is not in globs2"
[[ -f "$share/mime/application/x-vell-map.xml" ]] || fail "no application/x-vell-map.xml"

# The installed programs run from the scratch root and find their maps there.
grep -q '1\.0\.0' <<<"$("$root/usr/games/VellSim" --version)" || fail "VellSim --version"
grep -q '"object_count": 25849' <<<"$("$root/usr/games/VellSim" info "$share/vell/maps/demo.vl" --json)" ||
  fail "VellSim info on the installed demo city"
for p in VellGame VellEditor; do
  grep -q '1\.0\.0' <<<"$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/games/$p" --version)" ||
    fail "$p --version"
  # Without a display: one line saying so, exit code 2, no core dump.
  code=0
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/games/$p" 2>&1) || code=$?
  [[ $code -eq 2 && $out == "$p: нужен графический экран (X11 или Wayland), а его нет; без экрана работает VellSim" ]] ||
    fail "$p without a display: exit $code: $out"
done
echo "check-install: $mode into $root: ${#expected[@]} files, launchers, metainfo, MIME type and programs good"
