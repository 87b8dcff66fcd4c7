// The shift chosen beside the route reaches the game (run under Xvfb for the cab's OpenGL): a
// circuits shift starts scored with the player driving, an open one on the autopilot as ever; a
// shift left before its end is no best shift; "Смотреть" plays a best shift in the cab.
#include "cab/View3D.h"
#include "game/BestShiftsWindow.h"
#include "tests/cab/EvaluationWatch.h"
#include "tests/game/CabGame.h"
#include "tests/sim/StandingShift.h"
#include "ui/QtUserDialogs.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

using namespace vell;
using namespace vell::test;

namespace {

struct TSeen {
    bool Shown = false, Started = false, Autopilot = true;
    TShift Shift;
};

// Starts a game on route 1 with the setting at `index`; what the cab had when it opened.
TSeen StartWith(TCabGame& g, int index) {
    g.SelectRoute.ShiftSetting->setCurrentIndex(index);
    g.SelectRoute.RouteTable->setCurrentCell(0, 0); // 1
    TSeen seen;
    WhenModalShows(&g.View, [&](QWidget*) {
        seen = {true, g.View.Score.Started(), g.View.N6->isChecked(), g.View.Score.Shift()};
        for (int k = 0; k < 10; ++k)
            g.View.TimerTimer();
        // A circuits shift left is evaluated first; an open one that saw nothing is not.
        if (seen.Shift.Kind != TShiftKind::Open) WhenEvaluationShows();
        g.View.close();
    });
    g.SelectRoute.StartGameClick();
    return seen;
}

} // namespace

class ShiftStartTest : public QObject {
    Q_OBJECT

    TTempDir Data;

  private slots:
    void initTestCase() {
        QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(Data.Path("data")));
    }

    void theChosenShiftStartsInTheCab() {
        TTempDir dir;
        TRoutesMap source(dir.Path("city.vl"));
        TCabGame g(20240601);
        g.Choose(dir.Path("city.vl"));

        const TSeen circuits = StartWith(g, 2);
        QVERIFY(circuits.Shown);
        QVERIFY(circuits.Started);
        QCOMPARE(circuits.Shift, (TShift{TShiftKind::Circuits, 2}));
        QVERIFY(!circuits.Autopilot); // the player drives from the first moment

        const TSeen open = StartWith(g, 0);
        QVERIFY(open.Shown);
        QCOMPARE(open.Shift, TShift{});
        QVERIFY(open.Autopilot);

        // Both were left before their end: neither is a best shift.
        QVERIFY(QDir(BestShiftsFolder()).entryList(QDir::Files).isEmpty());
        QCOMPARE(g.Dialogs.Log.size(), std::size_t(1)); // the map's dialog; no error
        QVERIFY(!g.View.ShiftOutcome);
    }

    void aBestShiftPlaysInTheCab() {
        const TStandingShift driven;
        TCabGame g(7);
        g.Choose(std::string(VELL_MAPS_DIR) + "/ring.vl");
        QVERIFY(g.SelectRoute.KeepBestShift(driven.Score(),
                                            {driven.Score().Evaluation(), driven.Recorded()}));
        long long endStep = -1;
        bool watching = false;
        WhenModalShows(&g.SelectRoute, [&](QWidget* w) {
            auto* window = qobject_cast<TBestShiftsWindow*>(w);
            if (!window || !window->Watch->isEnabled()) return;
            WhenModalShows(&g.View, [&](QWidget*) {
                watching = g.View.Watching != nullptr;
                g.View.SpeedItems[10]->trigger();
                for (int k = 0; k < 40 && g.View.Run.Steps < driven.Drive.Run.Steps; ++k)
                    g.View.TimerTimer();
                endStep = g.View.Run.Steps;
                g.View.close();
            });
            window->Watch->click();
        });
        g.SelectRoute.BestShifts->click();
        QVERIFY(watching);
        QCOMPARE(endStep, driven.Drive.Run.Steps); // played to the shift's end
        QVERIFY(g.SelectRoute.isVisible());
    }
};

int main(int argc, char** argv) {
    SetCabSurfaceFormat(); // before the application, as the game does
    QApplication app(argc, argv);
    ShiftStartTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ShiftStartTest.moc"
