// The route window's side of shifts: the setting beside the route, a finished shift kept among
// the best shifts after the game, and "Лучшие смены..." listing it for its map with a line for
// each entry passed over.
#include "cab/View3D.h"
#include "game/BestShiftsWindow.h"
#include "tests/game/GameFixture.h"
#include "tests/sim/StandingShift.h"
#include "ui/QtUserDialogs.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include <filesystem>

using namespace vell;
using namespace vell::test;

namespace {

const std::string RingMap = std::string(VELL_MAPS_DIR) + "/ring.vl";

int FilesEnding(const QString& folder, const char* suffix) {
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder.toStdString()))
        n += e.path().extension() == suffix;
    return n;
}

} // namespace

class BestShiftsTest : public QObject {
    Q_OBJECT

    TTempDir Data;

  private slots:
    void initTestCase() {
        QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(Data.Path("data")));
    }

    void theSettingOffersOpenCircuitsAndMinutesAndKeepsTheChoice() {
        TGame g;
        QComboBox* setting = g.SelectRoute.ShiftSetting;
        QCOMPARE(setting->count(), 1 + 5 + 8);
        QCOMPARE(g.SelectRoute.ChosenShift(), TShift{}); // open, as games were
        const std::pair<int, const char*> texts[] = {
            {0, "без конца"}, {1, "1 круг"}, {3, "3 круга"}, {5, "5 кругов"}, {13, "240 минут"}};
        for (const auto& [i, text] : texts)
            QCOMPARE(setting->itemText(i), QString(text));
        for (const TShift& shift : OfferedShifts())
            QVERIFY(shift.Valid());
        setting->setCurrentIndex(6);
        g.Choose(RingMap); // another map keeps the choice
        QCOMPARE(g.SelectRoute.ChosenShift(), (TShift{TShiftKind::Minutes, 15}));
    }

    void aFinishedShiftIsKeptAndListedForItsMap() {
        const QString folder = BestShiftsFolder();
        TGame g;
        QVERIFY(!g.SelectRoute.BestShifts->isEnabled()); // no map yet
        g.Choose(RingMap);
        const TStandingShift driven;
        const TShiftOutcome outcome{driven.Score().Evaluation(), driven.Recorded()};
        // A shift that is no best shift (one never started) leaves nothing.
        QVERIFY(!g.SelectRoute.KeepBestShift(TShiftScore{}, outcome));
        QCOMPARE(FilesEnding(folder, ".vlbest"), 0);
        QVERIFY(g.SelectRoute.KeepBestShift(driven.Score(), outcome));
        QCOMPARE(FilesEnding(folder, ".vlbest"), 1);
        QCOMPARE(FilesEnding(folder, ".vlrec"), 1);
        QCOMPARE(g.Dialogs.Log.size(), std::size_t(1)); // the map's dialog; no error
        // A file of the folder that is no entry of ours costs one line in the window.
        WriteBytes((folder + "/stray.vlbest").toStdString(), {'n', 'o'});

        QStringList row, skipped;
        bool emptyShown = true, watchEnabled = true;
        auto watch = WhenModalShows(&g.SelectRoute, [&](QWidget* w) {
            auto* window = qobject_cast<TBestShiftsWindow*>(w);
            if (!window) return;
            for (int c = 0; c < window->Table->columnCount(); ++c)
                row << (window->Table->item(0, c) ? window->Table->item(0, c)->text() : "");
            row << QString::number(window->Table->rowCount());
            skipped = window->Skipped->text().split('\n');
            emptyShown = window->Empty->isVisible();
            watchEnabled = window->Watch->isEnabled();
            window->Close->click();
        });
        g.SelectRoute.BestShifts->click();
        QVERIFY(watch->Shown);
        const TEvaluation e = outcome.Evaluation;
        QCOMPARE(row.size(), 6 + 4 + 1);
        QCOMPARE(row[0], QString("1"));
        QCOMPARE(row[1], QString::fromStdString(LineDisplayName(*g.Map, e.RouteRow, e.RouteCol)));
        QCOMPARE(row[2], QString("15 минут"));
        QCOMPARE(row[4], QString::number(e.Total, 'f', 1));
        QCOMPARE(row.last(), QString("1"));
        QVERIFY(!emptyShown);
        QVERIFY(!watchEnabled); // no cab in this window's game
        QCOMPARE(skipped.size(), 1);
        QVERIFY(skipped[0].contains("stray.vlbest"));
    }
};

QTEST_MAIN(BestShiftsTest)

#include "BestShiftsTest.moc"
