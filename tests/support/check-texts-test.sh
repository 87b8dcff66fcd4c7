#!/bin/sh
# scripts/check-texts on a scratch tree: a tree whose Cyrillic literals are all translated or
# listed passes; each plain literal planted in it fails the check with a line naming it, and so
# does an entry of the list that matches nothing; without its list the check says so.
# Usage: check-texts-test.sh SOURCE_ROOT
set -eu
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir "$tree/scripts"
cp "$1/scripts/check-texts" "$tree/scripts/"
cd "$tree"
git init -q .

add() { # FILE LINE...
  file=$1
  shift
  mkdir -p "$(dirname "$file")"
  printf '%s\n' "$@" >>"$file"
}
q="'"
# Every way the programs write a text to translate, and what is not searched.
add model/Texts.cpp \
  '// A comment may say "Карта" and /* "Карта" */ so may this.' \
  'std::string Reason() { return translate("Map", "файл обрывается раньше времени"); }' \
  'const char* const Name = QT_TRANSLATE_NOOP("Map", "Новая");' \
  '/* A comment over lines:' \
  '   "Карта" */'
add game/Window.cpp \
  'Window::Window() {' \
  '    setWindowTitle(tr("Трамвай"));' \
  '    Label->setText(QCoreApplication::translate("Window",' \
  '                                               "Две строки "' \
  '                                               "в одной"));' \
  '    static const char* const Items[] = {QT_TR_NOOP("Выход (&Q)"), "quit"};' \
  "    const char quote = $q\"$q, apostrophe = $q\\$q$q;" \
  '    Suffixes = QStringLiteral(" АБ");' \
  "    const int big = 4${q}294;" \
  '}'
add tools/citygen/City.cpp 'const Node Nodes[] = {{"Запад", 1}, {"Восток", 2}};'
add tests/game/WindowTest.cpp 'QCOMPARE(w.windowTitle(), QString("Трамвай"));'
add bench/Bench.cpp 'Load("Карта");'
add scripts/check-texts.allow \
  '# What is no text for a user.' \
  'game/Window.cpp " АБ"  # route suffixes' \
  'tools/citygen/City.cpp'
git add -A

if ! out=$(scripts/check-texts 2>&1); then
  echo "check-texts fails a sound tree:"
  echo "$out"
  exit 1
fi

status=0
# FILE|LINE added to it|what check-texts must say about it
while IFS='|' read -r file line expected; do
  existed=false
  [ -e "$file" ] && existed=true && cp "$file" saved
  add "$file" "$line"
  if out=$(scripts/check-texts 2>&1); then rc=0; else rc=$?; fi
  case $out in
    *"$file:"*"$expected"*) [ $rc -eq 1 ] || { echo "$file += $line: exit $rc"; status=1; } ;;
    *) echo "$file += $line: check-texts said (exit $rc): $out"; status=1 ;;
  esac
  if $existed; then mv saved "$file"; else rm "$file"; fi
done <<'EOF'
game/Window.cpp|void Warn() { Box->setText("Карта не открыта"); }|"Карта не открыта" is outside a translation call
game/Window.cpp|QString t = tr("Маршрут %1").arg(QStringLiteral("нет"));|"нет" is outside a translation call
game/Window.cpp|QString t = tr(Join("Маршрут", "%1"));|"Маршрут" is outside a translation call
game/Window.cpp|char c = '"'; std::string s = "Карта";|"Карта" is outside a translation call
game/Window.cpp|int big = 4'294; std::string s = "Карта";|"Карта" is outside a translation call
game/Window.cpp|/* "Карта" */ std::string s = "Схема";|"Схема" is outside a translation call
game/Window.cpp|std::string s = u8"Схема";|"Схема" is outside a translation call
game/Window.cpp|std::string s = R"x(Схема (новая))x";|"Схема (новая)" is outside a translation call
game/Window.cpp|QString s = QStringLiteral("А");|"А" is outside a translation call
model/Map.cpp|const char* const Name = "Новая";|"Новая" is outside a translation call
sim/Report.cpp|std::string Total() { return "Итого "; }|"Итого " is outside a translation call
ui/Help.cpp|out << "Параметры:\n";|"Параметры:\n" is outside a translation call
cab/Cab.cpp|const char* Caption = "Авария!";|"Авария!" is outside a translation call
editor/window/Edit.cpp|std::cerr << "Ошибка" << std::endl;|"Ошибка" is outside a translation call
tools/Sim.cpp|err << "Схема записана: " << path;|"Схема записана: " is outside a translation call
scripts/check-texts.allow|model/Texts.cpp "Карта"|model/Texts.cpp "Карта" matches no literal
EOF

# Without its list the check says that nothing was checked.
mv scripts/check-texts.allow list
if out=$(scripts/check-texts 2>&1); then rc=0; else rc=$?; fi
case $out in
  *"check-texts.allow cannot be read"*) [ $rc -eq 2 ] || { echo "no list: exit $rc"; status=1; } ;;
  *) echo "check-texts without its list said (exit $rc): $out"; status=1 ;;
esac
exit $status
