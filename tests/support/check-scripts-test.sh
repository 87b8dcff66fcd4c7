#!/bin/sh
# scripts/check-layers and scripts/check-format on a scratch tree: a sound tree passes, each
# wrong include fails the layer check with a line on it, and a check that cannot run says why.
# Usage: check-scripts-test.sh SOURCE_ROOT
set -eu
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir "$tree/scripts"
cp "$1/scripts/check-layers" "$1/scripts/check-format" "$tree/scripts/"
cd "$tree"
git init -q .

add() { # FILE LINE...
  file=$1
  shift
  mkdir -p "$(dirname "$file")"
  printf '%s\n' "$@" >>"$file"
}
# One file or two per layer, each with includes its layer may have.
add model/Map.h '#include <vector>'
add model/draw/PlanView.h '#include "model/Map.h"' '#include <QImage>'
add sim/World.h '#include "model/./Map.h"'
add ui/EnglishTexts.h '#include <QTranslator>'
add ui/PaintBox.h '#include "ui/EnglishTexts.h"'
add cab/CMakeLists.txt 'add_library(vell_cab_core STATIC' '  CabState.cpp CabState.h' ')'
add cab/CabState.h '#include "sim/World.h"'
add cab/View3D.h '#include "cab/CabState.h"' '#include "ui/PaintBox.h"' '#include <QWidget>'
add editor/ops/Edit.h '#include "model/Map.h"'
add import/OsmRead.h '#include "model/Map.h"' '#include <osmium/io/reader.hpp>'
add import/RunCheck.h '#include "sim/World.h"'
add editor/window/VellEdit.cpp '#include "editor/ops/Edit.h"' '#include "model/draw/PlanView.h"' \
  '#include "ui/PaintBox.h"' '#include "import/OsmRead.h"' '#include "VellEdit.moc"'
add game/VellView.h '#include "cab/View3D.h"' '#include "model/draw/PlanView.h"' \
  '#include "import/OsmRead.h"'
add tools/SimLanguage.cpp '#include "ui/EnglishTexts.h"' '#include "editor/ops/Edit.h"' \
  '#include "import/OsmRead.h"'
add tools/sceneshots/Shots.cpp '#include "tests/cab/scene/OffscreenGL.h"'
add tests/cab/scene/OffscreenGL.h '#include "game/VellView.h"' '#include <gtest/gtest.h>'
add bench/Bench.cpp '#include "editor/window/VellEdit.h"'
git add -A

if ! out=$(scripts/check-layers 2>&1); then
  echo "check-layers fails a sound tree:"
  echo "$out"
  exit 1
fi

status=0
# FILE|LINE added to it|what check-layers must say about it
while IFS='|' read -r file line expected; do
  existed=false
  [ -e "$file" ] && existed=true && cp "$file" saved
  add "$file" "$line"
  if out=$(scripts/check-layers 2>&1); then rc=0; else rc=$?; fi
  case $out in
    *"$file:"*"$expected"*) [ $rc -eq 1 ] || { echo "$file += $line: exit $rc"; status=1; } ;;
    *) echo "$file += $line: check-layers said (exit $rc): $out"; status=1 ;;
  esac
  if $existed; then mv saved "$file"; else rm "$file"; fi
done <<'EOF'
sim/World.h|#include <game/VellView.h>|sim may not include game
sim/World.h|#include "model/../game/VellView.h"|sim may not include game
sim/World.h|  #  include   < sim/../game/VellView.h >|sim may not include game
tools/SimLanguage.cpp|#include "game/VellView.h"|tools may not include game
tools/SimLanguage.cpp|#include "ui/PaintBox.h"|tools may not include ui
tools/sceneshots/Shots.cpp|#include "tests/draw/Pictures.h"|tools may not include tests
model/Map.h|#include "model/draw/PlanView.h"|model may not include model/draw
model/Map.h|#include <QString>|uses no Qt
editor/ops/Edit.h|#include <QtCore/QString>|uses no Qt
editor/ops/Edit.h|#include "ui/EnglishTexts.h"|editor/ops may not include ui
editor/ops/Edit.h|#include "import/OsmRead.h"|editor/ops may not include import
sim/World.h|#include "import/OsmRead.h"|sim may not include import
import/OsmRead.h|#include "cab/CabState.h"|import may not include cab
import/OsmRead.h|#include <QString>|uses no Qt
import/OsmRead.h|#include "ui/PaintBox.h"|import may not include ui
cab/CabState.h|#include "ui/EnglishTexts.h"|uses no Qt
cab/CabState.h|#include "cab/View3D.h"|uses no Qt
game/VellView.h|#include <editor/window/VellEdit.h>|game may not include editor/window
tests/cab/scene/OffscreenGL.h|#include "Map.h"|does not name its folder
bench/Bench.cpp|#include "sim/../../model/Map.h"|does not name its folder from the source root
bench/Bench.cpp|#include MAP_HEADER|cannot read
editor/Stray.cpp|#include "model/Map.h"|lies in no layer
EOF

# Without clang-format the format check says that nothing was checked.
mkdir bin
for tool in bash env git xargs grep cut sort sed mktemp rm dirname; do
  ln -s "$(command -v "$tool")" bin/
done
if out=$(PATH="$tree/bin" scripts/check-format 2>&1); then rc=0; else rc=$?; fi
case $out in
  *"clang-format is not installed"*) [ $rc -eq 2 ] || { echo "check-format: exit $rc"; status=1; } ;;
  *) echo "check-format without clang-format said (exit $rc): $out"; status=1 ;;
esac
exit $status
