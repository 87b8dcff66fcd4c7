// Shapes the detailed look's parts are made of (faces, boxes, lines, glowing sprites) and the
// rails near a tile, which everything standing beside the track keeps clear of.
#pragma once

#include "cab/look/LookMesh.h"
#include "cab/look/LookParts.h"
#include "model/CityLook.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace vell {

class TMap;

namespace look {

// A point in map metres (x right, y down) at height z.
struct TPoint3 {
    double X = 0, Y = 0, Z = 0;
};

TLookColour Shaded(TLookColour colour, float shade);
TLookVertex GLVertex(const TPoint3& p, float u, float v, TLookColour colour,
                     std::uint8_t alpha = 255);

// A flat four-cornered face as two triangles, wound counter-clockwise (OpenGL's frame) as seen
// from the side its outward normal `normal` (map frame) points to. `uv` gives each corner's
// texture point; without it all are (0, 0).
void AddFace(std::vector<TLookVertex>& list, const TPoint3 (&corners)[4], const TPoint3& normal,
             TLookColour colour, std::uint8_t alpha = 255, const float (*uv)[2] = nullptr);

// A box over the ground: its middle at (x, y), its length along the unit vector (ax, ay), from
// height z0 to z1; the sides and the top shaded by the sun, into Solid or Shining.
struct TBox {
    double X = 0, Y = 0, AX = 1, AY = 0;
    double HalfLength = 0, HalfWidth = 0, Z0 = 0, Z1 = 0;
};
void AddBox(TLookMesh& out, const TLookLight& light, const TBox& box, TLookColour colour,
            bool shining = false, TLookTexture texture = NoTexture);

void AddLine(TLookMesh& out, const TPoint3& a, const TPoint3& b, TLookColour colour);

// A glowing sprite facing along the unit vector (fx, fy) (map frame), standing upright, `size`
// metres across, and a glowing patch lying on the ground.
void AddGlowSprite(TLookMesh& out, const TPoint3& at, double fx, double fy, double size,
                   TLookColour colour, std::uint8_t strength);
void AddGlowPatch(TLookMesh& out, const TPoint3& centre, double ax, double ay, double halfLength,
                  double halfWidth, TLookColour colour, std::uint8_t strength);

// `text` on a vertical face: its middle at `middle` (the middle of the letters' height), read
// from the side the face's outward normal (nx, ny) points to, `height` metres tall unless that
// makes it wider than `widest`, when it is made smaller to fit. Gives its width.
double AddFacingText(TLookMesh& out, bool shining, std::string_view text, const TPoint3& middle,
                     double nx, double ny, double height, double widest, TLookColour colour);

// The rails (the track's centre lines) that come within `margin` of a box.
class TNearRails {
  public:
    TNearRails() = default;
    TNearRails(const TMap& map, const TLookBox& box, double margin);
    struct TRail {
        double X1, Y1, X2, Y2;
    };
    const std::vector<TRail>& Rails() const { return List; }
    // Distance from (x, y) to the nearest rail's centre line; a large number when none is near.
    double Distance(double x, double y) const;
    // The nearest rail, -1 when none.
    int Nearest(double x, double y) const;

  private:
    std::vector<TRail> List;
};

double SegmentDistance(double px, double py, double x1, double y1, double x2, double y2);

// What the parts keep from the track's centre lines while they stand between these heights:
// a tram's body and its swing out on curves.
constexpr double TrackClearance = 1.7;
constexpr double ClearFromHeight = 0.35, ClearToHeight = 4.5;

// The look's steps for one tile (LookCatenary.cpp, LookStops.cpp).
void AddCatenary(const TMap& map, const TLookBox& box, const TLookLight& light, TLookMesh& out);
void AddStops(const TMap& map, const TCityLook& look, const TLookBox& box, const TLookLight& light,
              TLookMesh& out);

} // namespace look
} // namespace vell
