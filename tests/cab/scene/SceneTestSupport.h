// Helpers for the scene tests: a map, a world and a camera, the frame's lists, and finding
// primitives in them by their corners.
#pragma once

#include "cab/scene/SceneBuild.h"
#include "model/Map.h"
#include "model/Random.h"
#include "sim/World.h"

#include <array>
#include <memory>
#include <vector>

namespace vell::test {

// A point in OpenGL's frame.
struct TGLPoint {
    double X, Y, Z;
};

// Map point (x, y) at height z.
inline TGLPoint MapPoint(double x, double y, double z) {
    return {x, -y, z};
}

bool Near(const TSceneVertex& v, const TGLPoint& p, double tolerance = 2e-3);

// Index of the first primitive of `size` vertices whose corners are `corners` in this order
// (lines in either direction), or -1.
int FindPrimitive(const std::vector<TSceneVertex>& list, int size,
                  const std::vector<TGLPoint>& corners, double tolerance = 2e-3);
inline int FindLine(const std::vector<TSceneVertex>& lines, TGLPoint a, TGLPoint b) {
    return FindPrimitive(lines, 2, {a, b});
}
inline int FindQuad(const std::vector<TSceneVertex>& quads, TGLPoint a, TGLPoint b, TGLPoint c,
                    TGLPoint d) {
    return FindPrimitive(quads, 4, {a, b, c, d});
}

// The colour of primitive `index` of `size` vertices, checking that all its vertices agree.
std::array<float, 3> PrimitiveColour(const std::vector<TSceneVertex>& list, int size, int index);

// A map with a world over it (not started unless asked) and a camera; builds frames.
struct TSceneFixture {
    TSceneFixture();
    std::unique_ptr<TMap> Map;
    TRandom Random{20240611};
    std::unique_ptr<TWorld> World;
    TSceneView View;
    TSceneLists Lists;

    // Builds a frame into Lists.
    void Build();
    // Sets the links of rail `from` to its successors.
    void Link(int from, int next0, int next1);
    void Link(int from, int next) { Link(from, next, next); }
};

} // namespace vell::test
