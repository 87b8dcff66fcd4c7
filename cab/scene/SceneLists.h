// The vertex and colour lists of one frame of the cab view, by OpenGL primitive: built without
// OpenGL (SceneBuild.h) and handed to it in one place (SceneGL.cpp).
#pragma once

#include "model/MapObject.h"

#include <cstddef>
#include <cstdint>
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
// object remembers the light its colours were made for and the unlit colours to redo them. A
// shape whose object or rail links changed since is built again when next seen.
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
    // TreePoints [Points, Points + PointCount), and from TreeCorners [Corners] on, for each of
    // its triangle vertices, which of those points it is.
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
        // What the shape was built from: the object, and for a rail its successors as they
        // were (a joint's curve depends on the next rail). Any change builds it again.
        TMapObject Object{};
        bool Linked = false;
        std::uint16_t Next[2] = {};
        TMapObject NextObject[2] = {};
    };

    std::vector<TEntry> Entries; // by object index
    TSceneVertexLists Vertices;
    std::vector<TColourRun> Runs;
    std::vector<TTreeBox> TreeBoxes;
    std::vector<TSceneVertex> TreePoints;
    std::vector<std::uint32_t> TreePointFirst; // the triangle vertex each point was taken from
    std::vector<std::uint8_t> TreeCorners;     // per triangle vertex: its point in its tree
    std::size_t Stale = 0;                     // vertices of shapes built again, no longer used
    int Built = 0;                             // shapes built so far (tests watch it)

    // Forgets every shape; the next frames build them again as they come into view.
    void Reset(std::size_t objects) {
        Entries.assign(objects, TEntry{});
        Vertices.Clear();
        Runs.clear();
        TreeBoxes.clear();
        TreePoints.clear();
        TreePointFirst.clear();
        TreeCorners.clear();
        Stale = 0;
    }
};

// A frame's lists, and the cache that later frames of the same map draw from.
struct TSceneLists : TSceneVertexLists {
    TSceneCache Cache;
};

} // namespace vell
