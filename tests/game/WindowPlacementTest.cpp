// The game's windows on the screen they open on, in both languages: each opens at its designed
// place where it fits there whole, and centred where it does not; the route window narrows its
// table to fit a narrow screen. ctest runs it on a 1280x1024 screen, a 1024x768 one, and a
// 1280x1024 one at a scaling factor of 2 (640x512 for the windows), each named in
// VELL_TEST_SCREEN. The diagram window's size is the top view test's, also run on 1024x768.
#include "tests/game/GameFixture.h"

#include "game/WindowFit.h"
#include "ui/PaintBox.h"
#include "ui/QtApplication.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QtTest>

#include <optional>

using namespace vell;
using namespace vell::test;

namespace {

QRect Screen() {
    return QGuiApplication::primaryScreen()->availableGeometry();
}

// What is wrong with where a window opened, or nothing: at `designed` when its frame fits the
// screen there; else wholly on the screen and centred (to within the few pixels of a frame
// that was not known when it was placed); a window larger than the screen keeps its top-left
// corner, its title bar, on it.
QString PlacementFault(const QWidget& w, std::optional<QPoint> designed) {
    const QRect frame = w.frameGeometry(), screen = Screen();
    const QString where = QStringLiteral(" (%1,%2 %3x%4)")
                              .arg(frame.x())
                              .arg(frame.y())
                              .arg(frame.width())
                              .arg(frame.height());
    if (designed && screen.contains(QRect(*designed, frame.size())))
        return frame.topLeft() == *designed ? QString() : "not at its designed place" + where;
    if (frame.width() > screen.width() || frame.height() > screen.height())
        return screen.contains(frame.topLeft()) ? QString() : "title bar off the screen" + where;
    if (!screen.contains(frame)) return "partly off the screen" + where;
    const QPoint offCentre = frame.center() - screen.center();
    return std::abs(offCentre.x()) <= 4 && std::abs(offCentre.y()) <= 4 ? QString()
                                                                        : "not centred" + where;
}

} // namespace

class WindowPlacementTest : public QObject {
    Q_OBJECT
    std::unique_ptr<TProgramLanguage> Language;

  private slots:
    void initTestCase() {
        QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        // The screen ctest meant, so that a configuration that did not take fails here.
        const QStringList size = QString::fromUtf8(qgetenv("VELL_TEST_SCREEN")).split('x');
        if (size.size() == 2) QCOMPARE(Screen().size(), QSize(size[0].toInt(), size[1].toInt()));
    }
    void init() {
        QFETCH_GLOBAL(bool, english);
        Language =
            std::make_unique<TProgramLanguage>(english ? TLanguage::English : TLanguage::Russian);
        Language->Install();
    }
    void cleanup() { Language.reset(); }
    void initTestCase_data() {
        QTest::addColumn<bool>("english");
        QTest::newRow("ru") << false;
        QTest::newRow("en") << true;
    }

    // At its designed place where the screen holds it; on a narrow screen its route table
    // narrows, and scrolls, so that the overview and every button stay on the screen whole.
    void routeWindow() {
        TTempDir dir;
        TRoutesMap source(dir.Path("city.vl"));
        TGame g;
        TSelectRoute& w = g.SelectRoute;
        w.show();
        g.Choose(dir.Path("city.vl"));
        QVERIFY2(PlacementFault(w, QPoint(164, 185)).isEmpty(),
                 qPrintable(PlacementFault(w, QPoint(164, 185))));
        const QStringList faults = LayoutFaults(&w);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join("; ")));
        const bool room = Screen().width() >= SelectRouteWidth + AssumedFrameWidth;
        QCOMPARE(w.RouteTable->width() == RouteTableWidth, room);
        QCOMPARE(w.width() == SelectRouteWidth, room);
        QCOMPARE(w.MapPB->x() + w.MapPB->width() + 2, w.width()); // the column keeps its edge
        if (!room) {
            QVERIFY(w.RouteTable->width() >= LeastRouteTableWidth);
            QVERIFY(w.RouteTable->horizontalScrollBar()->maximum() > 0);
        }
    }

    void routeMapWindow() {
        TGame g;
        g.RouteMap.show();
        QVERIFY2(PlacementFault(g.RouteMap, QPoint(193, 51)).isEmpty(),
                 qPrintable(PlacementFault(g.RouteMap, QPoint(193, 51))));
    }

    void topView() {
        TGame g;
        g.VellView.show();
        g.VellView.Timer->stop();
        QVERIFY2(PlacementFault(g.VellView, QPoint(112, 53)).isEmpty(),
                 qPrintable(PlacementFault(g.VellView, QPoint(112, 53))));
        g.VellView.hide();
    }
};

QTEST_MAIN(WindowPlacementTest)
#include "WindowPlacementTest.moc"
