// VellEditor: the map editor program. The command line is read first: --help, --version and
// mistakes are answered without a display.
#include "editor/ops/Recovery.h"
#include "editor/window/VellEdit.h"
#include "model/draw/MapBitmaps.h"
#include "ui/CommandLine.h"
#include "ui/QtApplication.h"
#include "ui/QtUserDialogs.h"

#include "model/Map.h"
#include "model/Random.h"

#include <QApplication>

#include <iostream>
#include <memory>

namespace {

const vell::TProgramInfo Program{
    "VellEditor", VELL_VERSION,
    QT_TRANSLATE_NOOP(
        "CommandLine",
        "Редактор карт трамвайной игры VellGame: границы, стены, рельсы, деревья, двойные\n"
        "пути с опорами и маршруты; проверяет рельсовую сеть и сохраняет карту .vl.\n"),
    QT_TRANSLATE_NOOP("CommandLine",
                      "Названная карта открывается для правки; без неё начинается новая карта.\n")};

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    // The language comes first, so that the help and the mistakes already speak it.
    vell::TProgramLanguage language(vell::ChosenLanguage(vell::ParseCommandLine(args)));
    const vell::TCommandLine line = vell::ParseCommandLine(args);
    if (auto code = vell::AnswerCommandLine(line, Program, std::cout, std::cerr)) return *code;
    if (auto code =
            vell::AnswerNoDisplay(line, Program, vell::DisplayEnvironmentOfProcess(), std::cerr))
        return *code;

    // QApplication sees only Qt's own options. Its name titles the message boxes; a display
    // name would also be appended to the window's caption on X11, which the editor sets itself.
    vell::TQtArgv qtArgv(argv[0], line.QtArguments);
    QApplication app(qtArgv.Argc(), qtArgv.Argv());
    vell::SetUpApplication(QStringLiteral("VellEditor"), QStringLiteral("org.vell.VellEditor"),
                           language);

    // The map model starts before the window: the generator, the map, its bitmaps, the dialogs.
    vell::TRandom random(vell::TRandom::ClockSeed());
    auto map = std::make_unique<vell::TMap>(); // the route table makes it large
    map->Create(line.MapName ? line.MapName->c_str() : nullptr);
    vell::TMapBitmaps bitmaps;
    auto dialogs = std::make_unique<vell::TQtUserDialogs>();
    // The file dialogs start in the folder of the map being edited.
    dialogs->SetOpenFolders(map.get(), QString());
    // Copies of unsaved work, and those a crashed editor left behind.
    vell::TRecovery recovery(vell::DefaultRecoveryFolder());

    vell::TVellEdit window(*map, bitmaps, random, *dialogs, nullptr, &recovery);
    dialogs->SetParent(&window);
    window.show();
    const int code = app.exec();
    // The file dialogs are the window's children; their owner frees them while the window
    // still stands, so that they are not freed twice.
    dialogs.reset();
    return code;
}
