// The game's objects as the program holds them, with scripted dialogs, and small test maps.
#pragma once

#include "game/RouteMap.h"
#include "game/SelectRoute.h"
#include "game/VellView.h"
#include "model/Random.h"
#include "model/draw/MapBitmaps.h"
#include "sim/World.h"
#include "tests/support/ModalWatch.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestMaps.h"
#include "tests/support/WindowLayout.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vell::test {

struct TGame {
    std::unique_ptr<TMap> Map = NewMap();
    TMapBitmaps Bitmaps;
    TRandom Random{20240601};
    TWorld World{*Map, Random};
    TScriptedDialogs Dialogs;
    TSelectRoute SelectRoute{*Map, Bitmaps, World, Dialogs};
    TRouteMap RouteMap;
    TVellView VellView{*Map, Bitmaps, World, Dialogs};

    TGame() { SelectRoute.SetWindows(&RouteMap, &VellView); }

    // Chooses a map file through the open dialog.
    void Choose(const std::string& path) {
        Dialogs.FileChoices.push_back(path);
        SelectRoute.SelectMapClick();
    }
    std::string LastLog() const { return Dialogs.Log.empty() ? "" : Dialogs.Log.back(); }
};

// Records every caption a window takes.
class TCaptionLog : public QObject {
  public:
    explicit TCaptionLog(QWidget* w) : Window(w) { w->installEventFilter(this); }
    ~TCaptionLog() override { Window->removeEventFilter(this); }
    QStringList Captions;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == Window && event->type() == QEvent::WindowTitleChange)
            Captions << Window->windowTitle();
        return false;
    }

  private:
    QWidget* Window;
};

// Answers the modal window as soon as one is up; bounded, and gone with `context`.
using test::WhenModalShows;

// A map saved to `path`: ring A with two stops carries routes 1, 1А and 10; ring B, near the
// map's corner, route 2. Routes are defined in the order 10, 2, 1А, 1.
struct TRoutesMap {
    std::unique_ptr<TMap> Map = NewMap();
    std::vector<int> RingA, RingB;

    explicit TRoutesMap(const std::string& path) {
        RingA = AddRing(*Map, 1000, 1000, 2000, 1600, 4, 150);
        Map->Objects[RingA[1]].SetStopType(1);
        Map->Objects[RingA[6]].SetStopType(3);
        RingB = AddRing(*Map, 100, 100, 700, 500, 2, 60);
        Map->Objects[RingB[0]].SetStopType(2);
        Map->Objects[RingB[5]].SetStopType(3);
        SetRoute(*Map, 0, 1, {RingA[0], RingA[4]}, 3, 20);  // 10
        SetRoute(*Map, 1, 0, {RingB[0], RingB[4]}, 1, 5);   // 2
        SetRoute(*Map, 0, 11, {RingA[2], RingA[6]}, 2, 15); // 1А
        SetRoute(*Map, 0, 0, {RingA[0], RingA[4]}, 2, 10);  // 1
        Save(path);
    }
    void Save(const std::string& path) {
        Map->FileName = path;
        if (!Map->SaveToFile()) throw std::runtime_error("cannot write " + path);
    }
};

} // namespace vell::test
