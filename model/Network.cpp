// Building the rail network: successors, near rails and the soundness rules.
//
// Every rail is compared only with the rails that come within 4 m of it, found through a
// uniform grid; candidates are then tested in index order, so the links, marks and result are
// exactly those of comparing every rail with every other.
#include "model/Network.h"

#include "model/Geometry.h"
#include "model/Texts.h"
#include "model/Units.h"

#include <algorithm>
#include <cmath>

namespace vell {

const TRailRuleText RailRuleTexts[4] = {
    {DeadEnd, "dead_end", QT_TRANSLATE_NOOP("Network", "тупик: рельс никуда не ведёт")},
    {TooManySuccessors, "more_than_two_successors",
     QT_TRANSLATE_NOOP("Network", "больше двух продолжений")},
    {TooManyNear, "more_than_six_near",
     QT_TRANSLATE_NOOP("Network", "больше шести рельсов ближе 4 м")},
    {ShortStop, "stop_shorter_than_25m", QT_TRANSLATE_NOOP("Network", "остановка короче 25 м")},
};

std::string RailRulesText(unsigned rules) {
    std::string text;
    for (const TRailRuleText& r : RailRuleTexts)
        if (rules & r.Rule) {
            if (!text.empty()) text += "; ";
            text += translate("Network", r.Caption);
        }
    return text;
}

namespace {

constexpr double NearDistSq = 16; // 4 m
constexpr int NearMargin = 4;

// Rails bucketed by the grid cells their bounding boxes (grown by 4 m) overlap.
class TRailGrid {
  public:
    explicit TRailGrid(const std::vector<TMapObject>& objects) : Objects(objects) {
        int minX = 0, minY = 0, maxX = 0, maxY = 0;
        bool any = false;
        for (const TMapObject& o : objects) {
            if (!o.IsRail()) continue;
            const int lx = std::min(o.X1, o.X2), hx = std::max(o.X1, o.X2);
            const int ly = std::min(o.Y1, o.Y2), hy = std::max(o.Y1, o.Y2);
            minX = any ? std::min(minX, lx) : lx;
            maxX = any ? std::max(maxX, hx) : hx;
            minY = any ? std::min(minY, ly) : ly;
            maxY = any ? std::max(maxY, hy) : hy;
            any = true;
        }
        OriginX = minX - NearMargin;
        OriginY = minY - NearMargin;
        const int extent = std::max(maxX - minX, maxY - minY) + 2 * NearMargin + 1;
        // About 32 m cells on a 10 km map; wider cells keep odd maps' grids small.
        CellSize = std::max(32, extent / 512 + 1);
        Columns = extent / CellSize + 1;
        Rows = Columns;
        Fill();
    }

    // Calls visit(j) once for every rail j whose grown box overlaps rail i's box.
    template <class Visit> void ForEachCandidate(const TMapObject& o, Visit visit) const {
        int c0, c1, r0, r1;
        CellRange(o, 0, c0, c1, r0, r1);
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c) {
                const std::size_t cell = std::size_t(r) * Columns + c;
                for (std::uint32_t k = Start[cell]; k < Start[cell + 1]; ++k)
                    visit(Items[k]);
            }
    }

  private:
    void CellRange(const TMapObject& o, int margin, int& c0, int& c1, int& r0, int& r1) const {
        auto cell = [&](int v, int origin, int count) {
            return std::clamp((v - origin) / CellSize, 0, count - 1);
        };
        c0 = cell(std::min(o.X1, o.X2) - margin, OriginX, Columns);
        c1 = cell(std::max(o.X1, o.X2) + margin, OriginX, Columns);
        r0 = cell(std::min(o.Y1, o.Y2) - margin, OriginY, Rows);
        r1 = cell(std::max(o.Y1, o.Y2) + margin, OriginY, Rows);
    }

    template <class Visit> void ForEachCellOf(std::size_t j, Visit visit) const {
        int c0, c1, r0, r1;
        CellRange(Objects[j], NearMargin, c0, c1, r0, r1);
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c)
                visit(std::size_t(r) * Columns + c);
    }

    // Count, then place: one flat array, each cell's slice in ascending index order.
    void Fill() {
        Start.assign(std::size_t(Rows) * Columns + 1, 0);
        for (std::size_t j = 0; j < Objects.size(); ++j)
            if (Objects[j].IsRail()) ForEachCellOf(j, [&](std::size_t cell) { ++Start[cell + 1]; });
        for (std::size_t k = 1; k < Start.size(); ++k)
            Start[k] += Start[k - 1];
        Items.resize(Start.back());
        std::vector<std::uint32_t> cursor(Start.begin(), Start.end() - 1);
        for (std::size_t j = 0; j < Objects.size(); ++j)
            if (Objects[j].IsRail())
                ForEachCellOf(j,
                              [&](std::size_t cell) { Items[cursor[cell]++] = std::uint32_t(j); });
    }

    const std::vector<TMapObject>& Objects;
    int OriginX = 0, OriginY = 0, CellSize = 32, Columns = 1, Rows = 1;
    std::vector<std::uint32_t> Start; // cell k holds Items[Start[k] .. Start[k + 1])
    std::vector<std::uint32_t> Items;
};

} // namespace

int BuildNetwork(TMap& map, std::vector<TRailFault>* faults) {
    map.ClearMarks();
    int error = -1;
    const std::vector<TMapObject>& objects = map.Objects;
    map.Links.assign(objects.size(), std::nullopt);
    if (faults) faults->clear();

    TRailGrid grid(objects);
    std::vector<std::uint32_t> seenBy(objects.size(), UINT32_MAX);
    std::vector<std::uint32_t> candidates;

    for (std::size_t i = 0; i < objects.size(); ++i) {
        const TMapObject& a = objects[i];
        if (!a.IsRail()) continue;
        unsigned rules = 0;
        const int dx = a.X2 - a.X1, dy = a.Y2 - a.Y1;
        if (a.IsStop() && dx * dx + dy * dy < 625) rules |= ShortStop;

        candidates.clear();
        grid.ForEachCandidate(a, [&](std::uint32_t j) {
            if (j != i && seenBy[j] != i) {
                seenBy[j] = std::uint32_t(i);
                candidates.push_back(j);
            }
        });
        std::sort(candidates.begin(), candidates.end());

        TLinkRec link;
        int successors = 0, nears = 0, first = -1;
        for (std::uint32_t j : candidates) {
            const TMapObject& b = objects[j];
            if (a.X2 == b.X1 && a.Y2 == b.Y1 && Dot(a, b) > 0) {
                if (successors == 0) {
                    link.Next = {std::uint16_t(j), std::uint16_t(j)};
                    first = int(j);
                } else if (successors == 1) {
                    // The branch to the left on the plan view (Y down) becomes Next[0].
                    if (Cross(b, objects[first]) > 0)
                        link.Next[0] = std::uint16_t(j);
                    else
                        link.Next[1] = std::uint16_t(j);
                } else {
                    rules |= TooManySuccessors;
                }
                ++successors;
            } else if (SegmentDistSq(a, b) < NearDistSq) {
                if (nears < 6)
                    link.Near[nears] = std::uint16_t(j);
                else
                    rules |= TooManyNear;
                ++nears;
            }
        }
        if (successors == 0) rules |= DeadEnd;
        map.Links[i] = link;
        if (rules) {
            map.Objects[i].SetSelected(true);
            error = int(i);
            if (faults) faults->push_back({int(i), rules});
        }
    }
    map.NetworkOk = error < 0;
    return error;
}

int TMap::BuildNetwork() {
    return vell::BuildNetwork(*this, nullptr);
}

void TMap::FreeNetwork() {
    Links.clear();
    NetworkOk = false;
    for (auto& row : Routes)
        for (TRouteRec& r : row)
            r.Usable = false;
}

namespace {
double BendFactor(const TMapObject& rail, const TMapObject& next) {
    // Rails in line off the axes, (3, 4) then (6, 8), give a cosine a hair above 1, whose root
    // would make the limit not a number.
    const double c = std::min(1.0, std::fabs(CosAngle(rail, next)));
    return std::sqrt(std::sqrt((1 - c) / (1 + c)) * 0.05) / 3.6;
}
} // namespace

double SpeedLimit(const TMap& map, int rail) {
    const TMapObject& o = map.Objects[rail];
    const double base = o.SpeedGrade() * 0.3 + 15;
    const TLinkRec* link = map.Link(rail);
    if (!link || link->Next[0] == NoObject) return std::max(base, 15.0); // no network yet
    double k = BendFactor(o, map.Objects[link->Next[0]]);
    if (link->IsSwitch()) k = std::min(k, BendFactor(o, map.Objects[link->Next[1]]));
    const double p = std::max(base * k, 1.0);
    double v = base / p;
    if ((link->IsSwitch() || link->Near[1] != NoObject) && v > 30) v = 30;
    return std::max(v, 15.0);
}

double SegmentTime(const TMap& map, int rail) {
    const double v = std::min(SpeedLimit(map, rail) * 0.6, 30.0);
    double t = Length(map.Objects[rail]) / v * 3.6;
    switch (map.Objects[rail].StopType()) {
    case 2:
        t += 20;
        break;
    case 3:
        t += 50;
        break;
    default:
        break;
    }
    return t * TicksPerSecond;
}

} // namespace vell
