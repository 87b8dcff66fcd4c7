// The top view: its form, the world steps per tick, the information column, the trams on the
// plan, following a tram with a click and with "Показать", the ring round the followed tram, the
// pause, the waiting passengers under the right button, the route report and the diagram window.
#include "tests/game/GameFixture.h"

#include "game/DiagramWindow.h"
#include "game/WindowFit.h"
#include "model/draw/TimeDistanceDiagram.h"
#include "sim/JamText.h"

#include "model/Units.h"
#include "model/draw/Palette.h"
#include "sim/RouteReport.h"
#include "sim/RunAhead.h"
#include "ui/PaintBox.h"

#include <QCheckBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

using namespace vell;
using namespace vell::test;

namespace {

constexpr std::uint32_t LightYellow = 0xCCFFFF;

// A game on the routes map with route 1 chosen and the world started, the top view shown with
// its timer held so that the test decides when it ticks.
struct TRunningGame {
    TTempDir Dir;
    TRoutesMap Source{Dir.Path("city.vl")};
    TGame G;
    TVellView& View = G.VellView;

    TRunningGame() {
        G.Choose(Dir.Path("city.vl"));
        G.SelectRoute.RouteTable->setCurrentCell(0, 0);
        G.World.StartWorld();
        View.show();
        View.Timer->stop();
    }
    ~TRunningGame() {
        View.hide();
        G.World.PlayerTram = nullptr;
        G.World.StopWorld();
    }
    // A tram of our own making, standing on `rail` from `rear` to `rear` + 7.6 m.
    std::unique_ptr<TVell> TramOn(int rail, double rear, int routeRow = 1, int routeCol = 0) {
        auto tram = std::make_unique<TVell>(G.World);
        tram->Route = &G.Map->Route(routeRow, routeCol);
        tram->RouteRow = std::uint8_t(routeRow);
        tram->RouteCol = std::uint8_t(routeCol);
        tram->Front[0] = {std::uint16_t(rail), 0, rear + 7.6};
        tram->Rear[0] = {std::uint16_t(rail), 0, rear};
        tram->Active = true;
        return tram;
    }
    QPoint Midpoint(int rail) const {
        const TMapObject& o = G.Map->Objects[rail];
        return {(o.X1 + o.X2) / 2, (o.Y1 + o.Y2) / 2};
    }
    // Scrolls so that map point `p` comes to pixel `at` of the plan, as far as the scroll bars
    // go, and draws the plan from there as the next tick would; returns the pixel of `p`.
    QPoint Bring(QPoint p, QPoint at) {
        View.HSB->setValue(p.x() - at.x());
        View.VSB->setValue(p.y() - at.y());
        G.Map->ViewX = View.HSB->value();
        G.Map->ViewY = View.VSB->value();
        return p - QPoint(G.Map->ViewX, G.Map->ViewY);
    }
};

std::uint32_t At(const QImage& image, int x, int y) {
    return PixelColor(image.pixel(x, y));
}

// The middle of a tram on the map: the mean of its cars' centres.
QPointF Middle(const TVell& tram) {
    QPointF sum;
    for (int car = 0; car < tram.Cars(); ++car)
        sum += QPointF(tram.CarAxis(car).Centre.X, tram.CarAxis(car).Centre.Y);
    return sum / tram.Cars();
}

// Of 24 directions round `centre`, those in which the ring's colour lies `radius` (+-1) pixels
// out.
int RingDirections(const QImage& plan, QPointF centre, int radius) {
    int found = 0;
    for (int k = 0; k < 24; ++k) {
        const double a = k * M_PI / 12;
        bool hit = false;
        for (int r = radius - 1; r <= radius + 1 && !hit; ++r) {
            const QPoint p(int(std::lround(centre.x() + r * std::cos(a))),
                           int(std::lround(centre.y() + r * std::sin(a))));
            hit = plan.rect().contains(p) && At(plan, p.x(), p.y()) == FollowedRingColour;
        }
        found += hit;
    }
    return found;
}

} // namespace

class VellViewTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QApplication::setAttribute(Qt::AA_DontUseNativeDialogs); }

    void formAsDesigned() {
        TGame g;
        TVellView& v = g.VellView;
        QCOMPARE(v.windowTitle(), QString("Трамвай. Вид сверху."));
        QCOMPARE(v.minimumSize(), QSize(792, 621));
        QCOMPARE(v.maximumSize(), QSize(792, 621));
        QCOMPARE(v.PB->size(), QSize(600, 600)); // the plan, a pixel a metre
        // The panel reads top to bottom in this order.
        const std::pair<QLabel*, const char*> labels[] = {{v.CInfo, "Информация:"},
                                                          {v.CBortNumber, "Номер поезда:"},
                                                          {v.VBortNumber, ""},
                                                          {v.URouteNumber, "Номер маршрута"},
                                                          {v.VRouteNumber, ""},
                                                          {v.CDTime, "Отстал от расписания"},
                                                          {v.VDTime, ""},
                                                          {v.CMaxDTime, "Максимальное отставание:"},
                                                          {v.VMaxDTime, ""},
                                                          {v.CSpeed, "Скорость:"},
                                                          {v.VSpeed, ""},
                                                          {v.CDSpeed, "Ускорение:"},
                                                          {v.VDSpeed, ""},
                                                          {v.CController, "Положение ручки:"},
                                                          {v.VController, ""},
                                                          {v.CDoors, "Двери закрыты"},
                                                          {v.CVagons, "Вагонов:"},
                                                          {v.VVagons, ""},
                                                          {v.CPassengers, "Пассажиров:"},
                                                          {v.VPassengers, ""},
                                                          {v.ViewSpeed, "Скорость просмотра:"}};
        int above = -1;
        for (const auto& [label, text] : labels) {
            QCOMPARE(label->text(), QString(text));
            QVERIFY(label->y() > above);
            above = label->y();
        }
        QCOMPARE(v.btShow->text(), QString("Показать"));
        QVERIFY(v.btShow->y() > v.VPassengers->y() && v.btShow->y() < v.ViewSpeed->y());
        QVERIFY(v.Speed->y() > v.ViewSpeed->y());
        QCOMPARE(v.Speed->minimum(), 0);
        QCOMPARE(v.Speed->maximum(), 10);
        QCOMPARE(v.Speed->value(), 4);
        // Below the speed track bar, in this order.
        QCOMPARE(v.ShowOccupied->text(), QString("Показать занятые пути"));
        QCOMPARE(v.btDiagram->text(), QString("График движения"));
        QVERIFY(v.Speed->y() < v.ShowOccupied->y() && v.ShowOccupied->y() < v.btDiagram->y());
        QVERIFY(!v.ShowOccupied->isChecked());
        for (QScrollBar* bar : {v.HSB, v.VSB}) {
            QCOMPARE(bar->minimum(), 0);
            QCOMPARE(bar->maximum(), 10000);
        }
        QCOMPARE(v.HSB->value(), 4300);
        QCOMPARE(v.VSB->value(), 3700);
        QCOMPARE(v.RouteInfo->text(), QString("?"));
        QCOMPARE(v.Timer->interval(), 50);
        v.show();
        const QStringList faults = LayoutFaults(&v);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join("; ")));
    }

    void speedTrackBarRuns2ToThePStepsPerTick() {
        TRunningGame r;
        TRouteRec& route = r.G.Map->Route(0, 0);
        // Every step counts a route's dispatch down by one until its tram leaves.
        for (auto& row : r.G.Map->Routes)
            for (TRouteRec& slot : row)
                if (slot.InUse()) slot.NextDispatch = 30000;
        int expected = 30000;
        for (auto [position, steps] :
             {std::pair{0, 1}, std::pair{10, 1024}, std::pair{4, 16}, std::pair{1, 2}}) {
            r.View.Speed->setValue(position);
            r.View.TimerTimer();
            expected -= steps;
            QCOMPARE(route.NextDispatch, expected);
        }
        QCOMPARE(r.G.World.VellCount, 0);
        // The plan follows the scroll bars.
        r.View.HSB->setValue(1234);
        r.View.TimerTimer();
        QCOMPARE(r.G.Map->ViewX, 1234);
        QCOMPARE(r.G.Map->ViewY, r.View.VSB->value());
        // A hidden view runs nothing.
        r.View.hide();
        r.View.TimerTimer();
        QCOMPARE(route.NextDispatch, expected - 2);
    }

    void showInfoWritesTheFollowedTram() {
        TRunningGame r;
        TVellView& v = r.View;
        auto tram = r.TramOn(r.Source.RingA[0], 10, 0, 0); // route 1: two cars
        tram->Number = 7;
        tram->ScheduleState = 2;
        tram->Deviation = -std::int32_t(RoundHalfEven(125 * TicksPerSecond)); // 125 s late
        tram->MaxLate = std::int32_t(RoundHalfEven(180 * TicksPerSecond));
        tram->Speed = 36 / 3.6 / TicksPerSecond;
        tram->PrevSpeed = tram->Speed - 1.25 / (TicksPerSecond * TicksPerSecond);
        tram->Command = -0.5;
        tram->DoorOpening = 0;
        tram->Passengers = 12.5;
        tram->StopIndex = 3;

        v.ShowInfo(); // no tram followed: nothing changes
        QCOMPARE(v.VBortNumber->text(), QString());
        QCOMPARE(v.CDTime->text(), QString("Отстал от расписания"));

        r.G.World.PlayerTram = tram.get();
        v.ShowInfo();
        QCOMPARE(v.VBortNumber->text(), QString("7"));
        QCOMPARE(v.VRouteNumber->text(), QString("1 "));
        QCOMPARE(v.CDTime->text(), QString("Сильно отстал от расписания"));
        QCOMPARE(v.VDTime->text(), QString("(на 2:05)"));
        QCOMPARE(v.VMaxDTime->text(), QString("3:00"));
        QCOMPARE(v.VSpeed->text(), QString("36.0 км/ч"));
        QCOMPARE(v.VDSpeed->text(), QString("1.250 м/с2"));
        QCOMPARE(v.VController->text(), QString("-0.5"));
        QCOMPARE(v.CDoors->text(), QString("Двери закрыты"));
        QCOMPARE(v.VVagons->text(), QString("2"));
        QCOMPARE(v.VPassengers->text(), QString("12/160")); // 12.5 rounds to even
        QCOMPARE(v.windowTitle(), QString("3"));

        // Before the first served stop: on time, no difference.
        tram->ScheduleState = 0;
        tram->Deviation = 0;
        tram->MaxLate = 0;
        tram->Speed = tram->PrevSpeed = 0;
        tram->Command = -0.0;
        tram->DoorOpening = 0.01;
        v.ShowInfo();
        QCOMPARE(v.CDTime->text(), QString("Едет по расписанию"));
        QCOMPARE(v.VDTime->text(), QString("(разница 0:00)"));
        QCOMPARE(v.VMaxDTime->text(), QString("0:00"));
        QCOMPARE(v.VSpeed->text(), QString("0.0 км/ч"));
        QCOMPARE(v.VDSpeed->text(), QString("0.000 м/с2"));
        QCOMPARE(v.VController->text(), QString("0.0"));
        QCOMPARE(v.CDoors->text(), QString("Двери открыты"));

        const std::tuple<int, double, const char*, const char*> states[] = {
            {-2, 200, "Сильно обогнал расписание", "(на 3:20)"},
            {-1, 130.4, "Обогнал расписание", "(на 2:10)"},
            {0, 40, "Едет по расписанию", "(разница 0:40)"},
            {0, -61, "Едет по расписанию", "(разница -1:01)"},
            {1, -9, "Отстал от расписания", "(на 0:09)"},
            {2, -3600, "Сильно отстал от расписания", "(на 60:00)"}};
        for (const auto& [state, early, text, deviation] : states) {
            tram->ScheduleState = std::int8_t(state);
            tram->Deviation = std::int32_t(RoundHalfEven(early * TicksPerSecond));
            v.ShowInfo();
            QCOMPARE(v.CDTime->text(), QString(text));
            QCOMPARE(v.VDTime->text(), QString(deviation));
        }
        r.G.World.PlayerTram = nullptr;
    }

    void tramsAreDrawnAsBarsInTheirColourWithARim() {
        TRunningGame r;
        // A horizontal rail: ring A's first rail runs from (1020, 1000) to (1260, 1000).
        auto tram = r.TramOn(r.Source.RingA[0], 92.4); // route 2: one car, centre x 1116.2
        tram->Colour = 0x336699;
        QImage plan(600, 600, QImage::Format_RGB32);
        auto draw = [&]() {
            plan.fill(Qt::black);
            QPainter p(&plan);
            r.View.DrawVell(p, *tram, 1116 - 300, 1000 - 300);
        };
        draw();
        QCOMPARE(At(plan, 300, 300), 0x336699u);
        QCOMPARE(At(plan, 300, 301), 0x336699u);
        QCOMPARE(At(plan, 300, 302), Colors::White); // 5 pixels of rim under 3 of colour
        QCOMPARE(At(plan, 300, 298), Colors::White);
        QCOMPARE(At(plan, 300, 304), Colors::Black);
        QCOMPARE(At(plan, 303, 300), 0x336699u); // 7.6 m long
        QCOMPARE(At(plan, 300 - 12, 300), Colors::Black);
        tram->DoorOpening = 0.2; // open doors: plain white
        draw();
        QCOMPARE(At(plan, 300, 300), Colors::White);
        tram->DoorOpening = 0.1;
        tram->OnRoute = false; // off its route: a red rim
        draw();
        QCOMPARE(At(plan, 300, 300), 0x336699u);
        QCOMPARE(At(plan, 300, 302), Colors::Red);
        tram->Active = false; // waiting at its route start: not drawn
        draw();
        QCOMPARE(At(plan, 300, 300), Colors::Black);
    }

    void clickOnARailUnderATramFollowsThatTram() {
        TRunningGame r;
        TWorld& world = r.G.World;
        QCOMPARE(PreRun(world, r.G.SelectRoute.TotalTrams), TRunAhead::Ready);
        for (int k = 0; k < 3000; ++k)
            world.WorldStep();
        // A tram alone on its lead rail.
        auto pointsOn = [&](const TVell& t, int rail) {
            for (int car = 0; car < t.Cars(); ++car)
                if (t.Front[car].Obj == rail || t.Rear[car].Obj == rail) return true;
            return false;
        };
        TVell* chosen = nullptr;
        for (int k = world.VellCount - 1; k >= 0 && !chosen; --k) {
            TVell& t = *world.VellTable[k];
            const int rail = t.Front[0].Obj;
            bool alone = t.Active;
            for (int m = 0; m < world.VellCount && alone; ++m)
                alone = m == k || !pointsOn(*world.VellTable[m], rail);
            if (alone) chosen = &t;
        }
        QVERIFY(chosen);
        TVell* other = world.VellTable[0].get() == chosen ? world.VellTable[1].get()
                                                          : world.VellTable[0].get();
        world.PlayerTram = other;
        const QPoint at = r.Bring(r.Midpoint(chosen->Front[0].Obj), {300, 300});

        // Twenty metres beside the rail there is nothing to pick.
        const TMapObject& rail = r.G.Map->Objects[chosen->Front[0].Obj];
        const double len = std::hypot(rail.X2 - rail.X1, rail.Y2 - rail.Y1);
        const QPoint beside =
            at + QPoint(int(-20 * (rail.Y2 - rail.Y1) / len), int(20 * (rail.X2 - rail.X1) / len));
        const std::vector<TMapObject> before = r.G.Map->Objects;
        QTest::mouseClick(r.View.PB, Qt::LeftButton, {}, beside);
        QCOMPARE(world.PlayerTram, other);
        QTest::mouseClick(r.View.PB, Qt::LeftButton, {}, at);
        QCOMPARE(world.PlayerTram, chosen);
        QVERIFY(r.G.Map->Objects == before); // picking leaves the map alone
        QVERIFY(!r.View.ShowWaiting);        // the left button shows no passengers
    }

    void rightButtonNearAStopShowsItsWaitingPassengers() {
        TRunningGame r;
        TVellView& v = r.View;
        const int stop = r.Source.RingA[1]; // stop type 1, no walls around: 65/64 per unit
        r.G.Map->Objects[stop].SetWaiting(128);
        r.Bring(r.Midpoint(stop), {590, 590});
        const std::vector<TMapObject> before = r.G.Map->Objects;
        QTest::mousePress(v.PB, Qt::RightButton, {}, QPoint(590, 590));
        QVERIFY(v.ShowWaiting);
        v.ShowPassCount();
        QCOMPARE(v.PassCountText, QString("Пассажиров на остановке:130"));
        // Moved in so that the box stays within 595 + 3 pixels.
        QCOMPARE(v.PassCountBox.right(), 597);
        QCOMPARE(v.PassCountBox.bottom(), 597);
        const QImage& plan = r.G.Bitmaps.PlanBitmap;
        int yellow = 0, dark = 0;
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 600; ++x) {
                const std::uint32_t c = At(plan, x, y);
                if (c == LightYellow) {
                    ++yellow;
                    QVERIFY(v.PassCountBox.contains(x, y));
                } else if (v.PassCountBox.adjusted(1, 1, -1, -1).contains(x, y) &&
                           qGray(plan.pixel(x, y)) < 128) {
                    ++dark; // the text
                }
            }
        QVERIFY(yellow > 0);
        QVERIFY(dark > 0);
        QCOMPARE(At(plan, v.PassCountBox.right(), v.PassCountBox.center().y()), Colors::Red);
        QVERIFY(r.G.Map->Objects == before); // picking leaves the map alone

        // Every tick while the button is held, drawn where the press was.
        v.TimerTimer();
        QVERIFY(v.PassCountText.startsWith("Пассажиров на остановке:"));
        const QPoint inside = v.PassCountBox.topLeft() + QPoint(1, 1);
        QCOMPARE(At(v.PB->grab().toImage(), inside.x(), inside.y()), LightYellow);
        QTest::mouseRelease(v.PB, Qt::RightButton, {}, QPoint(590, 590));
        QVERIFY(!v.ShowWaiting);
        v.TimerTimer();
        QCOMPARE(At(plan, inside.x(), inside.y()) == LightYellow, false);

        // Away from the edges the box starts 3 pixels before the press.
        r.Bring(r.Midpoint(stop), {100, 100});
        QTest::mousePress(v.PB, Qt::RightButton, {}, QPoint(100, 100));
        v.ShowPassCount();
        QCOMPARE(v.PassCountBox.topLeft(), QPoint(97, 97));
        QTest::mouseRelease(v.PB, Qt::RightButton, {}, QPoint(100, 100));

        // Near a rail that is no stop nothing is shown.
        r.Bring(r.Midpoint(r.Source.RingA[0]), {300, 300});
        QTest::mousePress(v.PB, Qt::RightButton, {}, QPoint(300, 302));
        v.ShowPassCount();
        QCOMPARE(v.PassCountText, QString());
        QTest::mouseRelease(v.PB, Qt::RightButton, {}, QPoint(300, 302));
    }

    void showButtonCentresOnTheFollowedTram() {
        TRunningGame r;
        auto tram = r.TramOn(r.Source.RingA[5], 10); // the right side ends at (2000, 1580)
        r.G.World.PlayerTram = tram.get();
        r.View.btShow->click();
        QCOMPARE(r.View.HSB->value(), 1700);
        QCOMPARE(r.View.VSB->value(), 1280);
        auto corner = r.TramOn(r.Source.RingB[0], 10); // ends at (400, 100): the bars stop at 0
        r.G.World.PlayerTram = corner.get();
        r.View.btShowClick();
        QCOMPARE(r.View.HSB->value(), 100);
        QCOMPARE(r.View.VSB->value(), 0);
        r.G.World.PlayerTram = nullptr;
        r.View.HSB->setValue(555);
        r.View.btShowClick();
        QCOMPARE(r.View.HSB->value(), 555);
    }

    void escapeDoesNotCloseTheTopView() {
        TRunningGame r;
        QVERIFY(r.View.isVisible());
        QTest::keyClick(&r.View, Qt::Key_Escape);
        QVERIFY(r.View.isVisible());
        QCOMPARE(r.View.result(), 0);
        r.View.close(); // the window's close button still closes it
        QVERIFY(!r.View.isVisible());
    }

    void questionMarkShowsTheRouteReport() {
        TRunningGame r;
        QCOMPARE(PreRun(r.G.World, r.G.SelectRoute.TotalTrams), TRunAhead::Ready);
        r.View.RouteInfo->click();
        const std::string report = RouteReport(*r.G.Map);
        // Under headings: the report, then the standing trams and the deadlocks in VellSim's
        // words.
        QCOMPARE(r.G.LastLog(), "message: Трамваи по маршрутам\r\n"
                                "маршрут: на линии (по плану)\r\n" +
                                    report + "\r\n\r\nСтоящие трамваи и взаимные блокировки\r\n" +
                                    JamPictureText(*r.G.Map, LookForJams(r.G.World), "\r\n"));
        QVERIFY(r.G.LastLog().find("Взаимных блокировок нет") != std::string::npos);
        QVERIFY(report.find("Итого ") != std::string::npos);
        QVERIFY(report.find("1А: ") != std::string::npos);
    }

    // With "Показать занятые пути" ticked the timer draws the followed tram's held rails in its
    // colour; unticked it does not.
    void showOccupiedDrawsTheHeldRailsOnTheTimer() {
        TRunningGame r;
        QCOMPARE(PreRun(r.G.World, r.G.SelectRoute.TotalTrams), TRunAhead::Ready);
        TVell* followed = FindPlayerTram(r.G.World, 0, 0);
        QVERIFY(followed);
        followed->Colour = 0x336699;
        r.View.Speed->setValue(0);
        r.View.btShowClick();
        auto heldPixels = [&] {
            r.View.TimerTimer();
            const QImage& plan = r.G.Bitmaps.PlanBitmap;
            int coloured = 0;
            for (int rail : followed->MarkedObjects()) {
                const TMapObject& o = r.G.Map->Objects[rail];
                for (double t = 0; t <= 1; t += 0.01) {
                    const QPoint p(int(o.X1 + t * (o.X2 - o.X1)) - r.G.Map->ViewX,
                                   int(o.Y1 + t * (o.Y2 - o.Y1)) - r.G.Map->ViewY);
                    if (plan.rect().contains(p)) coloured += At(plan, p.x(), p.y()) == 0x336699u;
                }
            }
            return coloured;
        };
        const int plain = heldPixels(); // the tram's own body
        r.View.ShowOccupied->setChecked(true);
        QVERIFY2(heldPixels() > plain + 20, qPrintable(QString::number(plain)));
        r.View.ShowOccupied->setChecked(false);
        QVERIFY(heldPixels() <= plain + 2);
    }

    // "Показать" keeps the followed tram in the middle of the picture while it drives on, past
    // the screen it started on, until the user scrolls; pressed again, it follows again.
    void showFollowsTheTramUntilTheUserScrolls() {
        TRunningGame r;
        TVellView& v = r.View;
        QCOMPARE(PreRun(r.G.World, r.G.SelectRoute.TotalTrams), TRunAhead::Ready);
        TVell* tram = FindPlayerTram(r.G.World, 0, 0);
        QVERIFY(tram && tram->Active);
        v.btShow->click();
        QVERIFY(v.Following);
        v.Speed->setValue(5);
        const QPointF start = Middle(*tram);
        bool farAway = false;
        for (int tick = 0; tick < 400 && !farAway; ++tick) {
            v.TimerTimer();
            const QPointF middle = Middle(*tram);
            QVERIFY(std::abs(v.HSB->value() + PlanSize / 2 - middle.x()) <= 1);
            QVERIFY(std::abs(v.VSB->value() + PlanSize / 2 - middle.y()) <= 1);
            farAway = std::abs(middle.x() - start.x()) > PlanSize / 2 ||
                      std::abs(middle.y() - start.y()) > PlanSize / 2;
        }
        QVERIFY(farAway); // off the picture the run began with
        QCOMPARE(r.G.Map->ViewX, v.HSB->value());

        // A click on the scroll bar's arrow ends the following; the view stays where it is.
        QTest::mouseClick(v.HSB, Qt::LeftButton, {}, QPoint(v.HSB->width() - 4, 10));
        QVERIFY(!v.Following);
        const QPoint origin(v.HSB->value(), v.VSB->value());
        const QPointF left = Middle(*tram);
        for (int tick = 0; tick < 20; ++tick)
            v.TimerTimer();
        QVERIFY(QLineF(left, Middle(*tram)).length() > 20);
        QCOMPARE(QPoint(v.HSB->value(), v.VSB->value()), origin);
        v.btShow->click();
        v.TimerTimer();
        QVERIFY(v.Following);
        QVERIFY(std::abs(v.HSB->value() + PlanSize / 2 - Middle(*tram).x()) <= 1);
    }

    // The followed tram wears a yellow ring on the plan, a tram of three cars a wider one; no
    // other tram has one.
    void followedTramWearsARing() {
        TRunningGame r;
        TVellView& v = r.View;
        v.PauseClick(); // the world stands still: only the drawing runs
        auto one = r.TramOn(r.Source.RingA[0], 92.4);        // route 2: one car
        auto three = r.TramOn(r.Source.RingA[0], 170, 0, 1); // route 10: three cars behind it
        QCOMPARE(three->Cars(), 3);
        for (int car = 1; car < 3; ++car) {
            three->Front[car] = {std::uint16_t(r.Source.RingA[0]), 0, 170 - 8.0 * car + 7.6};
            three->Rear[car] = {std::uint16_t(r.Source.RingA[0]), 0, 170 - 8.0 * car};
        }
        const QPoint at = r.Bring(Middle(*one).toPoint(), {300, 300});
        const QPointF oneAt = Middle(*one) - QPointF(v.HSB->value(), v.VSB->value());
        const QPointF threeAt = Middle(*three) - QPointF(v.HSB->value(), v.VSB->value());
        QVERIFY(QRect(0, 0, 600, 600).contains(threeAt.toPoint()));
        const QImage& plan = r.G.Bitmaps.PlanBitmap;
        v.TimerTimer();
        QCOMPARE(RingDirections(plan, oneAt, 12), 0); // no tram followed: no ring
        r.G.World.PlayerTram = one.get();
        v.TimerTimer();
        QVERIFY(RingDirections(plan, oneAt, 12) >= 20);
        QCOMPARE(RingDirections(plan, threeAt, 16), 0);
        r.G.World.PlayerTram = three.get(); // 22.8 m long: the ring keeps 5 pixels off its ends
        v.TimerTimer();
        QVERIFY(RingDirections(plan, threeAt, 16) >= 20);
        QCOMPARE(RingDirections(plan, oneAt, 12), 0);
        QCOMPARE(at, QPoint(300, 300));
        r.G.World.PlayerTram = nullptr;
    }

    // Space, wherever the focus is, and the pause button stop the world and start it again;
    // the view still draws while it stands. The speed bar's value is written beside it.
    void spaceAndPauseButtonStopTheWorld() {
        TRunningGame r;
        TVellView& v = r.View;
        TRouteRec& route = r.G.Map->Route(0, 0);
        for (auto& row : r.G.Map->Routes)
            for (TRouteRec& slot : row)
                if (slot.InUse()) slot.NextDispatch = 30000;
        QCOMPARE(v.btPause->text(), QString("Пауза (Пробел)"));
        v.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&v));
        v.btShow->setFocus();
        QTest::keyClick(v.btShow, Qt::Key_Space);
        QVERIFY(v.Paused);
        QVERIFY(!v.Following); // the focused button was not pressed
        QCOMPARE(v.btPause->text(), QString("Продолжить (Пробел)"));
        v.HSB->setValue(2345);
        v.TimerTimer();
        QCOMPARE(route.NextDispatch, 30000);
        QCOMPARE(r.G.Map->ViewX, 2345); // drawn all the same
        v.Speed->setFocus();
        QTest::keyClick(v.Speed, Qt::Key_Space);
        QVERIFY(!v.Paused);
        v.TimerTimer();
        QCOMPARE(route.NextDispatch, 30000 - 16);
        v.btPause->click();
        v.TimerTimer();
        QCOMPARE(route.NextDispatch, 30000 - 16);
        v.hide(); // a new run starts running
        v.show();
        v.Timer->stop();
        QVERIFY(!v.Paused);
        QCOMPARE(v.btPause->text(), QString("Пауза (Пробел)"));

        for (int position = 0; position <= 10; ++position) {
            v.Speed->setValue(position);
            QCOMPARE(v.SpeedValue->text(), QStringLiteral("x%1").arg(1 << position));
        }
        QVERIFY(v.SpeedValue->x() >
                v.ViewSpeed->x() + CaptionWidth(v.ViewSpeed, v.ViewSpeed->text()));
        QVERIFY(v.SpeedValue->geometry().right() < InfoColumnWidth);
    }

    // The diagram of the followed tram's route, recorded while the view runs; before there is
    // anything to draw, a message says what to do. Its window fits the screen, can be resized,
    // scrolls over a picture it has no room for, and redraws itself from the recorder while the
    // run goes on.
    void diagramWindowFitsTheScreenAndKeepsUpWithTheRun() {
        TRunningGame r;
        r.View.btDiagram->click();
        QVERIFY(r.G.LastLog().find("message: Для графика движения") == 0);
        QVERIFY(!r.View.DiagramWindow);
        QCOMPARE(PreRun(r.G.World, r.G.SelectRoute.TotalTrams), TRunAhead::Ready);
        const TVell* followed = FindPlayerTram(r.G.World, 0, 0);
        QVERIFY(followed);
        r.View.Speed->setValue(6);
        for (int tick = 0; tick < 40; ++tick)
            r.View.TimerTimer();
        r.View.btDiagram->click();
        TDiagramWindow* w = r.View.DiagramWindow;
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->windowTitle(), QString("График движения, маршрут 1"));
        const QRect screen = w->screen()->availableGeometry();
        QVERIFY2(screen.contains(w->frameGeometry()),
                 qPrintable(QStringLiteral("%1x%2").arg(w->width()).arg(w->height())));
        QCOMPARE(w->size(), DiagramWindowPicture.boundedTo(
                                screen.size() - QSize(AssumedFrameWidth, AssumedFrameHeight)));
        QVERIFY(w->minimumSize() != w->maximumSize());                 // the user may resize it
        QCOMPARE(w->Picture.size(), w->Scroll->maximumViewportSize()); // the room it has
        const std::uint32_t colour = DiagramTramColour(followed->Colour);
        auto linePixels = [&]() {
            int pixels = 0;
            for (int y = 0; y < w->Picture.height(); ++y)
                for (int x = 0; x < w->Picture.width(); ++x)
                    pixels += At(w->Picture, x, y) == colour;
            return pixels;
        };
        QVERIFY2(linePixels() > 50, qPrintable(QString::number(linePixels()))); // followed tram

        // About once a second it redraws, and only when the recorder holds more.
        QVERIFY(w->RefreshTimer->isActive());
        QCOMPARE(w->RefreshTimer->interval(), 1000);
        QVERIFY(!w->Refresh());
        const QImage first = w->Picture;
        const double minutes = r.View.DiagramRecorder()->Minutes();
        for (int tick = 0; tick < 20; ++tick)
            r.View.TimerTimer();
        QVERIFY(r.View.DiagramRecorder()->Minutes() > minutes);
        QMetaObject::invokeMethod(w->RefreshTimer, "timeout"); // a second has passed
        QVERIFY(w->Picture != first);
        QCOMPARE(w->Picture.size(), first.size());
        r.View.PauseClick(); // a paused run gives nothing new to draw
        r.View.TimerTimer();
        QVERIFY(!w->Refresh());
        r.View.PauseClick();

        // A smaller window: the picture takes the new room; below the least size it scrolls,
        // kept at its latest minutes.
        w->resize(w->width() - 100, w->height() - 60);
        QVERIFY(w->Refresh());
        QCOMPARE(w->Picture.size(), w->Scroll->maximumViewportSize());
        w->resize(400, 300);
        QVERIFY(w->Refresh());
        QCOMPARE(w->Picture.size(), LeastDiagramPicture);
        const QScrollBar* across = w->Scroll->horizontalScrollBar();
        QVERIFY(across->maximum() > 0);
        QCOMPARE(across->value(), across->maximum());
        // Scrolled back by the user, it stays where the user put it.
        w->Scroll->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
        for (int tick = 0; tick < 5; ++tick)
            r.View.TimerTimer();
        QVERIFY(w->Refresh());
        QCOMPARE(across->value(), 0);

        r.View.hide();
        QVERIFY(!w->isVisible());
        QVERIFY(!w->RefreshTimer->isActive());
    }

    // However long the view runs, its recorder keeps the last stretch of time (the 12 hours
    // shortened to 10 minutes here), each sample but one in 15 of the older ones thinned away.
    void diagramKeepsOnlyTheLastMinutes() {
        TRunningGame r;
        r.View.DiagramLimit = {10, 2, 15};
        QCOMPARE(PreRun(r.G.World, r.G.SelectRoute.TotalTrams), TRunAhead::Ready);
        QVERIFY(FindPlayerTram(r.G.World, 0, 0));
        r.View.Speed->setValue(10);
        for (int tick = 0; tick < 24; ++tick) // 24 x 1024 steps, 22.5 minutes
            r.View.TimerTimer();
        const TTimeDistanceRecorder* recorder = r.View.DiagramRecorder();
        QVERIFY(recorder);
        QCOMPARE(recorder->FirstMinute(), 24 * 1024 / TicksPerMinute - 10);
        QCOMPARE(recorder->Minutes(), 10.0);
        const std::size_t trams = recorder->Data().Trams.size(), samples = recorder->SampleCount();
        // Ten minutes at a sample a second would be 600 a tram.
        QVERIFY2(trams > 0 && samples < 300 * trams, qPrintable(QString::number(samples)));
    }
};

QTEST_MAIN(VellViewTest)
#include "VellViewTest.moc"
