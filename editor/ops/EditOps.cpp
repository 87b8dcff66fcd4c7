// Drawing and editing operations on the map.
#include "editor/ops/EditOps.h"

#include "model/Geometry.h"

namespace vell {

namespace {

bool IsWallKind(int kind) {
    return kind >= Border && kind <= Arch;
}
bool IsDoubleTrackKind(int kind) {
    return kind >= DoubleTrack && kind <= DoubleTrackGreen;
}

std::int64_t PointDistSq(int x1, int y1, int x2, int y2) {
    const std::int64_t dx = x1 - x2, dy = y1 - y2;
    return dx * dx + dy * dy;
}

} // namespace

TMapPoint SnapToEnd(TMap& map, int x, int y, bool excludeLast) {
    const TMapPoint cursor{x + map.ViewX, y + map.ViewY};
    TMapPoint result = cursor;
    std::int64_t best = 25; // closer than 5 m
    map.Snapped = false;
    const int count = map.ObjectCount() - (excludeLast ? 1 : 0);
    auto consider = [&](int ex, int ey) {
        const std::int64_t d = PointDistSq(cursor.X, cursor.Y, ex, ey);
        if (d < best) { // strict: of equally near ends the first one met stays
            best = d;
            result = {ex, ey};
            map.Snapped = true;
        }
    };
    for (int i = 0; i < count; ++i) {
        const TMapObject& o = map.Objects[i];
        consider(o.X1, o.Y1);
        consider(o.X2, o.Y2);
    }
    map.SnapX = result.X - map.ViewX;
    map.SnapY = result.Y - map.ViewY;
    return result;
}

void GrabEnds(TMap& map) {
    const int px = map.SnapX + map.ViewX, py = map.SnapY + map.ViewY;
    for (TMapObject& o : map.Objects) {
        o.SetStartGrab(o.X1 == px && o.Y1 == py);
        o.SetEndGrab(o.X2 == px && o.Y2 == py);
    }
}

void MoveGrabbedEnds(TMap& map, int x, int y) {
    const std::int16_t px = std::int16_t(x + map.ViewX), py = std::int16_t(y + map.ViewY);
    for (TMapObject& o : map.Objects) {
        if (o.StartGrab()) {
            o.X1 = px;
            o.Y1 = py;
            map.Modified = true;
        }
        if (o.EndGrab()) {
            o.X2 = px;
            o.Y2 = py;
            map.Modified = true;
        }
    }
}

void SwapSelected(TMap& map) {
    for (TMapObject& o : map.Objects) {
        if (!o.Selected()) continue;
        const int kind = o.Kind();
        if (IsWallKind(kind)) {
            o.SetKind(std::uint8_t((kind + 1) % 4));
        } else if (kind == Rail) {
            if (o.KeepClear()) {
                o.SetKeepClear(false);
                o.SetStopType(0);
            } else if (o.StopType() == 0) {
                o.SetStopType(2);
            } else if (o.StopType() == 2) {
                o.SetStopType(3);
            } else if (o.StopType() == 3) {
                o.SetStopType(0);
                o.SetKeepClear(true);
            }
            // A stop of type 1 is left as it is: the cycle does not make such stops.
        } else if (IsDoubleTrackKind(kind)) {
            o.SetKind(std::uint8_t(DoubleTrack + (kind - Trees) % 4));
        }
        map.Modified = true;
    }
}

std::optional<std::uint32_t> AverageSelectedColor(const TMap& map) {
    unsigned red = 0, green = 0, blue = 0, count = 0;
    for (const TMapObject& o : map.Objects) {
        if (!o.Selected()) continue;
        if (IsWallKind(o.Kind())) {
            red += o.Red;
            green += o.Green;
            blue += o.Blue;
            ++count;
        } else if (o.IsRail()) {
            red += o.SpeedGrade();
            green += o.SpeedGrade();
            blue += o.SpeedGrade();
            ++count;
        }
    }
    if (count == 0) return std::nullopt;
    return MakeColor(std::uint8_t(red / count), std::uint8_t(green / count),
                     std::uint8_t(blue / count));
}

void ApplyColorToSelected(TMap& map, std::uint32_t color) {
    for (TMapObject& o : map.Objects) {
        if (!o.Selected()) continue;
        if (IsWallKind(o.Kind())) {
            o.Red = ColorRed(color);
            o.Green = ColorGreen(color);
            o.Blue = ColorBlue(color);
            map.Modified = true;
        } else if (o.IsRail()) {
            o.SetSpeedGrade(ColorGrade(color));
            map.Modified = true;
        }
    }
}

void ShowNeighbours(TMap& map) {
    int first = -1;
    for (int i = 0; i < map.ObjectCount(); ++i)
        if (map.Objects[i].IsRail() && map.Objects[i].Selected()) {
            first = i;
            break;
        }
    if (first < 0) return;
    const TMapObject rail = map.Objects[first];
    for (int i = 0; i < map.ObjectCount(); ++i) {
        TMapObject& o = map.Objects[i];
        // The bound under which the rail network counts rails as near each other.
        if (i != first && o.IsRail() && SegmentDistSq(rail, o) < 16) o.SetSelected(true);
    }
}

} // namespace vell
