// The plan view's mouse protocol.
#include "editor/ops/PlanMouse.h"

#include "editor/ops/EditOps.h"
#include "model/Selection.h"

#include <algorithm>

namespace vell {

namespace {
int Clamp(int v) {
    return std::clamp(v, 0, PlanPixels - 1);
}
} // namespace

TRedraw TPlanMouse::Press(TMouseButton button, int x, int y, std::uint8_t kind,
                          std::uint32_t color) {
    x = Clamp(x);
    y = Clamp(y);
    if (button == TMouseButton::Left && !IsSelecting) {
        if (Map.ObjectCount() >= MaxObjects) return TRedraw::None;
        IsDrawing = true;
        IsMoving = false;
        Map.ClearMarks();
        Map.SetObjectCount(Map.ObjectCount() + 1);
        const TMapPoint start = SnapToEnd(Map, x, y, true);
        const TMapPoint end = SnapToEnd(Map, x, y, true);
        TMapObject& o = Map.Objects.back();
        o = MakeObject(kind, start.X, start.Y, end.X, end.Y);
        o.SetSelected(true); // the object being drawn is the only one selected
        switch (kind) {
        case Border:
        case Wall:
        case HighWall:
        case Arch:
            o.Red = ColorRed(color);
            o.Green = ColorGreen(color);
            o.Blue = ColorBlue(color);
            break;
        case Rail:
            o.SetSpeedGrade(ColorGrade(color));
            break;
        case Trees:
            o.Red = std::uint8_t(Random.Below(255));
            o.Green = std::uint8_t(Random.Below(255));
            o.Blue = std::uint8_t(Random.Below(255));
            break;
        default:
            break; // the double tracks' bytes mean nothing; they stay 0
        }
        Map.Modified = true;
        return TRedraw::Plan;
    }
    if (button == TMouseButton::Left) { // while selecting: grab the ends under the cursor
        IsMoving = true;
        IsSelecting = false;
        Map.ClearMarks();
        GrabEnds(Map);
        return TRedraw::Plan;
    }
    if (button == TMouseButton::Right && IsDrawing) { // cancel the drawing, grab instead
        IsMoving = true;
        IsDrawing = false;
        Map.DeleteSelected();
        GrabEnds(Map);
        return TRedraw::Plan;
    }
    if (button == TMouseButton::Right) {
        IsSelecting = true;
        IsMoving = false;
        Map.SelectMode = 0;
        SelectNearest(Map, std::int16_t(x), std::int16_t(y));
        return TRedraw::Plan;
    }
    return TRedraw::None;
}

TRedraw TPlanMouse::Move(int x, int y) {
    x = Clamp(x);
    y = Clamp(y);
    if (IsDrawing && Map.ObjectCount() == 0) IsDrawing = false; // nothing left to draw
    if (IsDrawing) {
        const TMapPoint end = SnapToEnd(Map, x, y, true);
        TMapObject& o = Map.Objects.back();
        o.X2 = std::int16_t(end.X);
        o.Y2 = std::int16_t(end.Y);
    } else {
        if (IsSelecting)
            SelectNearest(Map, std::int16_t(x), std::int16_t(y));
        else if (IsMoving)
            MoveGrabbedEnds(Map, x, y);
        SnapToEnd(Map, x, y, false); // only for the marker
    }
    return TRedraw::Plan;
}

TRedraw TPlanMouse::Release(TMouseButton button) {
    if (button == TMouseButton::Left) {
        IsDrawing = false;
        IsMoving = false;
    } else if (button == TMouseButton::Right) {
        IsSelecting = false;
        IsMoving = false;
    }
    // An object still being drawn is not finished: purging it now would delete it (it starts
    // with no length) while the drawing goes on with whatever object is last. Its own release
    // purges it.
    if (!IsDrawing) Map.PurgeInvalid();
    return TRedraw::All;
}

void TPlanMouse::Reset() {
    IsDrawing = false;
    IsSelecting = false;
    IsMoving = false;
}

} // namespace vell
