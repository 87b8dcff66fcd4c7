// The editor's route panel, rail check and double-track conversion through the window, and a
// route made entirely with the mouse and buttons, saved, and laid as the game lays it.
#include "model/MapExtras.h"
#include "model/RouteTable.h"
#include "model/RouteWalk.h"
#include "tests/editor/EditorWindowHarness.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>

using namespace vell;

class RoutePanelTest : public vell::test::TEditorWindowHarness {
    Q_OBJECT

    QString Caption() { return Child<QLabel>("CountPoint")->text(); }
    void ShowSlot(int row, int column) {
        Child<QComboBox>("Symbol1")->setCurrentIndex(row);
        Child<QComboBox>("Symbol2")->setCurrentIndex(column);
    }
    int SelectedCount() const {
        int n = 0;
        for (const TMapObject& o : Map->Objects)
            n += o.Selected();
        return n;
    }

  private slots:
    void init() { SetUpWindow(); }
    void cleanup() { TearDownWindow(); }

    void captionFollowsTheSlotWithoutMarkingTheMap() {
        const std::pair<int, const char*> cases[] = {
            {0, "Маршрут не задан"}, {1, "1 точка (маршрут не задан)"},
            {2, "2 точки"},          {5, "5 точек"},
            {21, "21 точка"},        {22, "22 точки"},
            {25, "25 точек"},        {31, "31 точка"}};
        int column = 1;
        for (auto [count, caption] : cases) {
            Map->Route(3, column).WaypointCount = std::int8_t(count);
            Map->Route(3, column).Cars = 3;
            Map->Route(3, column).Interval = 25;
            ShowSlot(3, column++);
            QCOMPARE(Caption(), QString::fromUtf8(caption));
            QCOMPARE(Child<QSlider>("VagonCount")->value(), 3);
            QCOMPARE(Child<QSlider>("RouteInterval")->value(), 25);
            QCOMPARE(Child<QLabel>("VagonCountValue")->text(), QString("3"));
            QCOMPARE(Child<QLabel>("RouteIntervalValue")->text(), QString("25"));
            QVERIFY(!Map->Modified);
        }
        Child<QSlider>("VagonCount")->setValue(2);
        QVERIFY(Map->Modified);
        QCOMPARE(Map->Route(3, column - 1).Cars, 2);
        QCOMPARE(Child<QLabel>("VagonCountValue")->text(), QString("2"));
    }

    // A map whose routes carry the names riders know: the panel shows them, Save As takes them
    // to the new file's side, a route edited loses its name and a save then leaves no file
    // beside the map; a damaged one is passed over with a line in the status line.
    void lineNamesGoWithTheMapThroughSaveAs() {
        const std::vector<int> ring = test::AddRing(*Map, 1000, 1000, 2000, 1600, 3);
        test::SetRoute(*Map, 2, 11, {ring[0], ring[4]});
        test::SetRoute(*Map, 0, 1, {ring[1], ring[5]});
        NameLine(*Map, 2, 11, "3E");
        NameLine(*Map, 0, 1, "10"); // its own slot's name: nothing to add
        Map->FileName = Dir->Path("city.vl");
        QVERIFY(Map->SaveToFile());
        Key(Qt::Key_N, Qt::ControlModifier);
        Dialogs->FileChoices = {Dir->Path("city.vl")};
        Key(Qt::Key_F3);
        QCOMPARE(Map->FileName, Dir->Path("city.vl"));
        ShowSlot(2, 11);
        QCOMPARE(Caption(), QString::fromUtf8("2 точки, линия 3E"));
        QCOMPARE(Child<QLabel>("CountPoint")->toolTip(), Caption());
        ShowSlot(0, 1);
        QCOMPARE(Caption(), QString::fromUtf8("2 точки"));

        Dialogs->FileChoices = {Dir->Path("copy.vl")};
        Key(Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(Map->FileName, Dir->Path("copy.vl"));
        QCOMPARE(test::ReadBytes(Dir->Path("copy.vlx")), test::ReadBytes(Dir->Path("city.vlx")));

        // 3А gets a third waypoint: its name goes, and with 10's the same as its slot's...
        ShowSlot(2, 11);
        Map->ClearMarks();
        Map->Objects[ring[6]].SetSelected(true);
        AltClick(Qt::Key_A, [&] { return Map->Route(2, 11).WaypointCount == 3; });
        QCOMPARE(Caption(), QString::fromUtf8("3 точки"));
        QCOMPARE(LineName(*Map, 2, 11), std::nullopt);
        // ...undone, it is back.
        Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(int(Map->Route(2, 11).WaypointCount), 2);
        QCOMPARE(LineName(*Map, 2, 11), std::optional<std::string>("3E"));
        Key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(LineName(*Map, 2, 11), std::nullopt);
        // Saved, the file beside the copy keeps the one name that still applies, 10's.
        Key(Qt::Key_F2);
        auto read = test::NewMap();
        read->FileName = Dir->Path("copy.vl");
        QVERIFY(read->LoadFromFile());
        QCOMPARE(LineName(*read, 2, 11), std::nullopt);
        QCOMPARE(LineName(*read, 0, 1), std::optional<std::string>("10"));

        test::WriteBytes(Dir->Path("city.vlx"), {'V', 'L', 'X', 'S', 1, 0, 9});
        Dialogs->FileChoices = {Dir->Path("city.vl")};
        Key(Qt::Key_F3);
        QCOMPARE(Map->FileName, Dir->Path("city.vl"));
        const QString status = Window->statusBar()->currentMessage();
        QVERIFY2(status.contains(QString::fromStdString(Dir->Path("city.vlx"))),
                 qPrintable(status));
        QVERIFY(!status.contains('\n'));
        ShowSlot(2, 11);
        QCOMPARE(Caption(), QString::fromUtf8("2 точки"));
    }

    void addsTheLowerSelectedRailAndNoThirtySecond() {
        const int a = test::AddRail(*Map, 5000, 5000, 5100, 5000);
        const int b = test::AddRail(*Map, 5100, 5000, 5200, 5000);
        Map->Objects[b].SetSelected(true);
        Map->Objects[a].SetSelected(true);
        AltClick(Qt::Key_A, [&] { return Map->Route(0, 0).WaypointCount == 1; });
        QCOMPARE(int(Map->Route(0, 0).Waypoints[0]), a);
        QCOMPARE(Caption(), QString::fromUtf8("1 точка (маршрут не задан)"));
        Map->Route(0, 0).WaypointCount = 31;
        Alt(Qt::Key_A);
        QTest::qWait(300);
        QCOMPARE(int(Map->Route(0, 0).WaypointCount), 31);
        QCOMPARE(Caption(), QString::fromUtf8("31 точка"));
        AltClick(Qt::Key_Q, [&] { return Map->Route(0, 0).WaypointCount == 0; });
        QCOMPARE(Caption(), QString::fromUtf8("Маршрут не задан"));
    }

    // A waypoint rail dragged shorter than 10 m vanishes on release and leaves its route:
    // the panel shows it at once.
    void dragThatDeletesAWaypointRailRefreshesThePanel() {
        const int a = test::AddRail(*Map, 5000, 5000, 5100, 5000);
        const int b = test::AddRail(*Map, 5100, 5000, 5200, 5000);
        test::SetRoute(*Map, 0, 0, {a, b});
        ShowSlot(0, 1);
        ShowSlot(0, 0);
        QCOMPARE(Caption(), QString::fromUtf8("2 точки"));
        Window->RedrawAll();
        MoveTo(At(5200, 5000)); // only the second rail ends there
        Press(Qt::RightButton, At(5200, 5000));
        Press(Qt::LeftButton, At(5200, 5000));
        MoveTo(At(5105, 5000));
        Release(Qt::LeftButton, At(5105, 5000));
        QCOMPARE(Map->ObjectCount(), 1);
        QCOMPARE(test::Waypoints(*Map, 0, 0), (std::vector<int>{a}));
        QCOMPARE(Caption(), QString::fromUtf8("1 точка (маршрут не задан)"));
        Release(Qt::RightButton, At(5105, 5000));
    }

    void routeCheckSelectsTheWalkOrNothing() {
        std::vector<int> ring = test::AddRing(*Map, 4900, 4900, 5300, 5200, 2);
        test::SetRoute(*Map, 0, 0, {ring[0]});
        AltClick(Qt::Key_O, [&] { return !Window->statusBar()->currentMessage().isEmpty(); });
        QCOMPARE(SelectedCount(), 0);
        QCOMPARE(Window->statusBar()->currentMessage(),
                 QString::fromUtf8("Маршрут 1 не задан: нужны хотя бы две точки."));
        test::SetRoute(*Map, 0, 0, {ring[0], ring[5]});
        AltClick(Qt::Key_O, [&] { return SelectedCount() > 0; });
        QCOMPARE(SelectedCount(), int(ring.size()));
        QVERIFY(!Map->NetworkOk);
        QCOMPARE(
            Window->statusBar()->currentMessage(),
            QString::fromUtf8("Маршрут 1 замыкается; его рельсы выделены (%1).").arg(ring.size()));
    }

    void railCheckReportsOrScrollsToTheFault() {
        test::AddRing(*Map, 4900, 4900, 5300, 5200);
        AltClick(Qt::Key_P, [&] { return !Dialogs->Log.empty(); });
        QCOMPARE(Dialogs->Log.back(), std::string("message: С рельсами всё в порядке"));
        const int lone = test::AddRail(*Map, 2000, 3000, 2100, 3000);
        AltClick(Qt::Key_P, [&] { return Map->ViewX == 1750; });
        QCOMPARE(Map->ViewY, 2700);
        QVERIFY(Map->Objects[lone].Selected());
        QCOMPARE(Dialogs->Log.size(), std::size_t(1)); // the fault is told without a box
        QCOMPARE(Window->statusBar()->currentMessage(),
                 QString::fromUtf8("Ошибка с рельсами! Неисправных рельсов: 1 (выделены). В "
                                   "центре вида рельс %1: тупик: рельс никуда не ведёт")
                     .arg(lone));
        // Mended: the words of the fault go, the message says the rails are in order.
        Map->ClearMarks();
        Map->Objects[lone].SetSelected(true);
        Child<QPushButton>("DelSel")->click();
        Child<QPushButton>("Check")->click();
        QCOMPARE(Window->statusBar()->currentMessage(), QString());
        QCOMPARE(Dialogs->Log.size(), std::size_t(2));
    }

    // Draw a closed double track with poles, convert it, make a stop, pick two waypoints,
    // check the route, save: the game lays it as a usable route with that stop.
    void routeMadeWithTheMouseIsLaidByTheGame() {
        const QPoint corners[] = {{4950, 4900}, {5150, 4900}, {5250, 5000}, {5250, 5200},
                                  {5150, 5300}, {4950, 5300}, {4850, 5200}, {4850, 5000}};
        for (int k = 0; k < 8; ++k) {
            const QPoint a = corners[k], b = corners[(k + 1) % 8];
            Draw(DoubleTrackPoles, a.x(), a.y(), b.x(), b.y());
        }
        QCOMPARE(Map->ObjectCount(), 8);
        AltClick(Qt::Key_W, [&] { return Map->Objects[0].Kind() != DoubleTrackPoles; });
        int rails = 0;
        for (const TMapObject& o : Map->Objects)
            rails += o.IsRail();
        QCOMPARE(rails, 16);

        // The eastbound rail of the top side (right of the drawn line) becomes a stop.
        Stroke(Qt::RightButton, {At(5050, 4902)});
        QCOMPARE(SelectedCount(), 1);
        AltClick(Qt::Key_E, [&] {
            for (const TMapObject& o : Map->Objects)
                if (o.Selected()) return o.StopType() == 2;
            return false;
        });
        AltClick(Qt::Key_A, [&] { return Map->Route(0, 0).WaypointCount == 1; });
        AltClick(Qt::Key_S, [&] { return SelectedCount() == 0; });
        Stroke(Qt::RightButton, {At(5050, 5298)}); // the westbound rail of the bottom side
        QCOMPARE(SelectedCount(), 1);
        AltClick(Qt::Key_A, [&] { return Map->Route(0, 0).WaypointCount == 2; });
        AltClick(Qt::Key_O, [&] { return SelectedCount() == 8; }); // one way round
        AltClick(Qt::Key_S, [&] { return SelectedCount() == 0; });

        const std::string file = Dir->Path("drawn.vl");
        Dialogs->FileChoices = {file};
        Key(Qt::Key_A, Qt::ControlModifier);
        QTRY_VERIFY(!Map->Modified);

        auto game = test::NewMap();
        game->FileName = file;
        QVERIFY(game->LoadFromFile());
        const TMapSelection selection = SelectMap(*game);
        QCOMPARE(selection.NetworkResult, -1);
        QCOMPARE(int(selection.Rows.size()), 1);
        const TRouteFigures& f = selection.Rows[0].Figures;
        QVERIFY(f.Usable);
        QCOMPARE(f.Stops, 1);
        QVERIFY2(f.LengthM > 1300 && f.LengthM < 1366,
                 qPrintable(QString::number(f.LengthM))); // inside the drawn line
        QCOMPARE(game->Route(0, 0).TramCount, 1);
        QStringList cells;
        for (const std::string& c : RouteTableCells(selection.Rows[0], game->Route(0, 0)))
            cells << QString::fromStdString(c);
        qInfo("route table row: %s", qPrintable(cells.join(" | ")));
    }
};

QTEST_MAIN(RoutePanelTest)
#include "RoutePanelTest.moc"
