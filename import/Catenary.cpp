// The catenary along the imported rails, as the editor's double track with poles draws it: a
// pole on each side of the track and an arch between them. The rails run in chains from one
// junction to the next; along each chain a place about every PoleSpacing metres, where the arch
// spans the rail and its partner (the nearest rail beside it running the other way, on its left
// as trams keep right) or the rail alone. Places where a pole would stand near a rail (junctions,
// crossings, loops) are skipped, and so is a place the track's other direction has arched
// already.
#include "import/CityParts.h"

#include "import/PlaneGeometry.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <utility>

namespace vell::import {

namespace {

constexpr double LeastPartnerGap = 2, MostPartnerGap = 10; // metres between the two rails
constexpr double PartnerCosine = -0.8;                     // about opposite: within 37 degrees
// Another arch whose middle lies this near, and whose span reaches across to this one's
// middle, stands on the same track.
constexpr double SameTrackReach = 0.6 * PoleSpacing;

using TEnd = std::pair<int, int>;

TPointM StartOf(const TMapObject& o) {
    return {double(o.X1), double(o.Y1)};
}
TPointM EndOf(const TMapObject& o) {
    return {double(o.X2), double(o.Y2)};
}

// The rails in chains: each chain continues through a point where exactly one rail ends and one
// starts, and stops at every other point (a switch, a merge, a track end). Chains come in the
// order of their first rails, closed circles last.
std::vector<std::vector<int>> RailChains(const TMap& map) {
    std::map<TEnd, std::vector<int>> starting, ending;
    for (int i = 0; i < map.ObjectCount(); ++i) {
        const TMapObject& o = map.Objects[i];
        if (!o.IsRail()) continue;
        starting[{o.X1, o.Y1}].push_back(i);
        ending[{o.X2, o.Y2}].push_back(i);
    }
    auto count = [](const std::map<TEnd, std::vector<int>>& at, TEnd end) {
        const auto it = at.find(end);
        return it == at.end() ? std::size_t(0) : it->second.size();
    };
    auto plainJoint = [&](TEnd end) {
        return count(starting, end) == 1 && count(ending, end) == 1;
    };
    std::vector<bool> taken(map.ObjectCount(), false);
    std::vector<std::vector<int>> chains;
    auto walk = [&](int first) {
        std::vector<int> chain;
        for (int k = first; !taken[k];) {
            taken[k] = true;
            chain.push_back(k);
            const TEnd end{map.Objects[k].X2, map.Objects[k].Y2};
            if (!plainJoint(end)) break;
            k = starting.at(end).front();
        }
        chains.push_back(std::move(chain));
    };
    for (int i = 0; i < map.ObjectCount(); ++i)
        if (map.Objects[i].IsRail() && !plainJoint({map.Objects[i].X1, map.Objects[i].Y1})) walk(i);
    for (int i = 0; i < map.ObjectCount(); ++i)
        if (map.Objects[i].IsRail() && !taken[i]) walk(i);
    return chains;
}

// A place on a rail and the rail's direction there.
struct TPlace {
    TPointM At, Heading;
    int Rail = 0;
};

std::vector<TPlace> PlacesAlong(const TMap& map, const std::vector<int>& chain) {
    std::vector<double> lengths;
    double total = 0;
    for (const int k : chain) {
        lengths.push_back(Norm(EndOf(map.Objects[k]) - StartOf(map.Objects[k])));
        total += lengths.back();
    }
    const int count = std::max(1, int(std::lround(total / PoleSpacing)));
    std::vector<TPlace> places;
    std::size_t rail = 0;
    double before = 0; // length of the chain before `rail`
    for (int j = 0; j < count; ++j) {
        const double s = (j + 0.5) * total / count;
        while (rail + 1 < chain.size() && before + lengths[rail] < s)
            before += lengths[rail++];
        const TMapObject& o = map.Objects[chain[rail]];
        const TPointM a = StartOf(o), b = EndOf(o);
        const double t = lengths[rail] > 0 ? std::clamp((s - before) / lengths[rail], 0.0, 1.0) : 0;
        places.push_back({a + t * (b - a), Unit(b - a), chain[rail]});
    }
    return places;
}

// The foot on the partner rail: the nearest rail running the other way beside the place, on its
// left if there is one there, else on its right.
std::optional<TPointM> PartnerFoot(const TPlace& place, const TSegmentGrid& rails) {
    std::optional<TPointM> best;
    bool bestOnRight = true;
    double bestGap = 0;
    for (const int k : rails.Near(place.At, place.At, MostPartnerGap)) {
        const TSegmentGrid::TSegment& s = rails.Segments()[k];
        if (s.Id == place.Rail || Dot(Unit(s.B - s.A), place.Heading) > PartnerCosine) continue;
        const TPointM d = s.B - s.A;
        const double t = Dot(place.At - s.A, d) / Dot(d, d);
        if (t < 0 || t > 1) continue;
        const TPointM foot = s.A + t * d;
        const double gap = Norm(foot - place.At);
        if (gap < LeastPartnerGap || gap > MostPartnerGap) continue;
        const bool onRight = Dot(foot - place.At, RightOf(place.Heading)) > 0;
        if (best && std::make_pair(onRight, gap) >= std::make_pair(bestOnRight, bestGap)) continue;
        best = foot, bestOnRight = onRight, bestGap = gap;
    }
    return best;
}

bool InMap(TPointM p) {
    return p.X >= 0 && p.X <= 9999 && p.Y >= 0 && p.Y <= 9999;
}

bool ArchedAlready(TPointM from, TPointM to, const TSegmentGrid& arches) {
    const TPointM middle = 0.5 * (from + to);
    for (const int k : arches.Near(middle, middle, SameTrackReach)) {
        const TSegmentGrid::TSegment& arch = arches.Segments()[k];
        const TPointM other = 0.5 * (arch.A + arch.B);
        if (Norm(middle - other) > SameTrackReach) continue;
        const double across = std::abs(Dot(middle - other, Unit(arch.B - arch.A)));
        if (across <= 0.5 * Norm(arch.B - arch.A)) return true;
    }
    return false;
}

TMapObject Catenary(std::uint8_t kind, TPointM from, TPointM to) {
    TMapObject o = MakeObject(kind, int(from.X), int(from.Y), int(to.X), int(to.Y));
    o.Red = o.Green = o.Blue = CatenaryGrey;
    return o;
}

} // namespace

std::vector<TObjectGroup> CatenaryArches(const TMap& map, const TSegmentGrid& rails) {
    std::vector<TObjectGroup> groups;
    TSegmentGrid arches;
    for (const std::vector<int>& chain : RailChains(map))
        for (const TPlace& place : PlacesAlong(map, chain)) {
            const std::optional<TPointM> foot = PartnerFoot(place, rails);
            const TPointM across = foot ? Unit(*foot - place.At) : RightOf(place.Heading);
            const TPointM far = foot ? *foot : place.At;
            const TPointM from = Rounded(place.At - PoleOutside * across);
            const TPointM to = Rounded(far + PoleOutside * across);
            if (!InMap(from) || !InMap(to)) continue;
            if (rails.DistanceWithin(from, from, PoleClearance) < PoleClearance ||
                rails.DistanceWithin(to, to, PoleClearance) < PoleClearance)
                continue;
            if (ArchedAlready(from, to, arches)) continue;
            arches.Add(from, to, int(groups.size()));
            groups.push_back({Catenary(HighWall, from, from), Catenary(HighWall, to, to),
                              Catenary(Arch, from, to)});
        }
    return groups;
}

} // namespace vell::import
