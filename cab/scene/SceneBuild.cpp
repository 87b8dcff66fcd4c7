// The cab view's frame as vertex lists: map objects by kind, then the other trams car by car.
#include "cab/scene/SceneBuild.h"

#include "model/Geometry.h"
#include "model/Links.h"
#include "model/Map.h"
#include "model/Random.h"
#include "model/SegmentFont.h"
#include "sim/Vell.h"
#include "sim/World.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace vell {

namespace {

constexpr double Pi = std::numbers::pi;

} // namespace

TSceneBuilder::TSceneBuilder(const TSceneView& view, TSceneVertexLists& out,
                             std::vector<TSceneCache::TColourRun>* runs)
    : View(view), Out(out), Runs(runs), SinH(std::sin(view.CamHeading)),
      CosH(std::cos(view.CamHeading)) {}

void TSceneBuilder::SetLitColor(double r, double g, double b) {
    const double light = View.DayLight;
    UnlitR = r;
    UnlitG = g;
    UnlitB = b;
    Colour = {float(r * light), float(g * light), float(b * light)};
}

double TSceneBuilder::ViewShade(double dx, double dy) const {
    const double length = std::sqrt(dx * dx + dy * dy);
    // A face without a direction has no angle to the view: seen square-on.
    if (length == 0) return 1.0;
    return 0.7 + 0.3 * std::fabs(dx * CosH + dy * SinH) / length;
}

bool TSceneBuilder::IsSegmentVisible(const TMapObject& o, double distance) const {
    const double dx1 = o.X1 - View.CamX, dy1 = o.Y1 - View.CamY;
    const double dx2 = o.X2 - View.CamX, dy2 = o.Y2 - View.CamY;
    const double d2 = distance * distance;
    if (!(dx1 * dx1 + dy1 * dy1 < d2 || dx2 * dx2 + dy2 * dy2 < d2)) return false;
    // Distance of each end in front of the eye along the view direction (sin h, -cos h).
    return dx1 * SinH - dy1 * CosH > -BehindEyeMargin || dx2 * SinH - dy2 * CosH > -BehindEyeMargin;
}

void TSceneBuilder::Line(double x1, double y1, double z1, double x2, double y2, double z2) {
    const TColour c = Colour;
    Out.Lines.push_back({float(x1), float(y1), float(z1), c.R, c.G, c.B});
    Out.Lines.push_back({float(x2), float(y2), float(z2), c.R, c.G, c.B});
    if (Runs) Record(TSceneCache::LineList, Out.Lines.size(), 2);
}

void TSceneBuilder::Triangle(const double* a, const double* b, const double* c) {
    const TColour k = Colour;
    for (const double* p : {a, b, c})
        Out.Triangles.push_back({float(p[0]), float(p[1]), float(p[2]), k.R, k.G, k.B});
    if (Runs) Record(TSceneCache::TriangleList, Out.Triangles.size(), 3);
}

void TSceneBuilder::Quad(double x1, double y1, double z1, double x2, double y2, double z2,
                         double x3, double y3, double z3, double x4, double y4, double z4) {
    const TColour c = Colour;
    Out.Quads.push_back({float(x1), float(y1), float(z1), c.R, c.G, c.B});
    Out.Quads.push_back({float(x2), float(y2), float(z2), c.R, c.G, c.B});
    Out.Quads.push_back({float(x3), float(y3), float(z3), c.R, c.G, c.B});
    Out.Quads.push_back({float(x4), float(y4), float(z4), c.R, c.G, c.B});
    if (Runs) Record(TSceneCache::QuadList, Out.Quads.size(), 4);
}

void TSceneBuilder::Record(TSceneCache::TList list, std::size_t listSize, std::uint32_t count) {
    // Only the cache records, and only SetLitColor colours: lit lamps belong to the trams.
    const auto start = std::uint32_t(listSize - count);
    if (!Runs->empty()) {
        TSceneCache::TColourRun& last = Runs->back();
        if (last.List == list && last.Start + last.Count == start && last.R == UnlitR &&
            last.G == UnlitG && last.B == UnlitB) {
            last.Count += count;
            return;
        }
    }
    Runs->push_back({UnlitR, UnlitG, UnlitB, list, start, count});
}

void TSceneBuilder::Panel(double x1, double y1, double x2, double y2, double z1, double z2) {
    Quad(x1, -y1, z1, x2, -y2, z1, x2, -y2, z2, x1, -y1, z2);
}

// ---------------------------------------------------------------------------------------------
// The object pass.

void TSceneBuilder::DrawObjects(const TMap& map, TRandom& random) {
    const int count = map.ObjectCount();
    for (int i = 0; i < count; ++i)
        if (IsSegmentVisible(map.Objects[i], View.ViewDistWall)) DrawObject(map, i, random);
}

void TSceneBuilder::DrawObjects(const TMap& map, TRandom& random, TSceneCache& cache,
                                const double* clip) {
    // Another map, or the old shapes outnumber the live ones: start again.
    const std::size_t total =
        cache.Vertices.Lines.size() + cache.Vertices.Triangles.size() + cache.Vertices.Quads.size();
    if (cache.Entries.size() != map.Objects.size() || cache.Stale > total / 2 + 100000)
        cache.Reset(map.Objects.size());
    const int count = map.ObjectCount();
    for (int i = 0; i < count; ++i) {
        const TMapObject& o = map.Objects[i];
        if (!IsSegmentVisible(o, View.ViewDistWall)) continue;
        switch (o.Kind()) {
        case Trees:
            if (IsSegmentVisible(o, View.ViewDistTree)) DrawCached(map, i, random, cache, clip);
            break;
        case Rail:
            DrawCached(map, i, random, cache, nullptr);
            break;
        default:
            // Walls are shaded by the view's heading, and the rest costs less to build than
            // to copy.
            DrawObject(map, i, random);
            break;
        }
    }
}

void TSceneBuilder::DrawCached(const TMap& map, int index, TRandom& random, TSceneCache& cache,
                               const double* clip) {
    TSceneCache::TEntry& entry = cache.Entries[std::size_t(index)];
    std::vector<TSceneVertex>* lists[3] = {&cache.Vertices.Lines, &cache.Vertices.Triangles,
                                           &cache.Vertices.Quads};
    // What the shape depends on as the map stands now.
    const TMapObject& o = map.Objects[std::size_t(index)];
    const TLinkRec* link = o.Kind() == Rail ? map.Link(index) : nullptr;
    TMapObject next[2] = {};
    for (int s = 0; s < 2 && link; ++s)
        if (link->Next[s] < map.Objects.size()) next[s] = map.Objects[link->Next[s]];
    const bool same = entry.Built && entry.Object == o && entry.Linked == (link != nullptr) &&
                      (!link || (entry.Next[0] == link->Next[0] && entry.Next[1] == link->Next[1] &&
                                 entry.NextObject[0] == next[0] && entry.NextObject[1] == next[1]));
    if (!same) {
        if (entry.Built)
            for (int l = 0; l < 3; ++l)
                cache.Stale += entry.End[l] - entry.Begin[l];
        entry.Object = o;
        entry.Linked = link != nullptr;
        for (int s = 0; s < 2; ++s) {
            entry.Next[s] = link ? link->Next[s] : 0;
            entry.NextObject[s] = next[s];
        }
        ++cache.Built;
        for (int l = 0; l < 3; ++l)
            entry.Begin[l] = std::uint32_t(lists[l]->size());
        entry.RunBegin = std::uint32_t(cache.Runs.size());
        TSceneBuilder builder(View, cache.Vertices, &cache.Runs);
        builder.DrawObject(map, index, random);
        for (int l = 0; l < 3; ++l)
            entry.End[l] = std::uint32_t(lists[l]->size());
        entry.RunEnd = std::uint32_t(cache.Runs.size());
        entry.TreeBegin = std::uint32_t(cache.TreeBoxes.size());
        constexpr std::uint32_t treeVertices = 42 * 3; // DrawTree's triangles
        for (std::uint32_t start = entry.Begin[TSceneCache::TriangleList];
             start + treeVertices <= entry.End[TSceneCache::TriangleList]; start += treeVertices) {
            TSceneCache::TTreeBox box{start,
                                      start + treeVertices,
                                      {},
                                      {},
                                      std::uint32_t(cache.TreePoints.size()),
                                      0,
                                      std::uint32_t(cache.TreeCorners.size())};
            const TSceneVertex* v = cache.Vertices.Triangles.data() + start;
            for (std::uint32_t n = 0; n < treeVertices; ++n) {
                // The same position and colour is the same point: drawn by index, the picture
                // cannot tell.
                std::uint32_t point = 0;
                while (point < box.PointCount && std::memcmp(&cache.TreePoints[box.Points + point],
                                                             &v[n], sizeof(TSceneVertex)) != 0)
                    ++point;
                if (point == box.PointCount) {
                    cache.TreePoints.push_back(v[n]);
                    cache.TreePointFirst.push_back(start + n);
                    ++box.PointCount;
                }
                cache.TreeCorners.push_back(std::uint8_t(point));
            }
            box.Min[0] = box.Max[0] = v->X;
            box.Min[1] = box.Max[1] = v->Y;
            box.Min[2] = box.Max[2] = v->Z;
            for (std::uint32_t n = 1; n < treeVertices; ++n) {
                const float p[3] = {v[n].X, v[n].Y, v[n].Z};
                for (int a = 0; a < 3; ++a) {
                    box.Min[a] = std::min(box.Min[a], p[a]);
                    box.Max[a] = std::max(box.Max[a], p[a]);
                }
            }
            cache.TreeBoxes.push_back(box);
        }
        entry.TreeEnd = std::uint32_t(cache.TreeBoxes.size());
        entry.Light = View.DayLight;
        entry.Built = true;
    } else if (entry.Light != View.DayLight) {
        // The same products as SetLitColor, so a cached object is coloured to the last bit.
        const double light = View.DayLight;
        for (std::uint32_t k = entry.RunBegin; k < entry.RunEnd; ++k) {
            const TSceneCache::TColourRun& run = cache.Runs[k];
            const float r = float(run.R * light), g = float(run.G * light),
                        b = float(run.B * light);
            TSceneVertex* v = lists[run.List]->data() + run.Start;
            for (std::uint32_t n = 0; n < run.Count; ++n) {
                v[n].R = r;
                v[n].G = g;
                v[n].B = b;
            }
        }
        for (std::uint32_t t = entry.TreeBegin; t < entry.TreeEnd; ++t) {
            const TSceneCache::TTreeBox& box = cache.TreeBoxes[t];
            for (std::uint32_t k = box.Points; k < box.Points + box.PointCount; ++k) {
                const TSceneVertex& from = cache.Vertices.Triangles[cache.TreePointFirst[k]];
                TSceneVertex& to = cache.TreePoints[k];
                to.R = from.R;
                to.G = from.G;
                to.B = from.B;
            }
        }
        entry.Light = light;
    }
    std::vector<TSceneVertex>* out[3] = {&Out.Lines, &Out.Triangles, &Out.Quads};
    for (int l = 0; l < 3; ++l) {
        if (entry.End[l] == entry.Begin[l]) continue;
        // Only trees make triangles, so every triangle of the frame takes one path or the other.
        if (l == TSceneCache::TriangleList && clip) {
            // Tree by tree, by index, the trees outside the picture left out.
            for (std::uint32_t t = entry.TreeBegin; t < entry.TreeEnd; ++t) {
                const TSceneCache::TTreeBox& box = cache.TreeBoxes[t];
                if (BoxOutsideClip(clip, box.Min, box.Max)) continue;
                const auto base = std::uint32_t(Out.IndexedVertices.size());
                Out.IndexedVertices.insert(Out.IndexedVertices.end(),
                                           cache.TreePoints.begin() + box.Points,
                                           cache.TreePoints.begin() + box.Points + box.PointCount);
                const std::uint8_t* corner = cache.TreeCorners.data() + box.Corners;
                for (std::uint32_t n = 0; n < box.End - box.Start; ++n)
                    Out.IndexedTriangles.push_back(base + corner[n]);
            }
            continue;
        }
        out[l]->insert(out[l]->end(), lists[l]->begin() + entry.Begin[l],
                       lists[l]->begin() + entry.End[l]);
    }
}

bool BoxOutsideClip(const double* clip, const float* min, const float* max) {
    // Clip coordinates are linear in the point, so a box is outside a side when all eight
    // corners are. The margin (a few pixels at 640 wide) keeps rounding and the width of
    // lines away from the edge; "x - w > m |w|" implies x > w for either sign of w.
    constexpr double margin = 0.02;
    double c[8][4];
    for (int k = 0; k < 8; ++k) {
        const double p[3] = {k & 1 ? max[0] : min[0], k & 2 ? max[1] : min[1],
                             k & 4 ? max[2] : min[2]};
        for (int r = 0; r < 4; ++r)
            c[k][r] = clip[r] * p[0] + clip[4 + r] * p[1] + clip[8 + r] * p[2] + clip[12 + r];
    }
    // The sides x = -w, x = w, y = -w, y = w, z = -w (near) and z = w (far).
    for (int axis = 0; axis < 3; ++axis) {
        for (const double sign : {-1.0, 1.0}) {
            bool outside = true;
            for (int k = 0; k < 8 && outside; ++k)
                outside = sign * c[k][axis] - c[k][3] > margin * std::fabs(c[k][3]);
            if (outside) return true;
        }
    }
    return false;
}

void TSceneBuilder::DrawObject(const TMap& map, int index, TRandom& random) {
    const TMapObject& o = map.Objects[index];
    const double sx = o.X1, sy = o.Y1, ex = o.X2, ey = o.Y2;
    const double r = o.Red / 255.0, g = o.Green / 255.0, b = o.Blue / 255.0;
    switch (o.Kind()) {
    case Border:
        SetLitColor(r, g, b);
        Line(sx, -sy, 0, ex, -ey, 0);
        break;
    case Wall:
    case HighWall: {
        const double h = o.Kind() == Wall ? WallHeight : HighWallHeight;
        if (sx == ex && sy == ey) {
            // A wall of no length stands as a post, with nothing to shade by.
            SetLitColor(r, g, b);
            Line(sx, -sy, 0, sx, -sy, h);
        } else {
            const double shade = ViewShade(ex - sx, ey - sy);
            SetLitColor(r * shade, g * shade, b * shade);
            Panel(sx, sy, ex, ey, 0, h);
        }
        break;
    }
    case Arch:
        // A beam at 5 m with a leg down at each end that no wall holds.
        SetLitColor(r, g, b);
        if (o.StartGrab()) Line(sx, -sy, 0, sx, -sy, WallHeight);
        Line(sx, -sy, WallHeight, ex, -ey, WallHeight);
        if (o.EndGrab()) Line(ex, -ey, WallHeight, ex, -ey, 0);
        break;
    case Rail: {
        SetLitColor(0.5, 0.5, 0.5);
        Line(sx, -sy, WireHeight, ex, -ey, WireHeight);
        SetLitColor(0.5, 0.5, o.SpeedGrade() / 255.0);
        DrawRails(map, index);
        const double length = Length(o);
        if (o.StopType() != 0 && length > 0) {
            const double ux = (ex - sx) / length, uy = (ey - sy) / length;
            const double nx = uy, ny = -ux;
            // Dark blue where the stop begins, white where it ends, hanging under the wire.
            const double px = sx + 0.2 * ux, py = sy + 0.2 * uy;
            const double qx = ex - 0.2 * ux, qy = ey - 0.2 * uy;
            SetLitColor(0, 0, 0.5);
            Panel(px + 0.2 * nx, py + 0.2 * ny, px - 0.2 * nx, py - 0.2 * ny, 5.0, 4.6);
            SetLitColor(1, 1, 1);
            Panel(qx + 0.2 * nx, qy + 0.2 * ny, qx - 0.2 * nx, qy - 0.2 * ny, 5.0, 4.6);
        }
        break;
    }
    case Trees:
        if (IsSegmentVisible(o, View.ViewDistTree)) DrawTreeRow(o, random);
        break;
    default:
        break; // double tracks and unknown codes have no shape in the cab view
    }
}

void TSceneBuilder::DrawRails(const TMap& map, int index) {
    const TMapObject& o = map.Objects[index];
    const double length = Length(o);
    if (length == 0) return; // no direction to lay rails along
    const double sx = o.X1, sy = o.Y1, ex = o.X2, ey = o.Y2;
    const double ux = (ex - sx) / length, uy = (ey - sy) / length;
    const double nx = uy, ny = -ux;
    const double g = HalfGauge, c = RailCorner;
    // The straight parts; the first and last 5 m belong to the joints.
    for (const double side : {g, -g})
        Line(sx + c * ux + side * nx, -(sy + c * uy + side * ny), 0, ex - c * ux + side * nx,
             -(ey - c * uy + side * ny), 0);

    const TLinkRec* link = map.Link(index);
    if (!link) return;
    const int count = map.ObjectCount();
    for (int s = 0; s < 2; ++s) {
        const int next = link->Next[s];
        if (s == 1 && next == link->Next[0]) break;
        if (next == NoObject || next >= count) continue; // a dead end has no joint
        const double j = HalfAngleCot(o, map.Objects[next]);
        if (j == 0) {
            // Straight on: the straight parts run on through the corner zone into the next rail.
            for (const double side : {g, -g})
                Line(ex - c * ux + side * nx, -(ey - c * uy + side * ny), 0,
                     ex + c * ux + side * nx, -(ey + c * uy + side * ny), 0);
            continue;
        }
        // An arc tangent to both rails; the centre line's radius 5 J puts its ends 5 m from the
        // corner on either rail.
        const double half = std::atan(1 / j);
        for (const double side : {g, -g}) {
            const double radius = c * j + side;
            const double ax = ex - c * ux + side * nx, ay = ey - c * uy + side * ny;
            double px = ax, py = ay;
            for (int k = 1; k <= 10; ++k) {
                const double turn = k * half / 10, co = std::cos(turn), si = std::sin(turn);
                const double wx = ux * co - uy * si, wy = uy * co + ux * si;
                const double chord = 2 * si * radius;
                const double qx = ax + chord * wx, qy = ay + chord * wy;
                Line(px, -py, 0, qx, -qy, 0);
                px = qx;
                py = qy;
            }
        }
    }
}

void TSceneBuilder::DrawTreeRow(const TMapObject& o, TRandom& random) {
    // The row's colour is its seed: the same trees in every frame and every game, and the
    // simulation's sequence goes on as if no tree had been drawn.
    const std::uint32_t saved = random.GetState();
    random.Seed(std::uint32_t(o.Red) + 256u * o.Green + 65536u * o.Blue);
    const double length = Length(o);
    const int trees = int(std::trunc(length / TreeSpacing));
    if (trees > 0) {
        const double ux = (o.X2 - o.X1) / length, uy = (o.Y2 - o.Y1) / length;
        for (int k = 0; k < trees; ++k) {
            const double along = TreeSpacing * k + TreeSpacing / 2;
            DrawTree(o.X1 + along * ux, o.Y1 + along * uy, random);
        }
    }
    random.Seed(saved);
}

void TSceneBuilder::DrawTree(double x, double y, TRandom& random) {
    // The random numbers are drawn in a fixed order, so a seed always gives the same tree.
    const double turn = 2 * Pi * random.Real();
    const double r0 = random.Real();
    const double size = r0 * r0 * 0.7 + 0.3;

    struct TRing {
        double Offset, Radius, Base; // angle offset, radius, height = (2 r + Base) size
    };
    static constexpr TRing rings[4] = {{0, 2, -1}, {Pi / 6, 1, 1}, {Pi / 3, 2, 3}, {Pi / 2, 5, 5}};
    double p[4][6][3];
    const double gx = x, gy = -y; // OpenGL's frame: the offsets apply there
    for (int m = 0; m < 4; ++m) {
        const TRing& ring = rings[m];
        for (int i = 0; i < 6; ++i) {
            const double t = i * Pi / 3 + turn + ring.Offset;
            const double dx = (random.Real() + std::cos(t) - 0.5) * ring.Radius * size;
            const double dy = (random.Real() + std::sin(t) - 0.5) * ring.Radius * size;
            p[m][i][0] = gx + dx;
            p[m][i][1] = gy + dy;
            p[m][i][2] = m == 0 ? 0 : (2 * random.Real() + ring.Base) * size;
        }
    }
    double top[3];
    top[0] = gx + (2 * random.Real() - 1) * size;
    top[1] = gy + (2 * random.Real() - 1) * size;
    top[2] = (8 * random.Real() + 16) * size;
    const double barkGreen = 0.3 * random.Real();
    const double crownGreen = 0.6 * random.Real() + 0.2;
    const double crownRed = crownGreen * random.Real();

    for (int i = 0; i < 6; ++i) {
        const int n = (i + 1) % 6;
        SetLitColor(0.5, barkGreen, 0);
        Triangle(p[0][i], p[0][n], p[1][i]);
        Triangle(p[0][n], p[1][n], p[1][i]);
        Triangle(p[1][i], p[1][n], p[2][i]);
        Triangle(p[1][n], p[2][n], p[2][i]);
        SetLitColor(crownRed, crownGreen, 0.1);
        Triangle(p[2][i], p[2][n], p[3][i]);
        Triangle(p[2][n], p[3][n], p[3][i]);
        Triangle(p[3][i], p[3][n], top);
    }
}

// ---------------------------------------------------------------------------------------------
// The tram pass.

namespace {

enum TLamp : std::uint8_t { NoLamp, Always, Braking, LeftTurn, RightTurn };

enum TPaint : std::uint8_t { Body, Glass, White, Gear, Black, Red, Amber, Yellow };

struct TCarFace {
    TCarPoint P1;
    double Z1;
    TCarPoint P2;
    double Z2;
    TPaint Paint;
    TLamp Lamp;
};

// Every car: the right side between the doors, the rear end with its lamps, the left side.
constexpr TCarFace CarBody[] = {
    {{3, -1.2}, 0.2, {-3, -1.2}, 1.2, Body, NoLamp},
    {{5, 0.7}, 0.2, {4.5, 1.2}, 1.2, Body, NoLamp},
    {{5, 0.7}, 0.8, {5, -0.7}, 1.2, Body, NoLamp},
    {{5, 0.4}, 0.2, {5, -0.4}, 0.8, Body, NoLamp},
    {{5, 0.4}, 0.2, {5, 0.7}, 0.4, Red, Always},
    {{5, 0.4}, 0.4, {5, 0.7}, 0.6, Red, Braking},
    {{5, 0.4}, 0.6, {5, 0.7}, 0.8, Amber, LeftTurn},
    {{5, -0.4}, 0.2, {5, -0.7}, 0.4, Red, Always},
    {{5, -0.4}, 0.4, {5, -0.7}, 0.6, Red, Braking},
    {{5, -0.4}, 0.6, {5, -0.7}, 0.8, Amber, RightTurn},
    {{4.5, -1.2}, 0.2, {5, -0.7}, 1.2, Body, NoLamp},
    {{4.5, 1.2}, 0.2, {-4.5, 1.2}, 1.2, Body, NoLamp},
};

// The leading car's front with windscreen and head lamps.
constexpr TCarFace LeadingFront[] = {
    {{-5, -0.7}, 2.7, {-5, 0.7}, 1.2, Glass, NoLamp},
    {{-5, -0.4}, 0.2, {-5, 0.4}, 0.8, Body, NoLamp},
    {{-5, -0.7}, 0.8, {-5, 0.7}, 1.2, Body, NoLamp},
    {{-5, -0.7}, 0.2, {-5, -0.4}, 0.6, Yellow, Always},
    {{-5, -0.7}, 0.6, {-5, -0.4}, 0.8, Amber, RightTurn},
    {{-5, 0.7}, 0.2, {-5, 0.4}, 0.6, Yellow, Always},
    {{-5, 0.7}, 0.6, {-5, 0.4}, 0.8, Amber, LeftTurn},
    {{-5, -0.7}, 0.2, {-4.5, -1.2}, 1.2, Body, NoLamp},
    {{-5, -0.7}, 2.7, {-4.5, -1.2}, 1.2, Glass, NoLamp},
    {{-4.5, 1.2}, 0.2, {-5, 0.7}, 1.2, Body, NoLamp},
    {{-4.5, 1.2}, 2.7, {-5, 0.7}, 1.2, Glass, NoLamp},
};

// The front of a following car.
constexpr TCarFace TrailingFront[] = {
    {{-5, -0.7}, 0.2, {-4.5, -1.2}, 1.2, Body, NoLamp},
    {{-5, -0.7}, 2.7, {-4.5, -1.2}, 1.2, Glass, NoLamp},
    {{-5, -0.7}, 0.2, {-5, 0.7}, 1.2, Body, NoLamp},
    {{-5, -0.7}, 2.7, {-5, 0.7}, 1.2, Glass, NoLamp},
    {{-4.5, 1.2}, 0.2, {-5, 0.7}, 1.2, Body, NoLamp},
    {{-4.5, 1.2}, 2.7, {-5, 0.7}, 1.2, Glass, NoLamp},
};

// Window band, roof band and running gear of every car.
constexpr TCarFace CarUpper[] = {
    {{3, -1.2}, 2.7, {-3, -1.2}, 1.2, Glass, NoLamp},
    {{5, 0.7}, 2.7, {4.5, 1.2}, 1.2, Glass, NoLamp},
    {{5, 0.7}, 2.7, {5, -0.7}, 1.2, Glass, NoLamp},
    {{4.5, -1.2}, 2.7, {5, -0.7}, 1.2, Glass, NoLamp},
    {{4.5, 1.2}, 2.7, {-4.5, 1.2}, 1.2, Glass, NoLamp},
    {{4.5, -1.2}, 2.7, {-4.5, -1.2}, 3.0, White, NoLamp},
    {{5, 0.7}, 2.7, {4.5, 1.2}, 3.0, White, NoLamp},
    {{5, 0.7}, 2.7, {5, -0.7}, 3.0, White, NoLamp},
    {{4.5, -1.2}, 2.7, {5, -0.7}, 3.0, White, NoLamp},
    {{-5, -0.7}, 2.7, {-4.5, -1.2}, 3.0, White, NoLamp},
    {{-5, -0.7}, 2.7, {-5, 0.7}, 3.0, White, NoLamp},
    {{-4.5, 1.2}, 2.7, {-5, 0.7}, 3.0, White, NoLamp},
    {{4.5, 1.2}, 2.7, {-4.5, 1.2}, 3.0, White, NoLamp},
    {{1.2, 0.762}, 0, {2, 0.762}, 0.3, Gear, NoLamp},
    {{-1.2, 0.762}, 0, {-2, 0.762}, 0.3, Gear, NoLamp},
    {{1.2, -0.762}, 0, {2, -0.762}, 0.3, Gear, NoLamp},
    {{-1.2, -0.762}, 0, {-2, -0.762}, 0.3, Gear, NoLamp},
};

// The pantograph's six rods on the leading car, from the roof up to the wire.
constexpr struct {
    double X1, Y1, Z1, X2, Y2, Z2;
} Pantograph[] = {
    {-3, 0.6, 3, 1, 0.6, 4.6}, {-3, -0.6, 3, 1, -0.6, 4.6}, {1, 1, 4.6, 1, -1, 4.6},
    {1, -1, 4.6, 0.9, -1, 5},  {0.9, -1, 5, 0.9, 1, 5},     {0.9, 1, 5, 1, 1, 4.6},
};

bool LampLit(const TVell& tram, TLamp lamp) {
    switch (lamp) {
    case Always:
        return true;
    case Braking:
        return tram.Command < 0;
    case LeftTurn:
        return tram.LeftLamp;
    case RightTurn:
        return tram.RightLamp;
    case NoLamp:
        break;
    }
    return false;
}

} // namespace

void TSceneBuilder::DrawTrams(const TWorld& world) {
    const int count = std::clamp(world.VellCount, 0, MaxVells);
    for (int k = 0; k < count; ++k) {
        const TVell* tram = world.VellTable[k].get();
        if (!tram || !tram->Active || tram == View.PlayerTram) continue;
        DrawTram(*tram);
    }
}

void TSceneBuilder::DrawTram(const TVell& tram) {
    if (!tram.Route) return;
    const int cars = std::clamp(int(tram.Route->Cars), 1, MaxCars);
    const double reach = double(View.ViewDistVell) * View.ViewDistVell;
    bool rearSet = false;
    double rearX = 0, rearY = 0;
    for (int i = 0; i < cars; ++i) {
        const TCarAxisXY pose = tram.CarPose(i);
        const TCar car{pose.Centre.X, pose.Centre.Y, pose.Dir.X, pose.Dir.Y};
        const double dx = car.X - View.CamX, dy = car.Y - View.CamY;
        // A car out of range leaves the last rear coupling point as it was, so the coupler of
        // the next car in range reaches back across it.
        if (dx * dx + dy * dy > reach) continue;
        DrawCar(tram, car, i, cars);
        if (i > 0 && rearSet) {
            SetLitColor(0.6, 0.6, 0.6);
            Line(car.X - 4 * car.DX, -(car.Y - 4 * car.DY), 0.2, rearX, -rearY, 0.2);
        }
        rearSet = true;
        rearX = car.X + 4 * car.DX;
        rearY = car.Y + 4 * car.DY;
    }
}

void TSceneBuilder::DrawCarPanel(const TCar& car, bool lamp, TCarPoint p1, double z1, TCarPoint p2,
                                 double z2, TColour colour) {
    const double x1 = car.X + p1.X * car.DX - p1.Y * car.DY;
    const double y1 = car.Y + p1.X * car.DY + p1.Y * car.DX;
    const double x2 = car.X + p2.X * car.DX - p2.Y * car.DY;
    const double y2 = car.Y + p2.X * car.DY + p2.Y * car.DX;
    if (lamp) {
        // A lit lamp glows in its own colour by day and by night.
        Colour = colour;
    } else {
        const double shade = ViewShade(x2 - x1, y2 - y1);
        SetLitColor(colour.R * shade, colour.G * shade, colour.B * shade);
    }
    Panel(x1, y1, x2, y2, z1, z2);
}

void TSceneBuilder::DrawCarLine(const TCar& car, TCarPoint p1, double z1, TCarPoint p2, double z2) {
    SetLitColor(0.6, 0.6, 0.6);
    Line(car.X + p1.X * car.DX - p1.Y * car.DY, -(car.Y + p1.X * car.DY + p1.Y * car.DX), z1,
         car.X + p2.X * car.DX - p2.Y * car.DY, -(car.Y + p2.X * car.DY + p2.Y * car.DX), z2);
}

void TSceneBuilder::DrawCar(const TVell& tram, const TCar& car, int index, int cars) {
    const TColour body{float((tram.Colour & 0xFF) / 255.0),
                       float(((tram.Colour >> 8) & 0xFF) / 255.0),
                       float(((tram.Colour >> 16) & 0xFF) / 255.0)};
    auto paint = [&](TPaint p) -> TColour {
        switch (p) {
        case Body:
            return body;
        case Glass:
            return {0.2f, 0.2f, 0.2f};
        case White:
            return {1, 1, 1};
        case Gear:
            return {0.3f, 0.3f, 0.3f};
        case Black:
            return {0, 0, 0};
        case Red:
            return {1, 0, 0};
        case Amber:
            return {1, 0.5f, 0};
        case Yellow:
            return {1, 1, 0};
        }
        return body;
    };
    auto faces = [&](const auto& list) {
        for (const TCarFace& f : list)
            DrawCarPanel(car, LampLit(tram, f.Lamp), f.P1, f.Z1, f.P2, f.Z2, paint(f.Paint));
    };
    const bool leading = index == 0;
    faces(CarBody);
    if (leading)
        faces(LeadingFront);
    else
        faces(TrailingFront);
    faces(CarUpper);

    // Two double doors on the right side, each of two pairs of leaves folding outwards from
    // the doorway's middle (x = +-3.75) as the doors open.
    const double o = tram.DoorOpening;
    const double fold = -1.2 + 0.375 * o;
    const TCarPoint outer[4] = {{3.75 - 0.75 * o, -1.2},
                                {3.75 + 0.75 * o, -1.2},
                                {0.75 * o - 3.75, -1.2},
                                {-3.75 - 0.75 * o, -1.2}};
    const TCarPoint middle[4] = {{3.375 - 0.375 * o, fold},
                                 {4.125 + 0.375 * o, fold},
                                 {0.375 * o - 3.375, fold},
                                 {-4.125 - 0.375 * o, fold}};
    const TCarPoint inner[4] = {{3.0, -1.2}, {4.5, -1.2}, {-3.0, -1.2}, {-4.5, -1.2}};
    const TColour white = paint(White), glass = paint(Glass), black = paint(Black);
    for (int p = 0; p < 4; ++p) {
        for (const TCarPoint start : {outer[p], inner[p]}) {
            DrawCarPanel(car, false, start, 0.2, middle[p], 1.0, white);
            DrawCarPanel(car, false, start, 2.7, middle[p], 1.0, glass);
        }
    }
    DrawCarPanel(car, false, middle[0], 0.2, {3.75, -0.8}, 2.7, black);
    DrawCarPanel(car, false, {3.75, -0.8}, 0.2, middle[1], 2.7, black);
    DrawCarPanel(car, false, middle[2], 0.2, {-3.75, -0.8}, 2.7, black);
    DrawCarPanel(car, false, {-3.75, -0.8}, 0.2, middle[3], 2.7, black);

    if (leading) {
        for (const auto& rod : Pantograph)
            DrawCarLine(car, {rod.X1, rod.Y1}, rod.Z1, {rod.X2, rod.Y2}, rod.Z2);
        DrawRouteSign(tram, car, {-5, -0.6}, {-5, 0.6});
    }
    DrawRouteSign(tram, car, {-3, -1.2}, {-4.2, -1.2});
    if (index == cars - 1) DrawRouteSign(tram, car, {5, 0.6}, {5, -0.6});
}

void TSceneBuilder::DrawRouteSign(const TVell& tram, const TCar& car, TCarPoint p, TCarPoint q) {
    const TCarPoint step{(q.X - p.X) / SignSteps, (q.Y - p.Y) / SignSteps};
    // The route number 1..9 (digit d is glyph d + 1), then the suffix, whose number is its glyph.
    DrawGlyph(car, tram.RouteRow < RouteRows ? tram.RouteRow + 2 : -1, p, step);
    DrawGlyph(car, tram.RouteCol, {p.X + 4 * step.X, p.Y + 4 * step.Y}, step);
}

void TSceneBuilder::DrawGlyph(const TCar& car, int glyph, TCarPoint origin, TCarPoint step) {
    // Only digits and suffix letters belong on a sign; anything else leaves the place blank.
    if (glyph < 0 || glyph > 12) return;
    const std::uint8_t mask = Glyphs[std::size_t(glyph)].Mask;
    for (std::size_t k = 0; k < FontSegments.size(); ++k) {
        if (!(mask & (1u << k))) continue;
        const TFontSegment& s = FontSegments[k];
        DrawCarLine(car, {origin.X + s.X1 * step.X, origin.Y + s.X1 * step.Y}, 3.9 - 0.2 * s.Y1,
                    {origin.X + s.X2 * step.X, origin.Y + s.X2 * step.Y}, 3.9 - 0.2 * s.Y2);
    }
}

void BuildScene(const TMap& map, const TWorld& world, TRandom& random, const TSceneView& view,
                TSceneLists& lists, const double* clip) {
    lists.Clear();
    TSceneBuilder builder(view, lists);
    builder.DrawObjects(map, random, lists.Cache, clip);
    builder.DrawTrams(world);
}

void BuildSceneUncached(const TMap& map, const TWorld& world, TRandom& random,
                        const TSceneView& view, TSceneVertexLists& lists) {
    lists.Clear();
    TSceneBuilder builder(view, lists);
    builder.DrawObjects(map, random);
    builder.DrawTrams(world);
}

} // namespace vell
