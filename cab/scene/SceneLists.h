// The vertex and colour lists of one frame of the cab view, by OpenGL primitive: built without
// OpenGL (SceneBuild.h) and handed to it in one place (SceneGL.cpp).
#pragma once

#include <vector>

namespace vell {

// One vertex in OpenGL's frame (map point (x, y) at height h is (x, -y, h)) with its colour.
struct TSceneVertex {
    float X, Y, Z;
    float R, G, B;
};

struct TSceneLists {
    std::vector<TSceneVertex> Lines;     // two vertices per line
    std::vector<TSceneVertex> Triangles; // three per triangle
    std::vector<TSceneVertex> Quads;     // four per quad

    void Clear() {
        Lines.clear();
        Triangles.clear();
        Quads.clear();
    }
    bool Empty() const { return Lines.empty() && Triangles.empty() && Quads.empty(); }
};

} // namespace vell
