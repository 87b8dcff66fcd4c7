// The vertex and colour lists of one frame of the cab view, by OpenGL primitive: built without
// OpenGL (SceneBuild.h) and handed to it in one place (SceneGL.cpp).
#pragma once

#include "model/Links.h"
#include "model/MapObject.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace vell {

// One vertex in OpenGL's frame (map point (x, y) at height h is (x, -y, h)) with its colour.
struct TSceneVertex {
    float X, Y, Z;
    float R, G, B;
};

struct TSceneVertexLists {
    std::vector<TSceneVertex> Lines;     // two vertices per line
    std::vector<TSceneVertex> Triangles; // three per triangle
    std::vector<TSceneVertex> Quads;     // four per quad
    // Triangles drawn after Triangles by index into their vertices: a tree's 126 corners are
    // 31 points, and OpenGL then transforms each point once.
    std::vector<TSceneVertex> IndexedVertices;
    std::vector<std::uint32_t> IndexedTriangles;

    void Clear() {
        Lines.clear();
        Triangles.clear();
        Quads.clear();
        IndexedVertices.clear();
        IndexedTriangles.clear();
    }
    bool Empty() const {
        return Lines.empty() && Triangles.empty() && Quads.empty() && IndexedTriangles.empty();
    }
};

// The rails and rows of trees of a map, built once when first seen and copied into later frames:
// their shape depends only on the map, and rebuilding the trees (random numbers and turns)
// was most of a frame's time at long distances. Colours depend on the day light too, so each
// object remembers the light its colours were made for and the unlit colours to redo them.
struct TSceneCache {
    enum TList : std::uint8_t { LineList, TriangleList, QuadList };
    // Vertices [Start, Start + Count) of one list drawn in one unlit colour.
    struct TColourRun {
        double R, G, B;
        TList List;
        std::uint32_t Start, Count;
    };
    // One tree: triangle vertices [Start, End) and the box around them, so that a frame can
    // leave out the trees that lie wholly outside the picture; its distinct vertices
    // TreePoints [Points, Points + PointCount), and for each of its triangle vertices in
    // TreeCorners [Start - first tree's Start...] the point it is (see TSceneCache::Corners).
    struct TTreeBox {
        std::uint32_t Start, End;
        float Min[3], Max[3];
        std::uint32_t Points, PointCount, Corners;
    };
    struct TEntry {
        bool Built = false;
        double Light = 0;
        std::uint32_t Begin[3] = {}, End[3] = {}; // vertex ranges by TList
        std::uint32_t RunBegin = 0, RunEnd = 0;
        std::uint32_t TreeBegin = 0, TreeEnd = 0;
    };

    // What the cached shapes were built from: any change of it empties the cache.
    std::vector<TMapObject> Objects;
    std::vector<std::optional<TLinkRec>> Links;
    std::vector<TEntry> Entries; // by object index
    TSceneVertexLists Vertices;
    std::vector<TColourRun> Runs;
    std::vector<TTreeBox> TreeBoxes;
    std::vector<TSceneVertex> TreePoints;
    std::vector<std::uint32_t> TreePointFirst; // the triangle vertex each point was taken from
    std::vector<std::uint8_t> TreeCorners;     // per triangle vertex: its point in its tree
    int Builds = 0; // times the cache was emptied for a new map (tests watch it)

    void Reset() {
        Objects.clear();
        Links.clear();
        Entries.clear();
        Vertices.Clear();
        Runs.clear();
        TreeBoxes.clear();
        TreePoints.clear();
        TreePointFirst.clear();
        TreeCorners.clear();
    }
};

// A frame's lists, and the cache that later frames of the same map draw from.
struct TSceneLists : TSceneVertexLists {
    TSceneCache Cache;
};

} // namespace vell
