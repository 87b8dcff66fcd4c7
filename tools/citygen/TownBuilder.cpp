// Drawing the town.
#include "tools/citygen/TownBuilder.h"

#include "model/Random.h"

#include <algorithm>
#include <cmath>

namespace vell::citygen {

namespace {

constexpr int AvenueHalfWidth = 16; // tram streets: two tracks and a lane either side
constexpr int StreetHalfWidth = 9;
constexpr int Sidewalk = 4;
constexpr int TrackMargin = 7; // nothing of the town comes closer to a track's centre line

const TColour Kerb{150, 150, 150}, Parapet{115, 115, 125}, WaterEdge{60, 110, 210},
    Ripple{35, 70, 160}, Embankment{125, 105, 85}, TrackBed{90, 85, 80}, Platform{170, 170, 160},
    Path{190, 170, 120}, ParkFence{70, 120, 60}, Hedge{40, 150, 60}, Paving{160, 150, 140},
    Gate{120, 120, 120}, Chimney{160, 70, 50};

const TColour HouseWalls[] = {{205, 185, 150}, {185, 95, 70},   {225, 215, 190}, {150, 150, 160},
                              {215, 165, 95},  {170, 190, 205}, {160, 120, 100}, {200, 140, 140}};
const TColour TowerWalls[] = {
    {120, 135, 160}, {95, 105, 125}, {200, 200, 215}, {140, 160, 150}, {175, 160, 200}};
const TColour ShedWalls[] = {{130, 130, 120}, {110, 100, 90}, {150, 145, 130}};

struct TRect {
    int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    int W() const { return X2 - X1; }
    int H() const { return Y2 - Y1; }
    TRect Grown(int m) const { return {X1 - m, Y1 - m, X2 + m, Y2 + m}; }
};

// Whether the segment a-b meets the rectangle (Liang-Barsky clipping).
bool SegmentMeetsRect(TPoint a, TPoint b, const TRect& r) {
    double t0 = 0, t1 = 1;
    const double dx = b.X - a.X, dy = b.Y - a.Y;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {double(a.X - r.X1), double(r.X2 - a.X), double(a.Y - r.Y1),
                         double(r.Y2 - a.Y)};
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0) {
            if (q[k] < 0) return false;
            continue;
        }
        const double t = q[k] / p[k];
        if (p[k] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    return true;
}

class TTown {
  public:
    TTown(TMap& map, const TTownPlan& plan, const std::vector<std::pair<TPoint, TPoint>>& tracks)
        : Map(map), Plan(plan), Tracks(tracks), Random(plan.Seed) {}

    void Build() {
        River();
        Railway();
        Streets();
        std::vector<std::pair<int, int>> blocks;
        for (int j = 0; j < Plan.Rows(); ++j)
            for (int i = 0; i < Plan.Columns(); ++i)
                blocks.push_back({i, j});
        if (Plan.ShuffleBlocks)
            for (int k = int(blocks.size()) - 1; k > 0; --k)
                std::swap(blocks[k], blocks[Random.Below(k + 1)]);
        for (auto [i, j] : blocks)
            Block(i, j);
    }

  private:
    int X(int i) const { return Plan.Left + i * Plan.Block; }
    int Y(int j) const { return Plan.Top + j * Plan.Block; }
    char Cell(int i, int j) const {
        if (i < 0 || j < 0 || j >= Plan.Rows() || i >= Plan.Columns()) return '.';
        return Plan.Blocks[j][i];
    }
    static bool Listed(const std::vector<int>& list, int v) {
        return std::find(list.begin(), list.end(), v) != list.end();
    }
    int HalfX(int i) const {
        return Listed(Plan.AvenuesX, X(i)) ? AvenueHalfWidth : StreetHalfWidth;
    }
    int HalfY(int j) const {
        return Listed(Plan.AvenuesY, Y(j)) ? AvenueHalfWidth : StreetHalfWidth;
    }
    bool Room() const { return Map.ObjectCount() < Plan.MaxObjects; }
    int Between(int low, int high) { return low + Random.Below(high - low + 1); }
    template <std::size_t N> TColour Pick(const TColour (&colours)[N]) {
        return colours[Random.Below(int(N))];
    }

    void Add(std::uint8_t kind, TPoint a, TPoint b, TColour c) {
        if (!Room()) return;
        TMapObject o = MakeObject(kind, a.X, a.Y, b.X, b.Y);
        o.Red = c.R;
        o.Green = c.G;
        o.Blue = c.B;
        Map.AddObject(o);
    }
    void Outline(std::uint8_t kind, const TRect& r, TColour c) {
        Add(kind, {r.X1, r.Y1}, {r.X2, r.Y1}, c);
        Add(kind, {r.X2, r.Y1}, {r.X2, r.Y2}, c);
        Add(kind, {r.X2, r.Y2}, {r.X1, r.Y2}, c);
        Add(kind, {r.X1, r.Y2}, {r.X1, r.Y1}, c);
    }
    // Clear of every track, so that nothing stands on the tramway.
    bool Clear(const TRect& r) const {
        const TRect grown = r.Grown(TrackMargin);
        return std::none_of(Tracks.begin(), Tracks.end(), [&](const auto& t) {
            return SegmentMeetsRect(t.first, t.second, grown);
        });
    }
    bool ClearLine(TPoint a, TPoint b) const {
        return Clear(
            {std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)});
    }
    void Building(const TRect& r, double highShare, const TColour* colour = nullptr) {
        if (r.W() < 4 || r.H() < 4 || !Clear(r)) return;
        const bool high = Random.Real() < highShare;
        const TColour c = colour ? *colour : high ? Pick(TowerWalls) : Pick(HouseWalls);
        Outline(high ? HighWall : Wall, r, c);
    }
    // A row of trees, drawn only where it is long enough to stand (20 m) and clear of tracks.
    void TreeRow(TPoint a, TPoint b) {
        const int len = std::max(std::abs(b.X - a.X), std::abs(b.Y - a.Y));
        if (len >= 22 && ClearLine(a, b))
            Add(Trees, a, b,
                {std::uint8_t(Random.Below(255)), std::uint8_t(Random.Below(255)),
                 std::uint8_t(Random.Below(255))});
    }

    // ---- Streets ----

    // Neighbouring blocks of a microdistrict, a park or a works make one area without a street
    // between them, unless a track runs there.
    static bool Merges(char a, char b) { return a == b && (a == 'M' || a == 'G' || a == 'I'); }
    // A track runs along the street from a to b (a street axis) within 4 m of its middle, away
    // from the crossings at its ends.
    bool TrackAlong(TPoint a, TPoint b) const {
        const bool vertical = a.X == b.X;
        const int dx = vertical ? 4 : -20, dy = vertical ? -20 : 4;
        const TRect along{std::min(a.X, b.X) - dx, std::min(a.Y, b.Y) - dy, std::max(a.X, b.X) + dx,
                          std::max(a.Y, b.Y) + dy};
        return !Clear(along.Grown(-TrackMargin));
    }
    bool VerticalStreet(int i, int j) const {
        const char a = Cell(i - 1, j), b = Cell(i, j);
        if (a == '~' || b == '~') return Listed(Plan.BridgesX, X(i));
        if (a == '=' || b == '=') return Listed(Plan.UnderpassesX, X(i));
        if (Merges(a, b) && !TrackAlong({X(i), Y(j)}, {X(i), Y(j + 1)})) return false;
        return a != '.' || b != '.';
    }
    bool HorizontalStreet(int i, int j) const {
        const char a = Cell(i, j - 1), b = Cell(i, j);
        if (Merges(a, b) && !TrackAlong({X(i), Y(j)}, {X(i + 1), Y(j)})) return false;
        return a != '.' || b != '.';
    }

    // Kerbs run from corner to corner of their block; where the crossing street is missing on
    // their side, they run on to meet the next kerb.
    void Streets() {
        for (int i = 0; i <= Plan.Columns(); ++i)
            for (int j = 0; j < Plan.Rows(); ++j) {
                if (!VerticalStreet(i, j)) continue;
                const int x = X(i), h = HalfX(i);
                for (int side : {-1, 1}) {
                    const int column = side < 0 ? i - 1 : i;
                    const int y1 = HorizontalStreet(column, j) ? Y(j) + HalfY(j) : Y(j);
                    const int y2 =
                        HorizontalStreet(column, j + 1) ? Y(j + 1) - HalfY(j + 1) : Y(j + 1);
                    Add(Border, {x + side * h, y1}, {x + side * h, y2}, Kerb);
                }
                const int y1 = Y(j) + HalfY(j), y2 = Y(j + 1) - HalfY(j + 1);
                const char row = Cell(i, j) == '.' ? Cell(i - 1, j) : Cell(i, j);
                if (row == '~') // the bridge's outer edges
                    for (int side : {-1, 1})
                        Add(Border, {x + side * (h + 3), y1}, {x + side * (h + 3), y2}, Parapet);
                if (row == '=') Underpass(x, h, j);
            }
        for (int j = 0; j <= Plan.Rows(); ++j)
            for (int i = 0; i < Plan.Columns(); ++i) {
                if (!HorizontalStreet(i, j)) continue;
                const int y = Y(j), h = HalfY(j);
                for (int side : {-1, 1}) {
                    const int row = side < 0 ? j - 1 : j;
                    const int x1 = VerticalStreet(i, row) ? X(i) + HalfX(i) : X(i);
                    const int x2 = VerticalStreet(i + 1, row) ? X(i + 1) - HalfX(i + 1) : X(i + 1);
                    Add(Border, {x1, y + side * h}, {x2, y + side * h}, Kerb);
                }
            }
    }

    // The street passes under the railway: walls either side and the bridge's arches above.
    void Underpass(int x, int h, int j) {
        const int top = RailwayTop(j), bottom = RailwayBottom(j);
        for (int side : {-1, 1})
            Add(Wall, {x + side * (h + 1), top}, {x + side * (h + 1), bottom}, Embankment);
        for (int y : {top, bottom})
            Add(Arch, {x - h - 1, y}, {x + h + 1, y}, Embankment);
        Add(Border, {x, top + 3}, {x, bottom - 3}, Gate); // the centre line under the bridge
    }

    // ---- River and railway ----

    // The river and railway run past the town on either side.
    int Reach() const { return 300; }

    // The x ranges [a, b] of a row of the river or railway, cut where streets cross.
    std::vector<std::pair<int, int>> CutRow(const std::vector<int>& crossings, int margin) const {
        std::vector<std::pair<int, int>> ranges;
        int from = std::max(0, X(0) - Reach());
        for (int i = 0; i <= Plan.Columns(); ++i)
            if (Listed(crossings, X(i))) {
                ranges.push_back({from, X(i) - HalfX(i) - margin});
                from = X(i) + HalfX(i) + margin;
            }
        ranges.push_back({from, std::min(9999, X(Plan.Columns()) + Reach())});
        return ranges;
    }

    int RowOf(char c) const {
        for (int j = 0; j < Plan.Rows(); ++j)
            if (Plan.Blocks[j].find(c) != std::string::npos) return j;
        return -1;
    }

    void River() {
        const int j = RowOf('~');
        if (j < 0) return;
        const int north = Y(j) + HalfY(j) + 2, south = Y(j + 1) - HalfY(j + 1) - 2;
        for (auto [a, b] : CutRow(Plan.BridgesX, 4)) {
            Add(Border, {a, north}, {b, north}, Parapet);
            Add(Border, {a, south}, {b, south}, Parapet);
            TreeRow({a + 6, north + 4}, {b - 6, north + 4});
            TreeRow({a + 6, south - 4}, {b - 6, south - 4});
            Add(Border, {a, north + 9}, {b, north + 9}, WaterEdge);
            Add(Border, {a, south - 9}, {b, south - 9}, WaterEdge);
            // Ripples: dashed lines across the water.
            for (int k = 1; k <= 4; ++k) {
                const int y = north + 9 + (south - north - 18) * k / 5;
                for (int x = a + Between(0, 40); x + 20 < b; x += Between(40, 110)) {
                    const int len = Between(20, 60);
                    Add(Border, {x, y}, {std::min(b, x + len), y}, Ripple);
                }
            }
        }
    }

    int RailwayTop(int j) const { return Y(j) + HalfY(j) + 6; }
    int RailwayBottom(int j) const { return Y(j + 1) - HalfY(j + 1) - 6; }

    void Railway() {
        const int j = RowOf('=');
        if (j < 0) return;
        const int top = RailwayTop(j), bottom = RailwayBottom(j), mid = (top + bottom) / 2;
        for (auto [a, b] : CutRow(Plan.UnderpassesX, 1)) {
            Add(Wall, {a, top}, {b, top}, Embankment);
            Add(Wall, {a, bottom}, {b, bottom}, Embankment);
        }
        // Four tracks along the top, over the bridges too.
        const int a = std::max(0, X(0) - Reach()), b = std::min(9999, X(Plan.Columns()) + Reach());
        for (int t : {-21, -7, 7, 21})
            for (int rail : {-1, 1})
                Add(Border, {a, mid + t + rail}, {b, mid + t + rail}, TrackBed);
        // The station: its building beside the square south of the railway, and platforms.
        for (int i = 0; i < Plan.Columns(); ++i) {
            if (Cell(i, j + 1) != 'S') continue;
            const int x1 = X(i) + HalfX(i) + 10, x2 = X(i + 1) - HalfX(i + 1) - 10;
            const TColour station{215, 200, 160};
            Building({x1, bottom - 26, x2, bottom - 4}, 1.0, &station);
            Add(Arch, {(x1 + x2) / 2 - 6, bottom - 4}, {(x1 + x2) / 2 + 6, bottom - 4}, station);
            for (int t : {-14, 0, 14}) {
                Add(Border, {x1 - 60, mid + t - 2}, {x2 + 60, mid + t - 2}, Platform);
                Add(Border, {x1 - 60, mid + t + 2}, {x2 + 60, mid + t + 2}, Platform);
            }
        }
    }

    // ---- Blocks ----

    // Which sides of a block open onto its neighbour of the same area, without a street.
    struct TOpen {
        bool West = false, East = false, North = false, South = false;
    };
    TOpen Open(int i, int j) const {
        return {!VerticalStreet(i, j) && Merges(Cell(i - 1, j), Cell(i, j)),
                !VerticalStreet(i + 1, j) && Merges(Cell(i, j), Cell(i + 1, j)),
                !HorizontalStreet(i, j) && Merges(Cell(i, j - 1), Cell(i, j)),
                !HorizontalStreet(i, j + 1) && Merges(Cell(i, j), Cell(i, j + 1))};
    }

    // The block inside its kerbs and sidewalks; an open side reaches to the missing street's
    // middle.
    TRect Inner(int i, int j) const {
        const TOpen open = Open(i, j);
        return {open.West ? X(i) : X(i) + HalfX(i) + Sidewalk,
                open.North ? Y(j) : Y(j) + HalfY(j) + Sidewalk,
                open.East ? X(i + 1) : X(i + 1) - HalfX(i + 1) - Sidewalk,
                open.South ? Y(j + 1) : Y(j + 1) - HalfY(j + 1) - Sidewalk};
    }

    void Block(int i, int j) {
        const TRect r = Inner(i, j);
        switch (Cell(i, j)) {
        case 'P':
            Perimeter(r, 0.12);
            break;
        case 'T':
            Towers(r);
            break;
        case 'H':
            Houses(r);
            break;
        case 'M':
            Microdistrict(r);
            break;
        // Fenced areas keep a step back from the corners that a loop's track may cut.
        case 'G':
            Park(r.Grown(-3), Open(i, j));
            break;
        case 'I':
            Industry(r.Grown(-3), Open(i, j));
            break;
        case 'S':
            Square(r);
            break;
        default:
            break;
        }
    }

    // The outline of an area's block without its open sides.
    void Fence(const TRect& r, const TOpen& open, TColour c) {
        if (!open.North) Add(Border, {r.X1, r.Y1}, {r.X2, r.Y1}, c);
        if (!open.East) Add(Border, {r.X2, r.Y1}, {r.X2, r.Y2}, c);
        if (!open.South) Add(Border, {r.X2, r.Y2}, {r.X1, r.Y2}, c);
        if (!open.West) Add(Border, {r.X1, r.Y2}, {r.X1, r.Y1}, c);
    }

    // Buildings along one side of a block, from a to b (along x when horizontal), depth d
    // inwards from the street face at `face` (growing by `inward`). One gap may be a gateway
    // with an arch across it at the street face.
    void Row(bool horizontal, int a, int b, int face, int inward, int depth, bool gateway,
             double highShare) {
        int at = a;
        const int gatePos = gateway ? Between(a + 20, std::max(a + 20, b - 30)) : -1;
        while (at < b - 8) {
            int len = Between(16, 40);
            if (b - (at + len) < 14) len = b - at;
            const int back = face + inward * depth;
            const int f1 = std::min(face, back), f2 = std::max(face, back);
            if (horizontal)
                Building({at, f1, at + len, f2}, highShare);
            else
                Building({f1, at, f2, at + len}, highShare);
            at += len;
            if (gateway && at >= gatePos && at < b - 20) {
                const int gap = 7;
                if (horizontal ? ClearLine({at, face}, {at + gap, face})
                               : ClearLine({face, at}, {face, at + gap})) {
                    if (horizontal)
                        Add(Arch, {at, face}, {at + gap, face}, Gate);
                    else
                        Add(Arch, {face, at}, {face, at + gap}, Gate);
                }
                at += gap;
                gateway = false;
            }
        }
    }

    // Houses around a yard, one gateway in from the street.
    void Perimeter(const TRect& r, double highShare) {
        const int d = Between(12, 16);
        const int gate = Random.Below(4);
        Row(true, r.X1, r.X2, r.Y1, 1, d, gate == 0, highShare);
        Row(true, r.X1, r.X2, r.Y2, -1, d, gate == 1, highShare);
        Row(false, r.Y1 + d, r.Y2 - d, r.X1, 1, d, gate == 2, highShare);
        Row(false, r.Y1 + d, r.Y2 - d, r.X2, -1, d, gate == 3, highShare);
        // The yard: a row of trees, sometimes a playground.
        const int yard = r.Y1 + d + (r.H() - 2 * d) / 2;
        if (Random.Below(3) > 0) TreeRow({r.X1 + d + 10, yard}, {r.X2 - d - 10, yard});
        if (Random.Below(3) == 0) {
            const int cx = (r.X1 + r.X2) / 2, cy = yard + 14;
            if (Clear({cx - 10, cy - 6, cx + 10, cy + 6}))
                Outline(Border, {cx - 10, cy - 6, cx + 10, cy + 6}, Path);
        }
    }

    // The centre: tall buildings in one of three ways - a tower on a podium with lower houses
    // along two streets, a row of towers of different sizes, or a long tall front along the
    // street with a square of trees behind it.
    void Towers(const TRect& r) {
        Outline(Border, r.Grown(-2), Paving);
        switch (Random.Below(3)) {
        case 0: {
            const int size = Between(34, 46), x = r.X1 + Between(20, r.W() - size - 20);
            const int y = r.Y1 + Between(30, r.H() - size - 20);
            Building({x - 8, y - 8, x + size + 8, y + size + 8}, 0.0); // the podium
            Building({x, y, x + size, y + size}, 1.0);
            Row(true, r.X1, r.X2, r.Y1, 1, Between(12, 16), true, 0.3);
            Row(false, r.Y1 + 18, r.Y2, r.X1, 1, Between(12, 14), false, 0.3);
            break;
        }
        case 1: {
            int x = r.X1 + Between(4, 12);
            while (x + 20 < r.X2 - 4) {
                const int w = std::min(Between(20, 36), r.X2 - 4 - x), h = Between(20, 60);
                const int y = r.Y1 + Between(6, std::max(6, r.H() - h - 24));
                Building({x, y, x + w, y + h}, 1.0);
                if (Random.Below(2)) Building({x, y + h, x + w, y + h + 10}, 0.0);
                x += w + Between(10, 18);
            }
            TreeRow({r.X1 + 8, r.Y2 - 8}, {r.X2 - 8, r.Y2 - 8});
            break;
        }
        default: {
            const int depth = Between(16, 22);
            Building({r.X1 + 6, r.Y1 + 4, r.X2 - 6, r.Y1 + 4 + depth}, 1.0);
            const int cx = (r.X1 + r.X2) / 2, top = r.Y1 + depth + 16;
            for (int x = r.X1 + 14; x + 24 < r.X2; x += 30)
                TreeRow({x, top}, {x, r.Y2 - 10});
            Outline(Border, {cx - 12, top + 20, cx + 12, top + 44}, WaterEdge); // a fountain
            break;
        }
        }
    }

    // Small houses facing the streets on plots fenced off from each other, a shed and fruit
    // trees behind each house, the back fences meeting in the middle of the block.
    void Houses(const TRect& r) {
        const TColour fence{140, 110, 80};
        const int mid = (r.Y1 + r.Y2) / 2;
        Add(Border, {r.X1, mid}, {r.X2, mid}, fence);
        for (int side : {0, 1}) {
            const int face = side == 0 ? r.Y1 + 5 : r.Y2 - 5;
            const int in = side == 0 ? 1 : -1;
            int x = r.X1;
            while (x + 20 < r.X2) {
                int plot = Between(24, 32);
                if (r.X2 - (x + plot) < 24) plot = r.X2 - x;
                const int w = Between(10, std::min(14, plot - 8)), d = Between(9, 12);
                const int hx = x + (plot - w) / 2, back = face + in * d;
                Building({hx, std::min(face, back), hx + w, std::max(face, back)}, 0.0);
                if (Random.Below(2)) {
                    const int sy = face + in * (d + 8), s = Between(4, 6);
                    Building({hx, std::min(sy, sy + in * s), hx + s, std::max(sy, sy + in * s)},
                             0.0);
                }
                const int trees = mid - in * 8;
                TreeRow({x + 3, trees}, {x + plot - 3, trees});
                if (x > r.X1 && ClearLine({x, face - in * 5}, {x, mid}))
                    Add(Border, {x, face - in * 5}, {x, mid}, fence);
                x += plot;
            }
        }
    }

    // A microdistrict: long blocks of flats, nine storeys (high walls) or five (walls), in rows
    // with trees and playgrounds between them; now and then a school with its sports ground.
    void Microdistrict(const TRect& r) {
        const TColour panels[] = {
            {215, 215, 210}, {190, 195, 200}, {225, 210, 180}, {170, 180, 195}, {200, 185, 185}};
        const bool alongX = Random.Below(2) == 0;
        const int span = alongX ? r.W() : r.H(), across = alongX ? r.H() : r.W();
        auto rect = [&](int along1, int across1, int along2, int across2) {
            return alongX ? TRect{r.X1 + along1, r.Y1 + across1, r.X1 + along2, r.Y1 + across2}
                          : TRect{r.X1 + across1, r.Y1 + along1, r.X1 + across2, r.Y1 + along2};
        };
        if (Random.Below(5) == 0 && span >= 100 && across >= 90) {
            // The school, its fence and its sports ground.
            Outline(Border, rect(6, 6, span - 6, across - 6), ParkFence);
            const TColour school{205, 170, 120};
            Building(rect(14, 14, 14 + std::min(60, span / 2), 32), 0.0, &school);
            Building(rect(14, 32, 30, 52), 0.0, &school);
            Outline(Border, rect(span / 2 + 6, across / 2 - 10, span - 16, across - 16), Path);
            const TRect edge = rect(10, across - 10, span - 10, across - 10);
            TreeRow({edge.X1, edge.Y1}, {edge.X2, edge.Y2});
            return;
        }
        for (int at = 8 + Random.Below(8); at + 12 <= across - 8; at += Between(40, 50)) {
            const TColour c = panels[Random.Below(5)];
            const double high = Random.Below(3) > 0 ? 1.0 : 0.0;
            for (int pos = 8 + Random.Below(12); pos + 40 <= span - 8;) {
                int len = Between(50, 110);
                if (pos + len > span - 8) len = span - 8 - pos;
                Building(rect(pos, at, pos + len, at + 12), high, &c);
                pos += len + Between(18, 28);
            }
            const int yard = at + 12 + 14;
            if (yard + 8 < across - 8) {
                const TRect row = rect(10, yard, span - 10, yard);
                TreeRow({row.X1, row.Y1}, {row.X2, row.Y2});
                if (Random.Below(3) == 0)
                    Outline(Border, rect(span / 2 - 10, yard + 4, span / 2 + 10, yard + 12), Path);
            }
        }
    }

    // A park: a fence, paths across with rows of trees along them, a pond and a pavilion.
    void Park(const TRect& r, const TOpen& open) {
        if (!Clear(r)) return;
        Fence(r, open, ParkFence);
        const int cx = (r.X1 + r.X2) / 2, cy = (r.Y1 + r.Y2) / 2;
        Add(Border, {cx, r.Y1}, {cx, r.Y2}, Path);
        Add(Border, {r.X1, cy}, {r.X2, cy}, Path);
        for (int side : {-5, 5}) {
            TreeRow({cx + side, r.Y1 + 6}, {cx + side, cy - 8});
            TreeRow({cx + side, cy + 8}, {cx + side, r.Y2 - 6});
            TreeRow({r.X1 + 6, cy + side}, {cx - 8, cy + side});
            TreeRow({cx + 8, cy + side}, {r.X2 - 6, cy + side});
        }
        // Trees along the fence.
        if (!open.North) TreeRow({r.X1 + 4, r.Y1 + 4}, {r.X2 - 4, r.Y1 + 4});
        if (!open.South) TreeRow({r.X1 + 4, r.Y2 - 4}, {r.X2 - 4, r.Y2 - 4});
        // A pond in one quarter, an octagon, and a pavilion in the opposite one.
        const int qx = Random.Below(2) ? 1 : -1, qy = Random.Below(2) ? 1 : -1;
        const int px = cx + qx * r.W() / 4, py = cy + qy * r.H() / 4, pr = Between(12, 18);
        const int s = pr * 5 / 12;
        const TPoint oct[8] = {{px - s, py - pr}, {px + s, py - pr}, {px + pr, py - s},
                               {px + pr, py + s}, {px + s, py + pr}, {px - s, py + pr},
                               {px - pr, py + s}, {px - pr, py - s}};
        for (int k = 0; k < 8; ++k)
            Add(Border, oct[k], oct[(k + 1) % 8], WaterEdge);
        const int vx = cx - qx * r.W() / 4, vy = cy - qy * r.H() / 4;
        const TColour pavilion{230, 230, 220};
        Building({vx - 5, vy - 5, vx + 5, vy + 5}, 0.0, &pavilion);
        Add(Border, {vx - 9, vy - 9}, {vx + 9, vy - 9}, Hedge);
    }

    // Sheds behind a fence, a chimney and a gate.
    void Industry(const TRect& r, const TOpen& open) {
        if (!Clear(r)) return;
        Fence(r, open, Gate);
        const int n = Between(1, 3);
        int y = r.Y1 + 8;
        for (int k = 0; k < n && y + 25 < r.Y2 - 8; ++k) {
            const int h = Between(25, std::max(25, std::min(45, r.Y2 - 8 - y)));
            const int w = Between(std::max(30, r.W() / 2), r.W() - 16);
            const int x = r.X1 + 8 + Random.Below(std::max(1, r.W() - 16 - w));
            const TColour shed = Pick(ShedWalls);
            Building({x, y, x + w, y + h}, 0.0, &shed);
            y += h + Between(8, 16);
        }
        const TPoint chimney{r.X2 - 12, r.Y2 - 12};
        Add(HighWall, chimney, chimney, Chimney);
        Add(Wall, {chimney.X - 3, chimney.Y - 3}, {chimney.X + 3, chimney.Y - 3}, Chimney);
    }

    // A square: paving, trees around, a monument in the middle.
    void Square(const TRect& r) {
        if (!Clear(r.Grown(-6))) return;
        Outline(Border, r.Grown(-2), Paving);
        TreeRow({r.X1 + 6, r.Y1 + 6}, {r.X2 - 6, r.Y1 + 6});
        TreeRow({r.X1 + 6, r.Y2 - 6}, {r.X2 - 6, r.Y2 - 6});
        TreeRow({r.X1 + 6, r.Y1 + 14}, {r.X1 + 6, r.Y2 - 14});
        TreeRow({r.X2 - 6, r.Y1 + 14}, {r.X2 - 6, r.Y2 - 14});
        const int cx = (r.X1 + r.X2) / 2, cy = (r.Y1 + r.Y2) / 2;
        Outline(Border, {cx - 8, cy - 8, cx + 8, cy + 8}, Paving);
        Add(HighWall, {cx, cy}, {cx, cy}, {230, 220, 180});
    }

    TMap& Map;
    const TTownPlan& Plan;
    const std::vector<std::pair<TPoint, TPoint>>& Tracks;
    TRandom Random;
};

} // namespace

void BuildTown(TMap& map, const TTownPlan& plan,
               const std::vector<std::pair<TPoint, TPoint>>& tracks) {
    TTown(map, plan, tracks).Build();
}

} // namespace vell::citygen
