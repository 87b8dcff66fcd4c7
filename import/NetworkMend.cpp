// Mending the laid track where the network check fails, and leaving out lines only where that
// is not enough.
#include "import/NetworkMend.h"

#include "import/Import.h"
#include "model/Geometry.h"
#include "model/Network.h"
#include "model/Texts.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace vell::import {

namespace {

constexpr double NearSq = 16;           // the check's 4 m
constexpr int MostNear = 6;             // near rails a rail may have
constexpr double ShortestRail = 10;     // every rail of a map
constexpr double ShortestStop = 25;     // a stop rail
constexpr double MostStray = 1.5;       // how far a moved joint may leave the track it stood on
constexpr int MostShift = 30;           // metres a joint may move along the track
constexpr double SeparatedGap = 4;      // opposite directions at least this far apart
constexpr double MostPush = 2.5;        // how far a joint may move aside to get there
constexpr double MostKeepClearGap = 50; // metres of plain track between two junction areas
constexpr double SeparatedReach = 60;   // separations closer than this are noted once

bool IsNext(const TMapObject& a, const TMapObject& b) {
    return a.X2 == b.X1 && a.Y2 == b.Y1 && Dot(a, b) > 0;
}

// The mends made on one laid map.
class TMender {
  public:
    TMender(TMap& map, TRailNetwork& rails, const std::vector<TCircuitPlan>& plans,
            const TProjection& projection, std::vector<TNetworkMend>& mends)
        : Map(map), Rails(rails), Plans(plans), Projection(projection), Mends(mends) {}

    // Mends every faulty rail it can; true when something changed.
    bool MendAll(const std::vector<TRailFault>& faults) {
        bool changed = false;
        // Merges renumber the rails after them: the faults are taken from the highest down.
        for (auto f = faults.rbegin(); f != faults.rend(); ++f) {
            const int r = f->Index;
            if (r >= Map.ObjectCount() || !Map.Objects[r].IsRail()) continue;
            if ((f->Rules & ShortStop) && MendShortStop(r)) changed = true;
            if ((f->Rules & TooManyNear) && NearCount(r, Map.Objects[r], -1) > MostNear &&
                MendCrowd(r))
                changed = true;
            // A merge numbers the rails after it anew: the faults left are found again.
            if (Renumbered) break;
        }
        return changed;
    }

    // Rails of opposite directions closer than 4 m (neither crossing nor meeting end to end)
    // make trams of one direction wait for those of the other, and two that meet wait for each
    // other for good: their joints are moved apart where nothing else comes nearer for it.
    bool SeparateOpposites() {
        bool changed = false;
        for (int a = 0; a < Map.ObjectCount(); ++a) {
            const TLinkRec* link = Map.Link(a);
            if (!Map.Objects[a].IsRail() || !link) continue;
            for (std::uint16_t n : link->Near) {
                const int b = n;
                if (n == NoObject || b < a || !Opposite(a, b)) continue;
                PushApart(a, b);
                if (Opposite(a, b)) PushApart(b, a);
                if (Opposite(a, b)) continue;
                changed = true;
                NoteSeparated(a, b);
            }
        }
        return changed;
    }

  private:
    // Whether rails a and b run opposite ways closer than 4 m, without crossing or touching.
    bool Opposite(int a, int b) const {
        const TMapObject& p = Map.Objects[a];
        const TMapObject& q = Map.Objects[b];
        if (Dot(p, q) >= 0) return false;
        const auto same = [](int x1, int y1, int x2, int y2) { return x1 == x2 && y1 == y2; };
        if (same(p.X1, p.Y1, q.X1, q.Y1) || same(p.X1, p.Y1, q.X2, q.Y2) ||
            same(p.X2, p.Y2, q.X1, q.Y1) || same(p.X2, p.Y2, q.X2, q.Y2))
            return false;
        const double d = SegmentDistSq(p, q);
        return d > 0 && d < NearSq;
    }

    void NoteSeparated(int a, int b) {
        const TMapObject& o = Map.Objects[a];
        const double x = (o.X1 + o.X2) / 2.0, y = (o.Y1 + o.Y2) / 2.0;
        for (auto [nx, ny] : Separated)
            if (DistSq(x, y, nx, ny) < SeparatedReach * SeparatedReach) return;
        Separated.push_back({x, y});
        Note(translate("Import", "пути встречных направлений разведены на 4 м: иначе трамваи "
                                 "ждали бы друг друга"),
             a, {a, b});
    }

    // Moves the ends of rail a away from rail b, each as far as 4 m from it allows and
    // nothing else forbids.
    void PushApart(int a, int b) {
        for (int end = 0; end < 2; ++end) {
            const TMapObject& o = Map.Objects[a];
            const TMapObject& q = Map.Objects[b];
            const double px = end ? o.X2 : o.X1, py = end ? o.Y2 : o.Y1;
            const double d = std::sqrt(PointSegmentDistSq(px, py, q.X1, q.Y1, q.X2, q.Y2));
            if (d >= SeparatedGap) continue;
            // Away from the nearest point of b, or square to b where a point lies on it.
            const double qx = q.X2 - q.X1, qy = q.Y2 - q.Y1, ql = std::hypot(qx, qy);
            double t = ((px - q.X1) * qx + (py - q.Y1) * qy) / (ql * ql);
            t = std::clamp(t, 0.0, 1.0);
            double ux = px - (q.X1 + t * qx), uy = py - (q.Y1 + t * qy);
            if (d < 0.1) ux = -qy / ql * (Cross(o, q) > 0 ? 1 : -1), uy = qx / ql;
            const double ul = std::hypot(ux, uy);
            const double shift = SeparatedGap + 0.5 - d;
            if (ul == 0 || shift > MostPush) continue;
            MovePoint(int(px), int(py), int(std::lround(px + ux / ul * shift)),
                      int(std::lround(py + uy / ul * shift)));
        }
    }

    // Every rail end at (x, y) moved to (nx, ny), when the rails there keep their lengths, their
    // successors and their stretch of track, and no rail comes within 4 m of one more rail.
    bool MovePoint(int x, int y, int nx, int ny) {
        if (nx == x && ny == y) return false;
        const auto [starting, ending] = At(x, y);
        std::vector<int> moved(starting);
        moved.insert(moved.end(), ending.begin(), ending.end());
        std::vector<TMapObject> old, now;
        for (int r : moved) {
            old.push_back(Map.Objects[r]);
            TMapObject o = Map.Objects[r];
            if (o.X1 == x && o.Y1 == y) o.X1 = std::int16_t(nx), o.Y1 = std::int16_t(ny);
            if (o.X2 == x && o.Y2 == y) o.X2 = std::int16_t(nx), o.Y2 = std::int16_t(ny);
            if (!LongEnough(o)) return false;
            now.push_back(o);
        }
        // The rails touching the moved ones keep which of them continue which.
        std::set<int> touching(moved.begin(), moved.end());
        for (const TMapObject& o : old)
            for (auto [ex, ey] : {std::pair<int, int>{o.X1, o.Y1}, {o.X2, o.Y2}}) {
                const auto [from, into] = At(ex, ey);
                touching.insert(from.begin(), from.end());
                touching.insert(into.begin(), into.end());
            }
        std::vector<std::vector<int>> nearBefore;
        for (int r : moved)
            nearBefore.push_back(RailsNear(Map.Objects[r], r));
        std::vector<std::pair<int, bool>> joinsBefore;
        for (int r : touching)
            for (int s : touching)
                if (r != s)
                    joinsBefore.push_back({r * 65536 + s, IsNext(Map.Objects[r], Map.Objects[s])});
        for (std::size_t k = 0; k < moved.size(); ++k)
            Map.Objects[moved[k]] = now[k];
        bool fits = true;
        for (auto [pair, joined] : joinsBefore)
            if (IsNext(Map.Objects[pair / 65536], Map.Objects[pair % 65536]) != joined)
                fits = false;
        for (std::size_t k = 0; k < moved.size() && fits; ++k)
            for (int j : RailsNear(Map.Objects[moved[k]], moved[k]))
                if (std::find(nearBefore[k].begin(), nearBefore[k].end(), j) == nearBefore[k].end())
                    fits = false;
        if (!fits) {
            for (std::size_t k = 0; k < moved.size(); ++k)
                Map.Objects[moved[k]] = old[k];
            return false;
        }
        LowerGrades(moved);
        return true;
    }

    // Rails other than `self` and `skip` within 4 m of `o` that do not continue it.
    int NearCount(int self, const TMapObject& o, int skip) const {
        int count = 0;
        for (int j = 0; j < Map.ObjectCount(); ++j) {
            if (j == self || j == skip || !Map.Objects[j].IsRail()) continue;
            const TMapObject& other = Map.Objects[j];
            if (!IsNext(o, other) && SegmentDistSq(o, other) < NearSq) ++count;
        }
        return count;
    }

    std::vector<int> RailsNear(const TMapObject& o, int self) const {
        std::vector<int> near;
        for (int j = 0; j < Map.ObjectCount(); ++j)
            if (j != self && Map.Objects[j].IsRail() && SegmentDistSq(o, Map.Objects[j]) < NearSq)
                near.push_back(j);
        return near;
    }

    // The rails that start, and end, at a point.
    std::pair<std::vector<int>, std::vector<int>> At(int x, int y) const {
        std::vector<int> starting, ending;
        for (int j = 0; j < Map.ObjectCount(); ++j) {
            const TMapObject& o = Map.Objects[j];
            if (!o.IsRail()) continue;
            if (o.X1 == x && o.Y1 == y) starting.push_back(j);
            if (o.X2 == x && o.Y2 == y) ending.push_back(j);
        }
        return {starting, ending};
    }

    // Whether rail a runs into rail b and nothing else starts or ends there.
    bool PlainJoint(int a, int b) const {
        const TMapObject& first = Map.Objects[a];
        const auto [starting, ending] = At(first.X2, first.Y2);
        return starting.size() == 1 && starting[0] == b && ending.size() == 1 && ending[0] == a &&
               IsNext(first, Map.Objects[b]);
    }

    TGeoPoint PlaceOfRail(int r) const {
        const TMapObject& o = Map.Objects[r];
        return PlaceOf(Projection, (o.X1 + o.X2) / 2.0, (o.Y1 + o.Y2) / 2.0);
    }

    void Note(const std::string& what, int r, const std::vector<int>& rails) {
        Mends.push_back({what, PlaceOfRail(r), RefsThrough(Plans, Rails.Circuits, rails)});
    }

    // A stop rail too short for a train: the stop is given up, the track stays.
    bool MendShortStop(int r) {
        TMapObject& o = Map.Objects[r];
        if (!o.IsStop() || Length(o) >= ShortestStop) return false;
        o.SetStopType(0);
        Note(translate("Import", "остановка снята: её рельс короче 25 м"), r, {r});
        return true;
    }

    // The rails near `a` and `b` as they would be, none of them with more near rails than
    // allowed unless it had them before.
    bool CrowdFits(int ia, const TMapObject& a, int ib, const TMapObject& b) const {
        if (NearCount(ia, a, ib) > MostNear || NearCount(ib, b, ia) > MostNear) return false;
        std::set<int> around;
        for (int j : RailsNear(a, ia))
            around.insert(j);
        for (int j : RailsNear(b, ib))
            around.insert(j);
        around.erase(ia), around.erase(ib);
        TMap& map = const_cast<TMap&>(Map);
        const TMapObject oldA = Map.Objects[ia], oldB = Map.Objects[ib];
        std::vector<int> before;
        for (int j : around)
            before.push_back(NearCount(j, Map.Objects[j], -1));
        map.Objects[ia] = a, map.Objects[ib] = b;
        bool fits = true;
        std::size_t k = 0;
        for (int j : around) {
            const int now = NearCount(j, Map.Objects[j], -1);
            if (now > MostNear && now >= before[k]) fits = false;
            ++k;
        }
        map.Objects[ia] = oldA, map.Objects[ib] = oldB;
        return fits;
    }

    // Whether the rails before `a` and after `b` still continue into them.
    bool StillJoined(int ia, const TMapObject& a, int ib, const TMapObject& b) const {
        for (int j : At(a.X1, a.Y1).second)
            if (IsNext(Map.Objects[j], Map.Objects[ia]) && !IsNext(Map.Objects[j], a)) return false;
        for (int j : At(b.X2, b.Y2).first)
            if (IsNext(Map.Objects[ib], Map.Objects[j]) && !IsNext(b, Map.Objects[j])) return false;
        return IsNext(a, b);
    }

    static bool LongEnough(const TMapObject& o) {
        return Length(o) >= (o.IsStop() ? ShortestStop : ShortestRail);
    }

    // A crowded rail: the joint with the rail before or after it moved along the track, or the
    // two made one, whichever the crowd allows, the smallest change first.
    bool MendCrowd(int r) {
        std::vector<std::pair<int, int>> joints;
        for (int p : At(Map.Objects[r].X1, Map.Objects[r].Y1).second)
            if (PlainJoint(p, r)) joints.push_back({p, r});
        for (int s : At(Map.Objects[r].X2, Map.Objects[r].Y2).first)
            if (PlainJoint(r, s)) joints.push_back({r, s});
        for (int shift = 1; shift <= MostShift; ++shift)
            for (auto [a, b] : joints)
                for (int side : {-1, 1})
                    if (MoveJoint(r, a, b, side * shift)) return true;
        for (auto [a, b] : joints)
            if (Merge(r, a, b)) return true;
        return false;
    }

    // Moves the joint of a and b `shift` metres along the track (back along a when negative).
    bool MoveJoint(int r, int ia, int ib, int shift) {
        TMapObject a = Map.Objects[ia], b = Map.Objects[ib];
        const TMapObject& along = shift < 0 ? Map.Objects[ia] : Map.Objects[ib];
        const double length = Length(along), t = std::abs(shift) / length;
        if (t >= 1) return false;
        const double x = shift < 0 ? a.X2 + t * (a.X1 - a.X2) : b.X1 + t * (b.X2 - b.X1);
        const double y = shift < 0 ? a.Y2 + t * (a.Y1 - a.Y2) : b.Y1 + t * (b.Y2 - b.Y1);
        const auto px = std::int16_t(std::lround(x)), py = std::int16_t(std::lround(y));
        if ((px == a.X2 && py == a.Y2) || (px == a.X1 && py == a.Y1) || (px == b.X2 && py == b.Y2))
            return false;
        a.X2 = px, a.Y2 = py, b.X1 = px, b.Y1 = py;
        if (!LongEnough(a) || !LongEnough(b) || !StillJoined(ia, a, ib, b)) return false;
        const TMapObject& old = Map.Objects[ia];
        const double stray =
            std::sqrt(std::min(PointSegmentDistSq(old.X2, old.Y2, a.X1, a.Y1, a.X2, a.Y2),
                               PointSegmentDistSq(old.X2, old.Y2, b.X1, b.Y1, b.X2, b.Y2)));
        if (stray > MostStray || !CrowdFits(ia, a, ib, b)) return false;
        Map.Objects[ia] = a, Map.Objects[ib] = b;
        LowerGrades({ia, ib});
        Note(Arg(translate("Import", "стык рельсов сдвинут на %1 м: у рельса было больше шести "
                                     "рельсов ближе 4 м"),
                 std::to_string(std::abs(shift))),
             r, {ia, ib});
        return true;
    }

    // Rails a and b, straight enough, made one.
    bool Merge(int r, int ia, int ib) {
        const TMapObject& a = Map.Objects[ia];
        const TMapObject& b = Map.Objects[ib];
        if (a.IsStop() && b.IsStop()) return false;
        TMapObject joined = a;
        joined.X2 = b.X2, joined.Y2 = b.Y2;
        if (b.IsStop()) joined.SetStopType(b.StopType());
        joined.SetSpeedGrade(std::min(a.SpeedGrade(), b.SpeedGrade()));
        if (std::sqrt(PointSegmentDistSq(a.X2, a.Y2, joined.X1, joined.Y1, joined.X2, joined.Y2)) >
            MostStray)
            return false;
        if (NearCount(ia, joined, ib) > MostNear) return false;
        const std::vector<int> refsAt{ia, ib};
        Note(translate("Import", "два рельса сделаны одним: у рельса было больше шести рельсов "
                                 "ближе 4 м"),
             r, refsAt);
        Map.Objects[ia] = joined;
        Remove(ib);
        Renumbered = true;
        return true;
    }

    // Takes rail `gone` out of the map; the circuits, which passed it after the rail before it,
    // lose it and count the rails after it one lower.
    void Remove(int gone) {
        Map.Objects.erase(Map.Objects.begin() + gone);
        for (TLaidCircuit& laid : Rails.Circuits) {
            std::vector<int> kept;
            for (int rail : laid.Rails)
                if (rail != gone) kept.push_back(rail > gone ? rail - 1 : rail);
            laid.Rails = std::move(kept);
        }
        --Rails.Rails;
    }

    // The speed grades of moved rails, and of the rails before them, allow for their joints.
    void LowerGrades(const std::vector<int>& moved) {
        std::set<int> rails(moved.begin(), moved.end());
        for (int m : moved)
            for (int j : At(Map.Objects[m].X1, Map.Objects[m].Y1).second)
                rails.insert(j);
        for (int i : rails) {
            TMapObject& rail = Map.Objects[i];
            double allowed = 1e9;
            for (int j : At(rail.X2, rail.Y2).first) {
                const TMapObject& next = Map.Objects[j];
                if (Dot(rail, next) <= 0) continue;
                const double c = std::min(1.0, std::abs(CosAngle(rail, next)));
                const double bend = std::sqrt(0.05 * std::sqrt((1 - c) / (1 + c)));
                if (bend > 0) allowed = std::min(allowed, 3.6 / bend);
            }
            if (allowed * 0.95 < rail.SpeedGrade() * 0.3 + 15)
                rail.SetSpeedGrade(
                    std::uint8_t(std::clamp(int((allowed * 0.95 - 15) / 0.3), 0, 255)));
        }
    }

    TMap& Map;
    TRailNetwork& Rails;
    const std::vector<TCircuitPlan>& Plans;
    const TProjection& Projection;
    std::vector<TNetworkMend>& Mends;
    bool Renumbered = false;
    std::vector<std::pair<double, double>> Separated; // where separations were noted
};

// The rails a fault lies on: the faulty rail and those near it.
std::vector<int> FaultPlace(const TMap& map, int rail) {
    std::vector<int> place{rail};
    if (const TLinkRec* link = map.Link(rail))
        for (std::uint16_t n : link->Near)
            if (n != NoObject) place.push_back(n);
    return place;
}

// The line to leave out: the one the most faulty places lie on; of equals, the one whose track
// there the fewest other lines use (the least used branch), then the last in the table.
std::size_t WorstLine(const TMap& map, const TRailNetwork& rails,
                      const std::vector<TRailFault>& faults) {
    std::vector<int> users(std::size_t(map.ObjectCount()), 0);
    std::vector<std::set<int>> onLine(rails.Circuits.size());
    for (std::size_t p = 0; p < rails.Circuits.size(); ++p) {
        for (int r : rails.Circuits[p].Rails)
            onLine[p].insert(r);
        for (int r : onLine[p])
            if (r < map.ObjectCount()) ++users[std::size_t(r)];
    }
    std::size_t worst = rails.Circuits.size() - 1;
    int worstPlaces = -1, worstUse = 0;
    for (std::size_t p = 0; p < rails.Circuits.size(); ++p) {
        int places = 0, use = 1 << 30;
        for (const TRailFault& f : faults) {
            bool on = false;
            for (int r : FaultPlace(map, f.Index))
                if (onLine[p].count(r)) {
                    on = true;
                    use = std::min(use, users[std::size_t(r)]);
                }
            places += on;
        }
        if (places > worstPlaces || (places == worstPlaces && places > 0 && use <= worstUse)) {
            worst = p;
            worstPlaces = places;
            worstUse = use;
        }
    }
    return worst;
}

} // namespace

bool SeparateOppositeTracks(TMap& map, const TProjection& projection,
                            std::vector<TNetworkMend>& mends) {
    TRailNetwork none;
    const std::vector<TCircuitPlan> plans;
    TMender mender(map, none, plans, projection, mends);
    if (!mender.SeparateOpposites()) return false;
    map.FreeNetwork();
    map.BuildNetwork();
    map.ClearMarks();
    return true;
}

int MendFaultyRails(TMap& map, const TProjection& projection, std::vector<TNetworkMend>& mends) {
    TRailNetwork none;
    const std::vector<TCircuitPlan> plans;
    std::vector<TRailFault> faults;
    map.FreeNetwork();
    int result = BuildNetwork(map, &faults);
    for (int round = 0; round < 16 && result >= 0; ++round) {
        TMender mender(map, none, plans, projection, mends);
        if (!mender.MendAll(faults)) break;
        map.FreeNetwork();
        faults.clear();
        result = BuildNetwork(map, &faults);
    }
    map.ClearMarks();
    return result;
}

TGeoPoint PlaceOf(const TProjection& projection, double x, double y) {
    return projection.ToGeo({x, y});
}

std::vector<std::string> RefsThrough(const std::vector<TCircuitPlan>& plans,
                                     const std::vector<TLaidCircuit>& circuits,
                                     const std::vector<int>& rails) {
    std::vector<std::string> refs;
    for (std::size_t p = 0; p < circuits.size() && p < plans.size(); ++p) {
        const auto& laid = circuits[p].Rails;
        const bool through = std::any_of(rails.begin(), rails.end(), [&](int r) {
            return std::find(laid.begin(), laid.end(), r) != laid.end();
        });
        if (through && std::find(refs.begin(), refs.end(), plans[p].Ref) == refs.end())
            refs.push_back(plans[p].Ref);
    }
    return refs;
}

TMendedRails LayMendedRails(TMap& map, const TTrackGraph& graph, std::vector<TCircuitPlan>& plans,
                            const TProjection& projection) {
    TMendedRails result;
    for (;;) {
        map.NewMap();
        result.Rails = LayRails(map, graph, plans);
        std::vector<TRailFault> faults;
        result.NetworkResult = BuildNetwork(map, &faults);
        std::vector<TNetworkMend> mends;
        for (int round = 0; round < 3; ++round) {
            TMender mender(map, result.Rails, plans, projection, mends);
            if (!mender.SeparateOpposites()) break;
            map.FreeNetwork();
            faults.clear();
            result.NetworkResult = BuildNetwork(map, &faults);
        }
        // A few rounds of local mends: each either clears its fault or changes nothing.
        for (int round = 0; round < 16 && result.NetworkResult >= 0; ++round) {
            TMender mender(map, result.Rails, plans, projection, mends);
            if (!mender.MendAll(faults)) break;
            map.FreeNetwork();
            faults.clear();
            result.NetworkResult = BuildNetwork(map, &faults);
        }
        if (result.NetworkResult < 0 || plans.empty()) {
            result.Mends.insert(result.Mends.end(), mends.begin(), mends.end());
            for (TLaidCircuit& laid : result.Rails.Circuits) {
                laid.StopRails.clear();
                for (int r : laid.Rails)
                    if (map.Objects[r].IsStop()) laid.StopRails.push_back(r);
            }
            result.Rails.StopRails = 0;
            for (const TMapObject& o : map.Objects)
                result.Rails.StopRails += o.IsRail() && o.IsStop();
            for (const TRailFault& f : faults)
                result.FaultyRails.push_back(f.Index);
            map.ClearMarks();
            return result;
        }
        // Mending was not enough: the worst line goes, and the rest is laid again without it.
        const std::size_t worst = WorstLine(map, result.Rails, faults);
        int at = faults.front().Index;
        for (const TRailFault& f : faults)
            for (int r : FaultPlace(map, f.Index))
                if (std::count(result.Rails.Circuits[worst].Rails.begin(),
                               result.Rails.Circuits[worst].Rails.end(), r)) {
                    at = f.Index;
                    break;
                }
        const TMapObject& o = map.Objects[at];
        const TGeoPoint place = PlaceOf(projection, (o.X1 + o.X2) / 2.0, (o.Y1 + o.Y2) / 2.0);
        unsigned rules = 0;
        for (const TRailFault& f : faults)
            if (f.Index == at) rules = f.Rules;
        result.LeftOut.push_back(
            {Arg(translate("Import", "маршрут %1"), plans[worst].Ref),
             ArgList(translate("Import", "рельсовая сеть у %1, %2 не проходит проверку (%3), и "
                                         "исправить её на месте не удалось"),
                     {FormatDegrees(place.Lat), FormatDegrees(place.Lon), RailRulesText(rules)}),
             plans[worst].Ref});
        plans.erase(plans.begin() + long(worst));
    }
}

} // namespace vell::import

namespace vell::import {

int MarkKeepClear(TMap& map) {
    int marked = 0;
    for (int r = 0; r < map.ObjectCount(); ++r) {
        TMapObject& o = map.Objects[r];
        const TLinkRec* link = map.Link(r);
        if (!o.IsRail() || !link) continue;
        bool crowded = false;
        for (std::uint16_t n : link->Near) {
            if (n == NoObject) continue;
            const TMapObject& other = map.Objects[n];
            if (!(other.X2 == o.X1 && other.Y2 == o.Y1 && Dot(other, o) > 0)) crowded = true;
        }
        if (crowded && !o.KeepClear()) {
            o.SetKeepClear(true);
            ++marked;
        }
    }
    // A short plain stretch between two such places (where the two directions of a line swap
    // sides, crossing each other twice) is one place: a tram that stopped inside it would hold
    // the first crossing while it waits at the second for a tram that waits for the first.
    std::vector<int> predecessors(std::size_t(map.ObjectCount()), 0);
    for (int r = 0; r < map.ObjectCount(); ++r)
        if (const TLinkRec* link = map.Link(r))
            for (int k = 0; k < (link->IsSwitch() ? 2 : 1); ++k)
                if (link->Next[k] != NoObject) ++predecessors[link->Next[k]];
    for (int r = 0; r < map.ObjectCount(); ++r) {
        const TLinkRec* link = map.Link(r);
        if (!link || !map.Objects[r].KeepClear() || link->IsSwitch()) continue;
        std::vector<int> gap;
        double length = 0;
        int at = link->Next[0];
        while (at != NoObject && !map.Objects[at].KeepClear() && length <= MostKeepClearGap) {
            const TLinkRec* next = map.Link(at);
            if (!next || next->IsSwitch() || predecessors[at] != 1) break;
            gap.push_back(at);
            length += Length(map.Objects[at]);
            at = next->Next[0];
        }
        if (gap.empty() || length > MostKeepClearGap || at == NoObject ||
            !map.Objects[at].KeepClear() || predecessors[gap.front()] != 1)
            continue;
        for (int g : gap) {
            map.Objects[g].SetKeepClear(true);
            ++marked;
        }
    }
    return marked;
}

} // namespace vell::import
