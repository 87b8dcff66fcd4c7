// Starting a top-view run from the route selection window: waiting for the chosen route's
// first tram or running every planned tram out, the caption while the world runs ahead, Esc,
// runs that cannot succeed, and the world torn down afterwards.
#include "tests/game/GameFixture.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QtTest>

#include <algorithm>

using namespace vell;
using namespace vell::test;

namespace {

// What the top view found when it came up.
struct TOpened {
    bool Shown = false;
    bool Running = false;
    TVell* Player = nullptr;
    TVell* FirstOfRoute = nullptr;
    int Row = -1, Col = -1;
    int InService = 0;
    int VellCount = 0;
    bool AllDispatched = false;
    int HSB = -1, VSB = -1;
    int ExpectedHSB = -2, ExpectedVSB = -2;
};

// Closes the top view as soon as it is up, noting what it shows.
void CloseTopViewWhenUp(TGame& g, TOpened& seen, int row, int col) {
    WhenModalShows(&g.SelectRoute, [&g, &seen, row, col](QWidget* w) {
        seen.Shown = w == &g.VellView;
        seen.Running = g.World.Running();
        seen.Player = g.World.PlayerTram;
        for (int k = 0; k < g.World.VellCount && !seen.FirstOfRoute; ++k)
            if (g.World.VellTable[k]->RouteRow == row && g.World.VellTable[k]->RouteCol == col)
                seen.FirstOfRoute = g.World.VellTable[k].get();
        if (seen.Player) {
            seen.Row = seen.Player->RouteRow;
            seen.Col = seen.Player->RouteCol;
            const TMapObject& rail = g.Map->Objects[seen.Player->Front[0].Obj];
            seen.ExpectedHSB = std::clamp(rail.X2 - 300, 0, 10000);
            seen.ExpectedVSB = std::clamp(rail.Y2 - 300, 0, 10000);
        }
        seen.InService = g.Map->Route(row, col).TramsInService;
        seen.VellCount = g.World.VellCount;
        seen.AllDispatched = true;
        for (const auto& r : g.Map->Routes)
            for (const TRouteRec& route : r)
                if (route.InUse() && route.TramsStarted != route.TramCount)
                    seen.AllDispatched = false;
        seen.HSB = g.VellView.HSB->value();
        seen.VSB = g.VellView.VSB->value();
        w->close();
    });
}

// A ring round the whole map with slow rails: route 1 every 30 minutes runs nine trams, so
// running them all out takes hours of simulated time.
void WriteLongMap(const std::string& path) {
    auto map = NewMap();
    std::vector<int> ring = AddRing(*map, 200, 200, 9800, 9800, 8, 0);
    map->Objects[ring[2]].SetStopType(1);
    SetRoute(*map, 0, 0, {ring[0], ring[12]}, 1, 30);
    map->FileName = path;
    if (!map->SaveToFile()) throw std::runtime_error("cannot write " + path);
}

void SelectRow(TGame& g, int row) {
    g.SelectRoute.RouteTable->setCurrentCell(row, 0);
}

} // namespace

class StartRunTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setAttribute(Qt::AA_DontUseNativeDialogs); }

    void withoutRunningAheadTheViewOpensOnTheChosenRoutesFirstTram() {
        TTempDir dir;
        TRoutesMap source(dir.Path("city.vl"));
        TGame g;
        g.Choose(dir.Path("city.vl"));
        SelectRow(g, 1); // 1А
        g.SelectRoute.show();
        TCaptionLog captions(&g.SelectRoute);
        TOpened seen;
        CloseTopViewWhenUp(g, seen, 0, 11);
        g.SelectRoute.Start->click();

        QVERIFY(seen.Shown);
        QVERIFY(seen.Running);
        QVERIFY(seen.Player);
        QCOMPARE(seen.Player, seen.FirstOfRoute);
        QCOMPARE(seen.Row, 0);
        QCOMPARE(seen.Col, 11);
        QVERIFY(seen.InService >= 1);
        QVERIFY(!seen.AllDispatched); // it did not wait for the other routes
        // Centred on the end of the lead car's rail.
        QCOMPARE(seen.HSB, seen.ExpectedHSB);
        QCOMPARE(seen.VSB, seen.ExpectedVSB);
        QCOMPARE(captions.Captions,
                 (QStringList{"Ожидание появления вагона на маршруте...", "Трамвай"}));
        // The world is gone afterwards.
        QVERIFY(!g.World.Running());
        QCOMPARE(g.World.VellCount, 0);
        QVERIFY(!g.World.PlayerTram);
        QVERIFY(g.Dialogs.Log.size() == 1); // the open dialog only
        QVERIFY(g.SelectRoute.Start->isEnabled());
    }

    void runningAheadPutsEveryPlannedTramOutAndCountsInTheCaption() {
        TTempDir dir;
        TRoutesMap source(dir.Path("city.vl"));
        TGame g;
        g.Choose(dir.Path("city.vl"));
        SelectRow(g, 0); // 1
        g.SelectRoute.DoProcess->setChecked(true);
        g.SelectRoute.show();
        TCaptionLog captions(&g.SelectRoute);
        TOpened seen;
        CloseTopViewWhenUp(g, seen, 0, 0);
        g.SelectRoute.StartClick();

        const int total = g.SelectRoute.TotalTrams;
        QVERIFY(total > 4);
        QVERIFY(seen.Shown);
        QCOMPARE(seen.VellCount, total);
        QVERIFY(seen.AllDispatched);
        QVERIFY(seen.Player);
        QCOMPARE(seen.Player, seen.FirstOfRoute);
        // n/total, counting up to total/total, then the caption comes back.
        QVERIFY(captions.Captions.size() >= 2);
        QCOMPARE(captions.Captions.last(), QString("Трамвай"));
        int previous = -1;
        for (int k = 0; k + 1 < captions.Captions.size(); ++k) {
            const QStringList parts = captions.Captions[k].split('/');
            QCOMPARE(parts.size(), 2);
            QCOMPARE(parts[1].toInt(), total);
            QVERIFY(parts[0].toInt() > previous);
            previous = parts[0].toInt();
        }
        QCOMPARE(previous, total);
        QVERIFY(!g.World.Running());
    }

    void escStopsALongRunAheadAndTheRunDoesNotStart() {
        TTempDir dir;
        WriteLongMap(dir.Path("long.vl"));
        TGame g;
        g.Choose(dir.Path("long.vl"));
        QCOMPARE(g.SelectRoute.TotalTrams, 9);
        SelectRow(g, 0);
        g.SelectRoute.DoProcess->setChecked(true);
        g.SelectRoute.show();
        TCaptionLog captions(&g.SelectRoute);
        bool runningWhenPressed = false, buttonsOffWhenPressed = false, viewShown = false;
        QTimer::singleShot(0, &g.SelectRoute, [&]() {
            runningWhenPressed = g.SelectRoute.RunningAhead();
            buttonsOffWhenPressed =
                !g.SelectRoute.Start->isEnabled() && !g.SelectRoute.SelectMap->isEnabled();
            QTest::keyClick(g.SelectRoute.RouteTable, Qt::Key_Escape);
        });
        WhenModalShows(&g.SelectRoute, [&](QWidget* w) {
            viewShown = true;
            w->close();
        });
        g.SelectRoute.StartClick();

        QVERIFY(runningWhenPressed); // the window answered while the world ran
        QVERIFY(buttonsOffWhenPressed);
        QVERIFY(!viewShown);
        QVERIFY(!g.World.Running());
        QVERIFY(!g.SelectRoute.RunningAhead());
        QVERIFY(g.Dialogs.Log.size() == 1); // no message: the player asked to stop
        QCOMPARE(captions.Captions.last(), QString("Трамвай"));
        QVERIFY(captions.Captions.first().endsWith("/9"));
        QVERIFY(g.SelectRoute.Start->isEnabled());
        QVERIFY(g.SelectRoute.SelectMap->isEnabled());
        QCoreApplication::processEvents(); // the pending modal watcher finds nothing
    }

    void closingTheWindowStopsTheRunAhead() {
        TTempDir dir;
        WriteLongMap(dir.Path("long.vl"));
        TGame g;
        g.Choose(dir.Path("long.vl"));
        SelectRow(g, 0);
        g.SelectRoute.DoProcess->setChecked(true);
        g.SelectRoute.show();
        QTimer::singleShot(0, &g.SelectRoute, [&]() { g.SelectRoute.close(); });
        g.SelectRoute.StartClick();
        QVERIFY(!g.SelectRoute.isVisible());
        QVERIFY(!g.World.Running());
        QVERIFY(!g.Map->NetworkOk); // freed once the world had stopped
        QVERIFY(!g.VellView.isVisible());
    }

    void aRouteThatCannotRunIsListedButNeitherStartedNorWaitedFor() {
        TTempDir dir;
        TRoutesMap source(dir.Path("city.vl"));
        source.Map->Route(0, 0).Cars = 4; // a file may say so; no tram can be built
        SetRoute(*source.Map, 0, 11, {});
        SetRoute(*source.Map, 0, 1, {});
        source.Save(dir.Path("city.vl"));
        TGame g;
        g.Choose(dir.Path("city.vl"));
        QCOMPARE(g.SelectRoute.RouteRowCount(), 2); // 1 and 2
        // Route 1 is measured, plans no trams and shows "-" for its interval and cars.
        QCOMPARE(g.Map->Route(0, 0).TramCount, 0);
        QVERIFY(g.SelectRoute.RouteTable->item(0, 2)->text() != "-");
        QCOMPARE(g.SelectRoute.RouteTable->item(0, 7)->text(), QString("-"));
        QCOMPARE(g.SelectRoute.RouteTable->item(0, 8)->text(), QString("-"));
        QCOMPARE(g.SelectRoute.TotalTrams, g.Map->Route(1, 0).TramCount);
        SelectRow(g, 0);
        QVERIFY(!g.SelectRoute.Start->isEnabled());

        // Running ahead for route 2 puts all its trams out and opens the view.
        bool viewShown = false;
        WhenModalShows(&g.SelectRoute, [&](QWidget* w) {
            viewShown = viewShown || w == &g.VellView;
            w->close();
        });
        SelectRow(g, 1);
        QVERIFY(g.SelectRoute.Start->isEnabled());
        g.SelectRoute.DoProcess->setChecked(true);
        g.SelectRoute.StartClick();
        QVERIFY(viewShown);
        QVERIFY(!g.World.Running());
        QCoreApplication::processEvents();
    }

    void startBeforeAMapWasChosenDoesNothing() {
        TGame g;
        QVERIFY(!g.SelectRoute.Start->isEnabled());
        bool viewShown = false;
        QTimer::singleShot(0, &g.SelectRoute,
                           [&]() { viewShown = QApplication::activeModalWidget() != nullptr; });
        g.SelectRoute.StartClick();
        QVERIFY(!g.World.Running());
        QVERIFY(g.Dialogs.Log.empty());
        QCoreApplication::processEvents();
        QVERIFY(!viewShown);
    }
};

QTEST_MAIN(StartRunTest)
#include "StartRunTest.moc"
