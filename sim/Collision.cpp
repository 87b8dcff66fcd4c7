// Collisions between trams, tested for trams the player drives: the autopilot keeps its
// distance through the occupancy reservations alone.
#include "model/Geometry.h"
#include "sim/VellPositions.h"

namespace vell {

namespace {

struct TBody {
    TPointXY A, B;
};

// A car's body: the 7.6 m segment centred on its axis.
TBody CarBody(const TVell& tram, int car) {
    const TCarAxisXY axis = tram.CarAxis(car);
    const TPointXY c = axis.Centre, d = axis.Dir;
    return {{c.X - 3.8 * d.X, c.Y - 3.8 * d.Y}, {c.X + 3.8 * d.X, c.Y + 3.8 * d.Y}};
}

} // namespace

bool TWorld::CollisionFree(int k) const {
    return CollidingTram(k) < 0;
}

int TWorld::CollidingTram(int k) const {
    const TVell& tram = *VellTable[k];
    for (int j = 0; j < VellCount; ++j) {
        if (j == k) continue;
        const TVell& other = *VellTable[j];
        // A tram waiting to enter is not on the track yet: it enters only once its track is
        // free, and until then nothing can run into it.
        if (!other.Active) continue;
        for (int a = 0; a < tram.Cars(); ++a) {
            const TBody p = CarBody(tram, a);
            for (int b = 0; b < other.Cars(); ++b) {
                const TBody q = CarBody(other, b);
                if (SegmentDistSq(p.A.X, p.A.Y, p.B.X, p.B.Y, q.A.X, q.A.Y, q.B.X, q.B.Y) <= 5.76)
                    return j;
            }
        }
    }
    return -1;
}

void TVell::NoteCollision(const TVell& other) {
    Accident = true;
    if (Crash.Cause != TAccidentCause::None) return;
    Crash = TCrash{};
    Crash.Cause = TAccidentCause::Collision;
    Crash.OtherRouteRow = other.RouteRow;
    Crash.OtherRouteCol = other.RouteCol;
    Crash.OtherNumber = other.Number;
    Crash.Speed = Speed;
}

} // namespace vell
