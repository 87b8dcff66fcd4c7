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
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QString::fromUtf8("Редактор карт"));

    // The map model starts before the window: the generator, the map, its bitmaps, the dialogs.
    vell::TRandom random(vell::TRandom::ClockSeed());
    auto map = std::make_unique<vell::TMap>(); // the route table makes it large
    map->Create(argc > 1 ? argv[1] : nullptr);
    vell::TMapBitmaps bitmaps;
    vell::TQtUserDialogs dialogs;

    vell::TVellEdit window(*map, bitmaps, random, dialogs);
    dialogs.SetParent(&window);
    window.show();
    return app.exec();
}
