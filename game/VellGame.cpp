// VellGame: the map model starts first (random generator, the map named on the command line,
// the bitmaps, the dialogs, an empty tram table), then the windows are created in the order
// route selection, "Карта", top view, cab view, and the message loop runs until the route
// selection window closes. The command line is read first: --help, --version and mistakes are
// answered without a display.
#include "cab/View3D.h"
#include "game/FloatingPoint.h"
#include "game/ImportExtract.h"
#include "game/RouteMap.h"
#include "game/SelectRoute.h"
#include "game/VellView.h"
#include "model/Map.h"
#include "model/Random.h"
#include "model/draw/MapBitmaps.h"
#include "sim/World.h"
#include "ui/CommandLine.h"
#include "ui/QtApplication.h"
#include "ui/QtUserDialogs.h"

#include <QApplication>
#include <QTimer>

#include <iostream>
#include <memory>

namespace {

const vell::TProgramInfo Program{
    "VellGame", VELL_VERSION,
    QT_TRANSLATE_NOOP(
        "CommandLine",
        "Трамвайная игра: прокладывает маршруты карты и пускает по ним трамваи; можно\n"
        "смотреть на город сверху или вести трамвай из кабины.\n"),
    QT_TRANSLATE_NOOP(
        "CommandLine",
        "Названная карта открывается сразу, как через «Выбрать карту...», и её маршруты\n"
        "видны в таблице. Без неё выбор карты начинается в папке карт игры.\n"),
    QT_TRANSLATE_NOOP("CommandLine",
                      "  --continue ФАЙЛ  продолжить сохранённую игру (.vls): открыть её карту\n"
                      "               и кабину там, где игрок её оставил\n")};

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    // The language comes first, so that the help and the mistakes already speak it.
    vell::TProgramLanguage language(vell::ChosenLanguage(vell::ParseCommandLine(args, true)));
    const vell::TCommandLine line = vell::ParseCommandLine(args, true);
    if (auto code = vell::AnswerCommandLine(line, Program, std::cout, std::cerr)) return *code;
    if (auto code =
            vell::AnswerNoDisplay(line, Program, vell::DisplayEnvironmentOfProcess(), std::cerr))
        return *code;

    vell::SetCabSurfaceFormat(); // the cab view's OpenGL, asked for before the application starts
    vell::TQtArgv qtArgv(argv[0], line.QtArguments);
    QApplication app(qtArgv.Argc(), qtArgv.Argv());
    vell::SetUpApplication(QStringLiteral("VellGame"), QStringLiteral("org.vell.Vell"), language);

    vell::TRandom random(vell::TRandom::ClockSeed());
    auto map = std::make_unique<vell::TMap>(); // large: the route table holds every timetable
    // An extract named on the command line is imported once the window is up, as if chosen.
    const bool extractNamed = line.MapName && vell::IsExtractFile(*line.MapName);
    const bool mapNamed = line.MapName && !extractNamed;
    map->Create(mapNamed ? line.MapName->c_str() : nullptr);
    vell::TMapBitmaps bitmaps;
    vell::TQtUserDialogs dialogs;
    // A map without a file is opened from the maps that come with the game.
    const QString bundledMaps = vell::BundledMapsFolder(QCoreApplication::applicationDirPath(),
                                                        QStringLiteral(VELL_SOURCE_MAPS));
    dialogs.SetOpenFolders(map.get(), bundledMaps);
    vell::TQtUserDialogs viewDialogs;
    vell::TQtUserDialogs cabDialogs;
    vell::TWorld world(*map, random); // no trams until a run starts

    // Divisions by zero and overflows in the simulation give infinities, not faults.
    vell::MaskFloatingPointExceptions();

    vell::TSelectRoute selectRoute(*map, bitmaps, world, dialogs);
    dialogs.SetParent(&selectRoute);
    vell::TRouteMap routeMap;
    vell::TVellView vellView(*map, bitmaps, world, viewDialogs);
    viewDialogs.SetParent(&vellView);
    vell::TView3D view3D(*map, world, cabDialogs);
    cabDialogs.SetParent(&view3D);
    selectRoute.SetWindows(&routeMap, &vellView, &view3D);
    // A save's or a recording's map that moved is looked for among them too.
    selectRoute.SetBundledMaps(bundledMaps.toStdString());

    selectRoute.show();
    // Once the window is up, a map named on the command line is selected: its routes are listed.
    // A saved game named there opens its map and the cab.
    QTimer::singleShot(0, &selectRoute, [&]() {
        if (line.ContinuePath)
            selectRoute.ContinueSavedGame(*line.ContinuePath);
        else if (extractNamed)
            selectRoute.ImportExtract(*line.MapName);
        else
            selectRoute.SelectMapAtStartUp(mapNamed);
    });
    return app.exec();
}
