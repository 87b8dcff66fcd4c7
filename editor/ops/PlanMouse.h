// The mouse on the editor's plan view: the left button draws, the right button paints the
// selection, and pressing the other button while one is held grabs the end points under the
// cursor and drags them.
#pragma once

#include "model/Map.h"
#include "model/Random.h"

#include <cstdint>

namespace vell {

enum class TMouseButton { Left, Right, Other };

// What the window has to show again after a mouse event.
enum class TRedraw {
    None,
    Plan, // the plan view
    All,  // plan view, overview and caption
};

constexpr int PlanPixels = 600; // the plan view is 600 x 600 pixels, one per metre

class TPlanMouse {
  public:
    TPlanMouse(TMap& map, TRandom& random) : Map(map), Random(random) {}

    // The left button is drawing the last object of the map.
    bool Drawing() const { return IsDrawing; }
    // The right button is painting the selection.
    bool Selecting() const { return IsSelecting; }
    // Grabbed end points follow the cursor.
    bool Moving() const { return IsMoving; }

    // x and y are plan-view pixels; they are clamped to the view. `kind` is the drawing tool's
    // object kind and `color` the current colour (0x00BBGGRR).
    TRedraw Press(TMouseButton button, int x, int y, std::uint8_t kind, std::uint32_t color);
    TRedraw Move(int x, int y);
    TRedraw Release(TMouseButton button);

    // Ends whatever drag is under way without touching the map: for commands that change the
    // object list while a button is held, after which the drawn object may be gone.
    void Reset();

  private:
    TMap& Map;
    TRandom& Random;
    bool IsDrawing = false;
    bool IsSelecting = false;
    bool IsMoving = false;
};

} // namespace vell
