// "Показать занятые пути": the rails each tram holds in its colour, thicker for the followed
// tram, and a deadlock on a single-track section in red with a ring round each blocked tram.
#include "game/TrackOverlay.h"
#include "model/Units.h"
#include "model/draw/Palette.h"
#include "sim/TrackHolders.h"
#include "tests/sim/SimTestSupport.h"
#include "tests/support/TestMaps.h"

#include <QImage>
#include <QPainter>
#include <QtTest>

#include <algorithm>

using namespace vell;
using namespace vell::test;

namespace {

std::uint32_t At(const QImage& image, QPoint p) {
    return PixelColor(image.pixel(p));
}

// The pixel of a rail's midpoint and a unit step across it, for a plan drawn from the origin.
QPoint Mid(const TMap& map, int rail, QPoint origin) {
    const TMapObject& o = map.Objects[std::size_t(rail)];
    return QPoint((o.X1 + o.X2) / 2, (o.Y1 + o.Y2) / 2) - origin;
}
QPoint Across(const TMap& map, int rail) {
    const TMapObject& o = map.Objects[std::size_t(rail)];
    return std::abs(o.X2 - o.X1) > std::abs(o.Y2 - o.Y1) ? QPoint(0, 1) : QPoint(1, 0);
}

} // namespace

class TrackOverlayTest : public QObject {
    Q_OBJECT
  private slots:
    void heldRailsInTheTramsColourAndADeadlockInRed() {
        TSingleTrackMap m = SingleTrackMap();
        TSimulation sim(std::move(m.Map), 5);
        for (int row : {0, 1})
            sim.Map->Route(row, 0).TramCount = 2;
        QVERIFY(sim.StepUntil([&] { return !LookForJams(*sim.World).Deadlocks.empty(); },
                              RoundHalfEven(120 * TicksPerMinute)) > 0);
        const TJamPicture jams = LookForJams(*sim.World);
        const TDeadlock& d = jams.Deadlocks[0];
        const QPoint origin(300, 100); // the section runs down x = 600 from y = 120 to 680
        QImage plan(600, 600, QImage::Format_RGB32);
        plan.fill(Qt::black);
        {
            QPainter p(&plan);
            DrawHeldRails(p, *sim.World, jams, origin.x(), origin.y());
        }
        // The deadlocked trams hold their rails in red.
        int held = 0;
        for (const TBlockedTram& t : d.Trams)
            for (int rail : HeldObjectsOf(sim.TramNumber(t.Number))) {
                QCOMPARE(At(plan, Mid(*sim.Map, rail, origin)), Colors::Red);
                ++held;
            }
        QVERIFY(held >= int(d.Trams.size()));
        // A tram of the deadlock's set that its circle does not pass through (added to the set
        // by hand) is red too.
        const TVell* beside = nullptr;
        for (int k = 0; k < sim.World->VellCount && !beside; ++k)
            if (!std::count(d.Members.begin(), d.Members.end(), sim.Tram(k).Number) &&
                !HeldObjectsOf(sim.Tram(k)).empty())
                beside = &sim.Tram(k);
        QVERIFY(beside);
        TJamPicture wider = jams;
        wider.Deadlocks[0].Members.push_back(beside->Number);
        const QPoint centre = Mid(*sim.Map, HeldObjectsOf(*beside)[0], QPoint(0, 0));
        auto heldRails = [&](const TJamPicture& picture) {
            QImage image(600, 600, QImage::Format_RGB32);
            image.fill(Qt::black);
            QPainter p(&image);
            DrawHeldRails(p, *sim.World, picture, centre.x() - 300, centre.y() - 300);
            return image;
        };
        QCOMPARE(At(heldRails(jams), QPoint(300, 300)), beside->Colour & 0xFFFFFF);
        QCOMPARE(At(heldRails(wider), QPoint(300, 300)), Colors::Red);
        {
            QPainter p(&plan);
            DrawJamMarks(p, *sim.World, jams, origin.x(), origin.y());
        }
        // A red ring round each blocked tram's lead car, its body red too.
        for (const TBlockedTram& b : jams.Blocked) {
            const TCarAxisXY axis = sim.TramNumber(b.Number).CarAxis(0);
            const QPoint centre(int(std::lround(axis.Centre.X)) - origin.x(),
                                int(std::lround(axis.Centre.Y)) - origin.y());
            bool ring = false;
            for (QPoint step : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)})
                ring = ring || At(plan, centre + step * JamRingRadius) == Colors::Red;
            QVERIFY2(ring, qPrintable(QString::number(b.Number)));
        }
        for (const TBlockedTram& t : d.Trams) {
            const TCarAxisXY axis = sim.TramNumber(t.Number).CarAxis(0);
            QCOMPARE(At(plan, QPoint(int(std::lround(axis.Centre.X)) - origin.x(),
                                     int(std::lround(axis.Centre.Y)) - origin.y())),
                     Colors::Red);
        }
    }

    void theFollowedTramsRailsAreThicker() {
        TRingMap ring = RingMap();
        SetRoute(*ring.Map, 0, 0, {ring.Rails[0], ring.Rails[RingBottom]}, 1, 5);
        TSimulation sim(std::move(ring.Map), 3);
        QVERIFY(sim.StepUntil([&] { return sim.World->VellCount > 0 && sim.Tram(0).Active; },
                              20000) > 0);
        for (int s = 0; s < 300; ++s)
            sim.World->WorldStep();
        TVell& tram = sim.Tram(0);
        tram.Colour = 0x336699;
        const int rail = HeldObjectsOf(tram).back(); // the front of its reservation, ahead of it
        const QPoint origin(Mid(*sim.Map, rail, QPoint(0, 0)) - QPoint(300, 300));
        auto draw = [&] {
            QImage plan(600, 600, QImage::Format_RGB32);
            plan.fill(Qt::black);
            QPainter p(&plan);
            DrawHeldRails(p, *sim.World, TJamPicture{}, origin.x(), origin.y());
            return plan;
        };
        const QPoint mid(300, 300), across = Across(*sim.Map, rail);
        sim.World->PlayerTram = nullptr;
        QImage plan = draw();
        QCOMPARE(At(plan, mid), 0x336699u);
        QCOMPARE(At(plan, mid + across), 0x336699u);
        QCOMPARE(At(plan, mid + 2 * across), Colors::Black); // three pixels wide
        sim.World->PlayerTram = &tram;
        plan = draw();
        QCOMPARE(At(plan, mid + 2 * across), 0x336699u); // six wide for the followed tram
        QCOMPARE(At(plan, mid - 2 * across), 0x336699u);
        sim.World->PlayerTram = nullptr;
    }
};

QTEST_MAIN(TrackOverlayTest)
#include "TrackOverlayTest.moc"
