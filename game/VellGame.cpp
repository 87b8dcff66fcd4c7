// VellGame: the map model starts first (random generator, the map named on the command line,
// the bitmaps, the dialogs, an empty tram table), then the windows are created in the order
// route selection, "Карта", top view, cab view, and the message loop runs until the route
// selection window closes.
#include "FloatingPoint.h"
#include "Map.h"
#include "MapBitmaps.h"
#include "QtUserDialogs.h"
#include "Random.h"
#include "RouteMap.h"
#include "SelectRoute.h"
#include "VellView.h"
#include "View3D.h"
#include "World.h"

#include <QApplication>
#include <QTimer>

#include <memory>

int main(int argc, char** argv) {
    vell::SetCabSurfaceFormat(); // the cab view's OpenGL, asked for before the application starts
    QApplication app(argc, argv); // takes its own options out of argv
    QApplication::setApplicationName(QStringLiteral("VellGame"));

    vell::TRandom random(vell::TRandom::ClockSeed());
    auto map = std::make_unique<vell::TMap>(); // large: the route table holds every timetable
    const bool mapNamed = argc > 1;
    map->Create(mapNamed ? argv[1] : nullptr);
    vell::TMapBitmaps bitmaps;
    vell::TQtUserDialogs dialogs;
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

    selectRoute.show();
    // Once the window is up, a map named on the command line is selected: its routes are listed.
    QTimer::singleShot(0, &selectRoute, [&]() { selectRoute.SelectMapAtStartUp(mapNamed); });
    return app.exec();
}
