// Drawing the held rails and the jams over the top view's plan.
#include "game/TrackOverlay.h"

#include "model/Units.h"
#include "model/draw/Palette.h"
#include "sim/TrackHolders.h"

#include <QPainter>

#include <set>

namespace vell {

namespace {

std::set<int> DeadlockedNumbers(const TJamPicture& jams) {
    std::set<int> numbers;
    for (const TDeadlock& d : jams.Deadlocks)
        numbers.insert(d.Members.begin(), d.Members.end());
    return numbers;
}

const TVell* TramNumbered(const TWorld& world, int number) {
    for (int k = 0; k < world.VellCount; ++k)
        if (world.VellTable[k]->Number == number) return world.VellTable[k].get();
    return nullptr;
}

QPoint Pixel(double x, double y, int originX, int originY) {
    return {int(RoundHalfEven(x - originX)), int(RoundHalfEven(y - originY))};
}

void DrawRail(QPainter& plan, const TMap& map, int rail, int originX, int originY) {
    if (rail < 0 || std::size_t(rail) >= map.Objects.size()) return;
    const TMapObject& o = map.Objects[std::size_t(rail)];
    plan.drawLine(Pixel(o.X1, o.Y1, originX, originY), Pixel(o.X2, o.Y2, originX, originY));
}

} // namespace

void DrawHeldRails(QPainter& plan, const TWorld& world, const TJamPicture& jams, int originX,
                   int originY) {
    const std::set<int> deadlocked = DeadlockedNumbers(jams);
    for (int k = 0; k < world.VellCount; ++k) {
        const TVell& tram = *world.VellTable[k];
        const bool followed = &tram == world.PlayerTram;
        const std::uint32_t colour =
            deadlocked.count(tram.Number) ? Colors::Red : tram.Colour & 0xFFFFFF;
        plan.setPen(MapPen(colour, followed ? OverlayFollowedWidth : OverlayRailWidth));
        for (int rail : HeldObjectsOf(tram))
            DrawRail(plan, world.Map, rail, originX, originY);
    }
}

void DrawJamMarks(QPainter& plan, const TWorld& world, const TJamPicture& jams, int originX,
                  int originY) {
    plan.setBrush(Qt::NoBrush);
    plan.setPen(MapPen(Colors::Red, 2));
    for (const TBlockedTram& b : jams.Blocked)
        if (const TVell* tram = TramNumbered(world, b.Number)) {
            const TCarAxisXY axis = tram->CarAxis(0);
            plan.drawEllipse(Pixel(axis.Centre.X, axis.Centre.Y, originX, originY), JamRingRadius,
                             JamRingRadius);
        }
    plan.setPen(MapPen(Colors::Red, 3));
    for (int number : DeadlockedNumbers(jams))
        if (const TVell* tram = TramNumbered(world, number))
            for (int car = 0; car < tram->Cars(); ++car) {
                const TCarAxisXY a = tram->CarAxis(car);
                plan.drawLine(
                    Pixel(a.Centre.X - 3.8 * a.Dir.X, a.Centre.Y - 3.8 * a.Dir.Y, originX, originY),
                    Pixel(a.Centre.X + 3.8 * a.Dir.X, a.Centre.Y + 3.8 * a.Dir.Y, originX,
                          originY));
            }
}

} // namespace vell
