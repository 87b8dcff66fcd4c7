// The detailed look's small shapes, and the rails near a tile.
#include "cab/look/LookShapes.h"

#include "model/Map.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vell::look {

TLookColour Shaded(TLookColour colour, float shade) {
    auto scale = [&](std::uint8_t c) {
        return std::uint8_t(std::clamp(std::lround(c * shade), 0L, 255L));
    };
    return {scale(colour.R), scale(colour.G), scale(colour.B)};
}

TLookVertex GLVertex(const TPoint3& p, float u, float v, TLookColour colour, std::uint8_t alpha) {
    return {float(p.X), float(-p.Y), float(p.Z), u, v, colour.R, colour.G, colour.B, alpha};
}

void AddFace(std::vector<TLookVertex>& list, const TPoint3 (&corners)[4], const TPoint3& normal,
             TLookColour colour, std::uint8_t alpha, const float (*uv)[2]) {
    // The winding in OpenGL's frame, where y is the map's -y.
    const double ax = corners[1].X - corners[0].X, ay = -(corners[1].Y - corners[0].Y),
                 az = corners[1].Z - corners[0].Z;
    const double bx = corners[2].X - corners[0].X, by = -(corners[2].Y - corners[0].Y),
                 bz = corners[2].Z - corners[0].Z;
    const double cx = ay * bz - az * by, cy = az * bx - ax * bz, cz = ax * by - ay * bx;
    const bool reversed = cx * normal.X - cy * normal.Y + cz * normal.Z < 0;
    TLookVertex v[4];
    for (int k = 0; k < 4; ++k)
        v[k] = GLVertex(corners[k], uv ? uv[k][0] : 0.0f, uv ? uv[k][1] : 0.0f, colour, alpha);
    if (reversed)
        list.insert(list.end(), {v[0], v[2], v[1], v[0], v[3], v[2]});
    else
        list.insert(list.end(), {v[0], v[1], v[2], v[0], v[2], v[3]});
}

void AddBox(TLookMesh& out, const TLookLight& light, const TBox& box, TLookColour colour,
            bool shining, TLookTexture texture) {
    std::vector<TLookVertex>& list = shining ? out.Shining[texture] : out.Solid[texture];
    const double lx = box.AX * box.HalfLength, ly = box.AY * box.HalfLength;
    const double wx = -box.AY * box.HalfWidth, wy = box.AX * box.HalfWidth;
    // The ground corners, round the box.
    const double cx[4] = {box.X - lx - wx, box.X + lx - wx, box.X + lx + wx, box.X - lx + wx};
    const double cy[4] = {box.Y - ly - wy, box.Y + ly - wy, box.Y + ly + wy, box.Y - ly + wy};
    for (int k = 0; k < 4; ++k) {
        const int n = (k + 1) % 4;
        const double mx = (cx[k] + cx[n]) / 2 - box.X, my = (cy[k] + cy[n]) / 2 - box.Y;
        const TPoint3 normal{mx, my, 0};
        const TLookColour c = shining ? colour : Shaded(colour, light.Shade(mx, my, 0));
        const float length = float(std::hypot(cx[n] - cx[k], cy[n] - cy[k]));
        const float height = float(box.Z1 - box.Z0);
        const float uv[4][2] = {{0, height}, {length, height}, {length, 0}, {0, 0}};
        AddFace(list,
                {{cx[k], cy[k], box.Z0},
                 {cx[n], cy[n], box.Z0},
                 {cx[n], cy[n], box.Z1},
                 {cx[k], cy[k], box.Z1}},
                normal, c, 255, uv);
    }
    const TLookColour top = shining ? colour : Shaded(colour, light.Shade(0, 0, 1));
    AddFace(list,
            {{cx[0], cy[0], box.Z1},
             {cx[1], cy[1], box.Z1},
             {cx[2], cy[2], box.Z1},
             {cx[3], cy[3], box.Z1}},
            {0, 0, 1}, top);
}

void AddLine(TLookMesh& out, const TPoint3& a, const TPoint3& b, TLookColour colour) {
    out.Lines.push_back(GLVertex(a, 0, 0, colour));
    out.Lines.push_back(GLVertex(b, 0, 0, colour));
}

void AddGlowSprite(TLookMesh& out, const TPoint3& at, double fx, double fy, double size,
                   TLookColour colour, std::uint8_t strength) {
    const double h = size / 2;
    const double rx = -fy * h, ry = fx * h;
    const float uv[4][2] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
    AddFace(out.Glow,
            {{at.X - rx, at.Y - ry, at.Z - h},
             {at.X + rx, at.Y + ry, at.Z - h},
             {at.X + rx, at.Y + ry, at.Z + h},
             {at.X - rx, at.Y - ry, at.Z + h}},
            {fx, fy, 0}, colour, strength, uv);
}

void AddGlowPatch(TLookMesh& out, const TPoint3& centre, double ax, double ay, double halfLength,
                  double halfWidth, TLookColour colour, std::uint8_t strength) {
    const double lx = ax * halfLength, ly = ay * halfLength;
    const double wx = -ay * halfWidth, wy = ax * halfWidth;
    const float uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    AddFace(out.Glow,
            {{centre.X - lx - wx, centre.Y - ly - wy, centre.Z},
             {centre.X + lx - wx, centre.Y + ly - wy, centre.Z},
             {centre.X + lx + wx, centre.Y + ly + wy, centre.Z},
             {centre.X - lx + wx, centre.Y - ly + wy, centre.Z}},
            {0, 0, 1}, colour, strength, uv);
}

double AddFacingText(TLookMesh& out, bool shining, std::string_view text, const TPoint3& middle,
                     double nx, double ny, double height, double widest, TLookColour colour) {
    double width = LookTextWidth(text, height);
    if (width <= 0) return 0;
    if (width > widest) {
        height *= widest / width;
        width = widest;
    }
    // In OpenGL's frame (y the map's -y) the reader looks along -n, and their right hand points
    // along (n_y, n_x) of the map's normal.
    const float right[3] = {float(ny), float(nx), 0};
    const float up[3] = {0, 0, 1};
    const float origin[3] = {float(middle.X - right[0] * width / 2),
                             float(-middle.Y - right[1] * width / 2), float(middle.Z - height / 2)};
    return AddLookText(out, shining, text, origin, right, up, height, colour);
}

double SegmentDistance(double px, double py, double x1, double y1, double x2, double y2) {
    const double dx = x2 - x1, dy = y2 - y1;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0 ? ((px - x1) * dx + (py - y1) * dy) / length2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(px - (x1 + t * dx), py - (y1 + t * dy));
}

TNearRails::TNearRails(const TMap& map, const TLookBox& box, double margin) {
    for (const TMapObject& o : map.Objects) {
        if (!o.IsRail()) continue;
        const double minX = std::min(o.X1, o.X2), maxX = std::max(o.X1, o.X2);
        const double minY = std::min(o.Y1, o.Y2), maxY = std::max(o.Y1, o.Y2);
        if (maxX < box.MinX - margin || minX > box.MaxX + margin || maxY < box.MinY - margin ||
            minY > box.MaxY + margin)
            continue;
        List.push_back({double(o.X1), double(o.Y1), double(o.X2), double(o.Y2)});
    }
}

double TNearRails::Distance(double x, double y) const {
    double least = std::numeric_limits<double>::max();
    for (const TRail& r : List)
        least = std::min(least, SegmentDistance(x, y, r.X1, r.Y1, r.X2, r.Y2));
    return least;
}

int TNearRails::Nearest(double x, double y) const {
    int best = -1;
    double least = std::numeric_limits<double>::max();
    for (std::size_t k = 0; k < List.size(); ++k) {
        const TRail& r = List[k];
        const double d = SegmentDistance(x, y, r.X1, r.Y1, r.X2, r.Y2);
        if (d < least) least = d, best = int(k);
    }
    return best;
}

} // namespace vell::look
