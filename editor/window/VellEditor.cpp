// VellEditor: the map editor program.
#include "MapBitmaps.h"
#include "QtUserDialogs.h"
#include "VellEdit.h"

#include "Map.h"
#include "Random.h"

#include <QApplication>

#include <memory>

int main(int argc, char** argv) {
    // QApplication takes its own options out of the command line; what is left is the map.
    // Its name titles the message boxes; a display name would also be appended to the window's
    // caption on X11, which the editor sets itself.
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VellEditor"));

    // The map model starts before the window: the generator, the map, its bitmaps, the dialogs.
    vell::TRandom random(vell::TRandom::ClockSeed());
    auto map = std::make_unique<vell::TMap>(); // the route table makes it large
    map->Create(argc > 1 ? argv[1] : nullptr);
    vell::TMapBitmaps bitmaps;
    auto dialogs = std::make_unique<vell::TQtUserDialogs>();

    vell::TVellEdit window(*map, bitmaps, random, *dialogs);
    dialogs->SetParent(&window);
    window.show();
    const int code = app.exec();
    // The file dialogs are the window's children; their owner frees them while the window
    // still stands, so that they are not freed twice.
    dialogs.reset();
    return code;
}
