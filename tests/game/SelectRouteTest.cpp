// The route selection window: its form, choosing a map, the route table, the overview, the
// scheme picture and the start-up with a map named on the command line.
#include "tests/game/GameFixture.h"

#include "cab/View3D.h"
#include "game/FloatingPoint.h"
#include "model/Geometry.h"
#include "model/MapFlows.h"
#include "model/Network.h"
#include "model/Units.h"
#include "model/draw/Palette.h"
#include "model/draw/PlanView.h"
#include "model/draw/Scheme.h"
#include "ui/PaintBox.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include <cfenv>
#include <cmath>
#include <filesystem>
#include <map>

using namespace vell;
using namespace vell::test;

namespace {

QString Cell(const QTableWidget* t, int row, int column) {
    const QTableWidgetItem* item = t->item(row, column);
    return item ? item->text() : QString();
}

QStringList RowTexts(const QTableWidget* t, int row) {
    QStringList texts;
    for (int c = 0; c < t->columnCount(); ++c)
        texts << Cell(t, row, c);
    return texts;
}

QStringList Headers(const QTableWidget* t) {
    QStringList texts;
    for (int c = 0; c < t->columnCount(); ++c)
        texts << (t->horizontalHeaderItem(c) ? t->horizontalHeaderItem(c)->text() : QString());
    return texts;
}

QString Round(double v) {
    return QString::number(RoundHalfEven(v));
}

// The cells a route over `rails` must show, worked out from the rails themselves: their stops,
// lengths and scheduled running times. The line is the slot's name as people write it unless the
// map names it.
QStringList ExpectedCells(const TMap& map, const QString& name, const std::vector<int>& rails,
                          int interval, int cars, const QString& line = {}) {
    double length = 0, time = 0;
    int stops = 0;
    for (int r : rails) {
        length += Length(map.Objects[r]);
        time += SegmentTime(map, r);
        stops += map.Objects[r].IsStop() ? 1 : 0;
    }
    const double runTime = double(RoundHalfEven(time));
    return {name,
            line.isEmpty() ? name.trimmed() : line,
            QString::number(stops),
            Round(length),
            Round(length / stops),
            Round(runTime / TicksPerMinute),
            Round(length / runTime * TicksPerSecond * 3.6),
            QString::number(interval),
            QString::number(cars)};
}

int ExpectedTrams(const TMap& map, const std::vector<int>& rails, int interval) {
    double time = 0;
    for (int r : rails)
        time += SegmentTime(map, r);
    const auto n = RoundHalfEven(double(RoundHalfEven(time)) / TicksPerMinute / interval);
    return n == 0 ? 1 : int(n);
}

std::uint32_t OverviewPixel(const TMapBitmaps& b, const TMap& map, int rail) {
    const TMapObject& o = map.Objects[rail];
    return PixelColor(b.OverviewBitmap.pixel(OverviewPosition((o.X1 + o.X2) / 2),
                                             OverviewPosition((o.Y1 + o.Y2) / 2)));
}

} // namespace

class SelectRouteTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setAttribute(Qt::AA_DontUseNativeDialogs); }

    void formAsDesigned() {
        TGame g;
        TSelectRoute& w = g.SelectRoute;
        QCOMPARE(w.windowTitle(), QString("Трамвай"));
        QCOMPARE(w.minimumSize(), QSize(792, 417));
        QCOMPARE(w.maximumSize(), QSize(792, 417));
        QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(w.MapPB->size(), QSize(200, 200)); // the overview, a pixel for 50 m
        w.show();
        const QStringList faults = LayoutFaults(&w);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join("; ")));
        // Captions with their accelerators.
        const std::pair<QAbstractButton*, const char*> captions[] = {
            {w.SelectMap, "Выбрать карту... (&O)"},   {w.Button1, "Сохранить схему линий (&S)"},
            {w.DoProcess, "Прогонять перед стартом"}, {w.Start, "Вид сверху (&V)"},
            {w.StartGame, "Начать игру (&G)"},        {w.Button2, "Выход (&Q)"}};
        for (const auto& [button, caption] : captions)
            QCOMPARE(button->text(), QString(caption));
        QCOMPARE(QKeySequence::mnemonic(w.SelectMap->text()), QKeySequence(Qt::ALT | Qt::Key_O));
        QCOMPARE(QKeySequence::mnemonic(w.Start->text()), QKeySequence(Qt::ALT | Qt::Key_V));
        QVERIFY(!w.DoProcess->isChecked());
        // Before a map is chosen: nine empty columns and one empty row; nothing can start.
        QCOMPARE(w.RouteTable->columnCount(), 9);
        QCOMPARE(w.RouteTable->rowCount(), 1);
        QCOMPARE(Headers(w.RouteTable), QStringList(9, QString()));
        const int widths[] = {24, 48, 60, 60, 70, 70, 80, 80, 50};
        for (int c = 0; c < 9; ++c)
            QCOMPARE(w.RouteTable->columnWidth(c), widths[c]);
        QCOMPARE(w.RouteTable->selectionBehavior(), QAbstractItemView::SelectRows);
        QVERIFY(w.RouteTable->horizontalHeader()->sectionsMovable());
        QVERIFY(!w.Start->isEnabled());
        QVERIFY(!w.StartGame->isEnabled());
        QVERIFY(w.SelectMap->isEnabled());
        QCOMPARE(g.RouteMap.windowTitle(), QString("Карта"));
        QCOMPARE(g.RouteMap.Image->size(), QSize(600, 600));
        QCOMPARE(g.RouteMap.minimumSize(), g.RouteMap.maximumSize());
        QCOMPARE(g.RouteMap.width(), 600);
        QVERIFY(g.RouteMap.SavedTo->y() >= 600); // the file's name, below the picture
    }

    void choosingAMapListsItsRoutesInTableOrder() {
        TTempDir dir;
        TRoutesMap source(dir.Path("city.vl"));
        TGame g;
        TCaptionLog captions(&g.SelectRoute);
        g.Choose(dir.Path("city.vl"));

        QCOMPARE(g.Dialogs.Log, std::vector<std::string>{"open dialog with extracts"});
        QCOMPARE(captions.Captions,
                 (QStringList{"Составление карты путей...", "Прокладка маршрутов...", "Трамвай"}));
        const QTableWidget* t = g.SelectRoute.RouteTable;
        QCOMPARE(Headers(t),
                 (QStringList{"№", "Линия", "Остановок", "Длина (м)", "Ср. перегон", "Время(мин)",
                              "Ср. скорость", "Интервал (мин)", "Вагонов"}));
        // The designed widths, widened only where the font needs it to show a header whole;
        // the columns still fit the table.
        const int widths[] = {24, 48, 60, 60, 70, 70, 80, 80, 50};
        const QFontMetrics metrics(t->horizontalHeader()->font());
        int total = 0;
        for (int c = 0; c < 9; ++c) {
            QVERIFY(t->columnWidth(c) >= widths[c]);
            QVERIFY(t->columnWidth(c) >= metrics.horizontalAdvance(Headers(t)[c]));
            if (t->columnWidth(c) > widths[c])
                QCOMPARE(t->columnWidth(c), metrics.horizontalAdvance(Headers(t)[c]) + 4);
            total += t->columnWidth(c);
        }
        QVERIFY(total <= t->viewport()->width());
        QCOMPARE(t->rowCount(), 4); // the empty bottom row is gone
        QCOMPARE(g.SelectRoute.RouteRowCount(), 4);
        const TMap& map = *g.Map;
        QVERIFY(map.NetworkOk);
        // Route 1А starts at the third rail of ring A: its circuit is the same ring.
        QCOMPARE(RowTexts(t, 0), ExpectedCells(map, "1 ", source.RingA, 10, 2));
        QCOMPARE(RowTexts(t, 1), ExpectedCells(map, "1А", source.RingA, 15, 2));
        QCOMPARE(RowTexts(t, 2), ExpectedCells(map, "2 ", source.RingB, 5, 1));
        QCOMPARE(RowTexts(t, 3), ExpectedCells(map, "10", source.RingA, 20, 3));
        QCOMPARE(g.SelectRoute.TotalTrams,
                 ExpectedTrams(map, source.RingA, 10) + ExpectedTrams(map, source.RingA, 15) +
                     ExpectedTrams(map, source.RingB, 5) + ExpectedTrams(map, source.RingA, 20));
        QCOMPARE(map.ViewX, -1000);
        QCOMPARE(map.ViewY, -1000);
        QVERIFY(g.SelectRoute.MapReady());
        // No row chosen yet: nothing to start.
        QCOMPARE(g.SelectRoute.SelectedGridRow, 0);
        QVERIFY(!g.SelectRoute.Start->isEnabled());
        QCOMPARE(g.SelectRoute.windowTitle(), QString("Трамвай"));
    }

    void theLineColumnShowsTheNamesRidersKnow() {
        TTempDir dir;
        TRoutesMap source(dir.Path("city.vl"));
        NameLine(*source.Map, 0, 1, "M10");
        NameLine(*source.Map, 0, 11, "Hauptbahnhof — Zoologischer Garten");
        source.Save(dir.Path("city.vl"));
        TGame g;
        g.Choose(dir.Path("city.vl"));
        const QTableWidget* t = g.SelectRoute.RouteTable;
        const TMap& map = *g.Map;
        // The slot column stays; the line is the name, its tool tip the name whole; a slot
        // the map does not name shows its own name.
        QCOMPARE(RowTexts(t, 0), ExpectedCells(map, "1 ", source.RingA, 10, 2));
        QCOMPARE(RowTexts(t, 1),
                 ExpectedCells(map, "1А", source.RingA, 15, 2, "Hauptbahnhof — Zoologisc"));
        QCOMPARE(RowTexts(t, 3), ExpectedCells(map, "10", source.RingA, 20, 3, "M10"));
        QCOMPARE(t->item(1, 1)->toolTip(), QString("Hauptbahnhof — Zoologisc"));
        QCOMPARE(t->item(3, 1)->toolTip(), QString("M10"));
        // The row still starts its own slot's route.
        g.SelectRoute.RouteTable->setCurrentCell(3, 1);
        QCOMPARE(int(g.SelectRoute.SelectedRouteRow), 0);
        QCOMPARE(int(g.SelectRoute.SelectedRouteCol), 1);

        // The route 10 edited in the editor and saved without the names: its name is gone.
        auto edited = NewMap();
        edited->FileName = dir.Path("city.vl");
        QVERIFY(edited->LoadFromFile());
        SetRoute(*edited, 0, 1, {source.RingA[0], source.RingA[5]}, 3, 20);
        QVERIFY(edited->SaveToFile());
        g.Choose(dir.Path("city.vl"));
        QCOMPARE(Cell(t, 1, 1), QString("Hauptbahnhof — Zoologisc"));
        QCOMPARE(Cell(t, 3, 0), QString("10"));
        QCOMPARE(Cell(t, 3, 1), QString("10"));
    }

    void mapWithRailErrorsShowsTheMessageAndHeadersOnly() {
        TTempDir dir;
        TRoutesMap source(dir.Path("broken.vl"));
        AddRail(*source.Map, 5000, 5000, 5100, 5000); // leads nowhere
        source.Save(dir.Path("broken.vl"));
        TGame g;
        g.Choose(dir.Path("broken.vl"));
        QCOMPARE(g.LastLog(),
                 std::string("message: Ошибка с рельсами!\r\nПроверьте карту в редакторе"));
        const QTableWidget* t = g.SelectRoute.RouteTable;
        QCOMPARE(Headers(t).first(), QString("№"));
        QCOMPARE(t->rowCount(), 1);
        QCOMPARE(RowTexts(t, 0), QStringList(9, QString()));
        QCOMPARE(g.SelectRoute.RouteRowCount(), 0);
        QCOMPARE(g.SelectRoute.TotalTrams, 0);
        QVERIFY(!g.SelectRoute.MapReady());
        QCOMPARE(g.SelectRoute.windowTitle(), QString("Трамвай"));
        // Selecting the empty row starts nothing.
        g.SelectRoute.RouteTable->setCurrentCell(0, 0);
        QVERIFY(!g.SelectRoute.Start->isEnabled());
    }

    void mapWithoutRoutesShowsOneEmptyRow() {
        TTempDir dir;
        auto map = NewMap();
        AddRing(*map, 1000, 1000, 2000, 1600);
        map->FileName = dir.Path("empty.vl");
        QVERIFY(map->SaveToFile());
        TGame g;
        g.Choose(dir.Path("empty.vl"));
        QCOMPARE(g.SelectRoute.RouteTable->rowCount(), 1);
        QCOMPARE(g.SelectRoute.RouteRowCount(), 0);
        QVERIFY(g.SelectRoute.MapReady());
        QCOMPARE(Headers(g.SelectRoute.RouteTable).last(), QString("Вагонов"));
    }

    void cancelledOrFailedOpenLeavesEverythingAsItWas() {
        TTempDir dir;
        TRoutesMap source(dir.Path("city.vl"));
        TGame g;
        g.Choose(dir.Path("city.vl"));
        g.SelectRoute.RouteTable->setCurrentCell(2, 0);
        const QStringList before = RowTexts(g.SelectRoute.RouteTable, 2);

        g.Dialogs.FileChoices.push_back(std::nullopt); // cancelled
        g.SelectRoute.SelectMapClick();
        g.Choose(dir.Path("missing.vl"));
        QCOMPARE(g.LastLog(), std::string("error: ") + OpenErrorText + "\nФайл не найден.");
        QCOMPARE(g.Map->FileName, dir.Path("city.vl"));
        QCOMPARE(g.SelectRoute.RouteTable->rowCount(), 4);
        QCOMPARE(RowTexts(g.SelectRoute.RouteTable, 2), before);
        QCOMPARE(g.SelectRoute.SelectedGridRow, 3);
        QVERIFY(g.SelectRoute.Start->isEnabled());
    }

    void selectingARowHighlightsItsRouteOnTheOverview() {
        TTempDir dir;
        TRoutesMap source(dir.Path("city.vl"));
        TGame g;
        g.Choose(dir.Path("city.vl"));
        TSelectRoute& w = g.SelectRoute;

        w.RouteTable->setCurrentCell(2, 3); // route 2, any column: the whole row
        QCOMPARE(w.SelectedGridRow, 3);
        QCOMPARE(int(w.SelectedRouteRow), 1);
        QCOMPARE(int(w.SelectedRouteCol), 0);
        for (int rail : source.RingB)
            QCOMPARE(OverviewPixel(g.Bitmaps, *g.Map, rail), Colors::Red);
        for (int rail : source.RingA)
            QCOMPARE(OverviewPixel(g.Bitmaps, *g.Map, rail), Colors::White);
        // The paint box shows the overview.
        const QImage shown = w.MapPB->grab().toImage();
        const TMapObject& b0 = g.Map->Objects[source.RingB[0]];
        QCOMPARE(
            PixelColor(shown.pixel(OverviewPosition((b0.X1 + b0.X2) / 2), OverviewPosition(b0.Y1))),
            Colors::Red);
        QVERIFY(w.Start->isEnabled());
        QVERIFY(!w.StartGame->isEnabled()); // no cab view here

        w.RouteTable->setCurrentCell(1, 0); // 1А
        QCOMPARE(int(w.SelectedRouteCol), 11);
        for (int rail : source.RingA)
            QCOMPARE(OverviewPixel(g.Bitmaps, *g.Map, rail), Colors::Red);
        for (int rail : source.RingB)
            QCOMPARE(OverviewPixel(g.Bitmaps, *g.Map, rail), Colors::White);
    }

    void routeNamesAreReadAsTheTableWritesThem() {
        const std::tuple<QString, int, int> cases[] = {
            {"1 ", 0, 0}, {"10", 0, 1}, {"19", 0, 10}, {"1А", 0, 11}, {"9Б", 8, 12},
            {"50", 4, 1}, {"№", 0, 0},  {"", 0, 0},    {"1", 0, 0},   {"X5", 0, 6}};
        for (const auto& [name, row, col] : cases)
            QCOMPARE(ParseRouteName(name), std::make_pair(row, col));
    }

    void onlyARouteThatCanRunCanBeStarted() {
        TTempDir dir;
        TRoutesMap source(dir.Path("city.vl"));
        // Route 3 names a wall as its second waypoint: it cannot be laid.
        const int wall = AddObject(*source.Map, Wall, 3000, 3000, 3050, 3000);
        SetRoute(*source.Map, 2, 0, {source.RingA[0], wall});
        source.Save(dir.Path("city.vl"));
        TGame g;
        g.Choose(dir.Path("city.vl"));
        TSelectRoute& w = g.SelectRoute;
        QCOMPARE(w.RouteTable->rowCount(), 5);
        QCOMPARE(RowTexts(w.RouteTable, 3),
                 (QStringList{"3 ", "3", "-", "-", "-", "-", "-", "10", "1"}));
        w.RouteTable->setCurrentCell(3, 0);
        QVERIFY(!w.Start->isEnabled());
        w.RouteTable->setCurrentCell(0, 0);
        QVERIFY(w.Start->isEnabled());
        QVERIFY(!w.StartGame->isEnabled()); // this window has no cab view
        // Choosing another map forgets the row chosen in the old table.
        g.Choose(dir.Path("city.vl"));
        QCOMPARE(w.SelectedGridRow, 0);
        QVERIFY(!w.Start->isEnabled());
    }

    void mapNamedOnTheCommandLineIsSelectedAtStartUp() {
        TTempDir dir;
        TRoutesMap source(dir.Path("city.vl"));
        {
            TGame g;
            g.Map->Create(dir.Path("city").c_str()); // ".vl" is added
            g.SelectRoute.SelectMapAtStartUp(true);
            QVERIFY(g.Dialogs.Log.empty());
            QCOMPARE(g.SelectRoute.RouteRowCount(), 4);
            QCOMPARE(Cell(g.SelectRoute.RouteTable, 3, 0), QString("10"));
            QVERIFY(g.SelectRoute.MapReady());
        }
        {
            TGame g;
            g.Map->Create(dir.Path("nowhere.vl").c_str());
            g.SelectRoute.SelectMapAtStartUp(true);
            QCOMPARE(g.Dialogs.Log, std::vector<std::string>{std::string("error: ") +
                                                             OpenErrorText + "\nФайл не найден."});
            QCOMPARE(Headers(g.SelectRoute.RouteTable), QStringList(9, QString()));
            QVERIFY(!g.SelectRoute.MapReady());
        }
        {
            TGame g; // no argument: the designed empty start
            g.Map->Create(nullptr);
            g.SelectRoute.SelectMapAtStartUp(false);
            QVERIFY(g.Dialogs.Log.empty());
            QCOMPARE(g.SelectRoute.RouteTable->rowCount(), 1);
            QCOMPARE(Headers(g.SelectRoute.RouteTable), QStringList(9, QString()));
        }
    }

    void schemeIsSavedAndShownInKarta() {
        TTempDir dir;
        TRoutesMap source(dir.Path("city.vl"));
        TGame g;
        g.Choose(dir.Path("city.vl"));
        QString title;
        QSize picture;
        WhenModalShows(&g.SelectRoute, [&](QWidget* w) {
            title = w->windowTitle();
            picture = g.RouteMap.Image->pixmap().size();
            w->close();
        });
        g.SelectRoute.Button1->click();
        QCOMPARE(title, QString("Карта"));
        QCOMPARE(picture, QSize(600, 600));
        QVERIFY(std::filesystem::file_size(dir.Path("city.bmp")) > 600 * 600);
        QCOMPARE(g.Dialogs.Log.size(), std::size_t(1)); // only the open dialog

        // The small network is shown enlarged by a whole factor, pixel for pixel the file's.
        const QImage saved = QImage(QString::fromStdString(dir.Path("city.bmp")))
                                 .convertToFormat(QImage::Format_RGB32);
        const QImage zoomed =
            g.RouteMap.Image->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
        std::map<QRgb, int> counts;
        for (int y = 2; y < saved.height() - 2; ++y)
            for (int x = 2; x < saved.width() - 2; ++x)
                ++counts[saved.pixel(x, y)];
        const QRgb ground = std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) {
                                return a.second < b.second;
                            })->first;
        const int f = g.RouteMap.Factor;
        const QPoint o = g.RouteMap.Origin;
        QVERIFY2(f > 1, "a network on a small patch is not enlarged");
        QCOMPARE(zoomed.size(), QSize(600 / f * f, 600 / f * f));
        int differ = 0, network = 0;
        for (int y = 0; y < zoomed.height(); ++y)
            for (int x = 0; x < zoomed.width(); ++x) {
                const QRgb s = saved.pixel(o.x() + x / f, o.y() + y / f);
                differ += zoomed.pixel(x, y) != s;
                const int sx = o.x() + x / f, sy = o.y() + y / f;
                network += sx > 1 && sy > 1 && sx < 598 && sy < 598 && s != ground;
            }
        QCOMPARE(differ, 0);
        // Every pixel of the network (inside the picture's frame) is in the part shown.
        int everywhere = 0;
        for (int y = 2; y < saved.height() - 2; ++y)
            for (int x = 2; x < saved.width() - 2; ++x)
                everywhere += saved.pixel(x, y) != ground;
        QVERIFY(everywhere > 0);
        QCOMPARE(network, everywhere * f * f);

        // A picture that cannot be written: the message, and no window.
        std::filesystem::remove(dir.Path("city.bmp"));
        std::filesystem::create_directory(dir.Path("city.bmp"));
        bool shown = false;
        QTimer::singleShot(0, &g.SelectRoute, [&]() {
            if (QWidget* w = QApplication::activeModalWidget()) {
                shown = true;
                w->close();
            }
        });
        g.SelectRoute.Button1Click();
        QCOMPARE(g.LastLog(), std::string("error: ") + SchemeSaveError + "\nЭто папка, а не файл.");
        QVERIFY(!shown);
        QCoreApplication::processEvents();
    }

    // The scheme says where it went. A file of its name that this run did not write is
    // replaced only when the player says so; one it wrote is replaced without a question. With
    // no picture to draw the button says why and shows no window.
    void schemeSaysWhereItWentAndAsksBeforeReplacing() {
        TTempDir dir;
        TRoutesMap source(dir.Path("city.vl"));
        TRoutesMap broken(dir.Path("broken.vl"));
        AddRail(*broken.Map, 5000, 5000, 5100, 5000); // leads nowhere
        broken.Save(dir.Path("broken.vl"));
        TGame g;
        QString savedTo, tip;
        // Clicks the button; true when the picture window came up.
        auto click = [&]() {
            bool shown = false;
            QTimer::singleShot(0, &g.SelectRoute, [&]() {
                if (QWidget* w = QApplication::activeModalWidget()) {
                    shown = true;
                    savedTo = g.RouteMap.SavedTo->text();
                    tip = g.RouteMap.SavedTo->toolTip();
                    w->close();
                }
            });
            g.SelectRoute.Button1->click();
            QCoreApplication::processEvents(); // the check runs even when no window came
            return shown;
        };

        QVERIFY(!click()); // no map chosen
        QCOMPARE(g.LastLog(), std::string("message: ") + SchemeNeedsMapText);
        g.Choose(dir.Path("broken.vl"));
        QVERIFY(!click());
        QCOMPARE(g.LastLog(), std::string("message: ") + SchemeNeedsRailsText);
        QVERIFY(!std::filesystem::exists(dir.Path("broken.bmp")));

        g.Choose(dir.Path("city.vl"));
        WriteBytes(dir.Path("city.bmp"), {1, 2, 3}); // the player's own picture
        const std::string question =
            "ask2: " + QString(SchemeReplaceQuestion)
                           .arg(QString::fromStdString(dir.Path("city.bmp")))
                           .toStdString();
        g.Dialogs.Answers = {TAnswer::No};
        QVERIFY(!click());
        QCOMPARE(g.LastLog(), question);
        QCOMPARE(ReadBytes(dir.Path("city.bmp")), (std::vector<std::uint8_t>{1, 2, 3}));
        g.Dialogs.Answers = {TAnswer::Yes};
        QVERIFY(click());
        QCOMPARE(g.LastLog(), question);
        QVERIFY(std::filesystem::file_size(dir.Path("city.bmp")) > 600 * 600);
        QCOMPARE(savedTo, "Схема записана в файл " + QString::fromStdString(dir.Path("city.bmp")));
        QCOMPARE(tip, QString::fromStdString(dir.Path("city.bmp")));
        const std::size_t asked = g.Dialogs.Log.size();
        QVERIFY(click()); // written by this run: no question
        QCOMPARE(g.Dialogs.Log.size(), asked);

        // A map named like its picture is never replaced: no question, the save says why.
        source.Save(dir.Path("self.bmp"));
        g.Choose(dir.Path("self.bmp"));
        const std::vector<std::uint8_t> map = ReadBytes(dir.Path("self.bmp"));
        QVERIFY(!click());
        QCOMPARE(g.LastLog(),
                 std::string("error: ") + SchemeSaveError + "\nРисунок заменил бы саму карту.");
        QVERIFY(ReadBytes(dir.Path("self.bmp")) == map);
    }

    void exitClosesTheWindow() {
        TGame g;
        g.SelectRoute.show();
        QVERIFY(g.SelectRoute.isVisible());
        g.SelectRoute.Button2->click();
        QVERIFY(!g.SelectRoute.isVisible());
    }

    void floatingPointExceptionsAreMasked() {
        feenableexcept(FE_DIVBYZERO | FE_OVERFLOW | FE_INVALID);
        MaskFloatingPointExceptions();
        QCOMPARE(fegetexcept(), 0);
        volatile double zero = 0, big = 1e308;
        QVERIFY(std::isinf(1.0 / zero));
        QVERIFY(std::isinf(big * 10));
        QVERIFY(std::isnan(zero / zero));
    }
};

QTEST_MAIN(SelectRouteTest)
#include "SelectRouteTest.moc"
