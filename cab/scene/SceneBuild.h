// Building one frame of the cab view as vertex and colour lists, without OpenGL: the object pass
// over the map and the tram pass over the other trams.
#pragma once

#include "cab/scene/Scene.h"
#include "cab/scene/SceneLists.h"

#include <cstdint>

namespace vell {

struct TMapObject;

// A point of a car in the car's own frame: x from the front (-5) to the rear (+5), y from the
// right-hand side (-1.2, where the doors are) to the left-hand side (+1.2).
struct TCarPoint {
    double X, Y;
};

// Glyph units to a 1.2 m sign: how many glyph units the sign spans.
constexpr double SignSteps = 6;
// Visibility test: how far behind the eye an end may lie and still count as ahead.
constexpr double BehindEyeMargin = 4;
constexpr double WallHeight = 5;
constexpr double HighWallHeight = 20;
constexpr double WireHeight = 5;
constexpr double HalfGauge = 0.762;
constexpr double RailCorner = 5; // the rails' straight parts stop this far from either end
constexpr double TreeSpacing = 10;

class TSceneBuilder {
  public:
    // Appends to `out` (which is not cleared) as seen from `view`. With `runs`, also notes the
    // unlit colour of every vertex appended, so that the day light can be changed later.
    TSceneBuilder(const TSceneView& view, TSceneVertexLists& out,
                  std::vector<TSceneCache::TColourRun>* runs = nullptr);

    // The object pass: every visible object of the map in index order. `random` is reseeded for
    // each row of trees and restored after it.
    void DrawObjects(const TMap& map, TRandom& random);
    // The same picture, with rails and rows of trees copied from `cache` (built there when first
    // seen, the cache emptied first when the map is not the one it was built from). With
    // `clip`, OpenGL's projection times eye matrix (column by column), trees wholly outside
    // the picture are left out.
    void DrawObjects(const TMap& map, TRandom& random, TSceneCache& cache,
                     const double* clip = nullptr);
    // The tram pass: every other active tram's cars within ViewDistVell.
    void DrawTrams(const TWorld& world);

    // Current colour := (r, g, b) x DayLight.
    void SetLitColor(double r, double g, double b);
    // 0.7 for a face running along the line of sight, 1.0 for one across it.
    double ViewShade(double dx, double dy) const;
    // Either end within `distance` of the eye and either end no more than 4 m behind it.
    bool IsSegmentVisible(const TMapObject& o, double distance) const;

    void DrawObject(const TMap& map, int index, TRandom& random);
    // The two rails of a rail object and their curved joints into every successor.
    void DrawRails(const TMap& map, int index);
    void DrawTreeRow(const TMapObject& o, TRandom& random);
    void DrawTree(double x, double y, TRandom& random);
    void DrawTram(const TVell& tram);

  private:
    struct TColour {
        float R, G, B;
    };
    struct TCar {
        double X, Y, DX, DY; // centre and unit vector from the car's front to its rear
    };

    // Points are in OpenGL's frame: map (x, y) at height z is (x, -y, z).
    void Line(double x1, double y1, double z1, double x2, double y2, double z2);
    void Triangle(const double* a, const double* b, const double* c);
    void Quad(double x1, double y1, double z1, double x2, double y2, double z2, double x3,
              double y3, double z3, double x4, double y4, double z4);
    // A vertical quad over the map points (x1, y1) and (x2, y2): p1 at z1, p2 at z1, p2 at z2,
    // p1 at z2.
    void Panel(double x1, double y1, double x2, double y2, double z1, double z2);

    void Record(TSceneCache::TList list, std::size_t listSize, std::uint32_t count);
    void DrawCached(const TMap& map, int index, TRandom& random, TSceneCache& cache,
                    const double* clip);

    void DrawCar(const TVell& tram, const TCar& car, int index, int cars);
    void DrawCarPanel(const TCar& car, bool lamp, TCarPoint p1, double z1, TCarPoint p2, double z2,
                      TColour colour);
    void DrawCarLine(const TCar& car, TCarPoint p1, double z1, TCarPoint p2, double z2);
    void DrawRouteSign(const TVell& tram, const TCar& car, TCarPoint p, TCarPoint q);
    void DrawGlyph(const TCar& car, int glyph, TCarPoint origin, TCarPoint step);

    const TSceneView& View;
    TSceneVertexLists& Out;
    std::vector<TSceneCache::TColourRun>* Runs;
    double SinH, CosH;
    TColour Colour{1, 1, 1};
    double UnlitR = 1, UnlitG = 1, UnlitB = 1; // the last SetLitColor's arguments
};

// The whole frame: `lists` is cleared, then the object pass and the tram pass fill it, the
// rails and trees from the lists' cache; with `clip` (see DrawObjects) without the trees that
// would not reach the picture.
void BuildScene(const TMap& map, const TWorld& world, TRandom& random, const TSceneView& view,
                TSceneLists& lists, const double* clip = nullptr);
// Whether the box lies wholly outside one side of the picture that `clip` projects to, with a
// margin: then nothing in it can reach a pixel.
bool BoxOutsideClip(const double* clip, const float* min, const float* max);
// The same frame with every object rebuilt, the cache left alone: what the cache must match.
void BuildSceneUncached(const TMap& map, const TWorld& world, TRandom& random,
                        const TSceneView& view, TSceneVertexLists& lists);

} // namespace vell
