// The 3D city seen from the cab: every map object near enough and not behind the eye, then every
// other tram in service near enough. Rebuilt from the map, the trams and the camera each frame,
// except the rails and trees, which are built once per map and copied.
#pragma once

#include "cab/scene/SceneLists.h"

namespace vell {

class TMap;
class TRandom;
class TVell;
class TWorld;

// What the cab window tells the scene about the frame.
struct TSceneView {
    double CamX = 4300; // the eye on the map, metres
    double CamY = 8200;
    // View direction h in radians: the eye looks along (sin h, -cos h) on the map's plane.
    double CamHeading = 3.14;
    double DayLight = 1.0;             // 0.1..1: scales every colour except lit lamps
    int ViewDistWall = 500;            // metres: map objects
    int ViewDistTree = 200;            // rows of trees (also limited by ViewDistWall)
    int ViewDistVell = 200;            // other trams, by car centre
    const TVell* PlayerTram = nullptr; // never drawn (the eye sits in it); may be none
};

// Draws the scene into the current OpenGL context. The caller has multiplied the projection and
// the eye transformation into the current matrix (map point (x, y) at height h is drawn at
// (x, -y, h)) and enabled the depth test; the matrix is left as it was. `random` is the
// program's generator: the trees reseed it from their colour and it comes out of the frame
// in the state it went in. Nothing of the map or the world is changed.
void RenderScene(const TMap& map, const TWorld& world, TRandom& random, const TSceneView& view);

// The same, keeping the frame's vertex lists in `lists` so that, once they have grown to the
// city's size, a frame allocates nothing, and the map's rails and trees in its cache so that
// they are built once (a changed map empties the cache).
void RenderScene(const TMap& map, const TWorld& world, TRandom& random, const TSceneView& view,
                 TSceneLists& lists);

// OpenGL's current projection times eye matrix (column by column): what the picture is, so that
// what lies wholly outside it is not sent.
void CurrentClipMatrix(double* clip);

// Hands lists built for a frame to the current OpenGL context: quads, then triangles, then the
// indexed triangles, then lines, each list in the order it was built. The current colour is kept.
void DrawSceneLists(const TSceneVertexLists& lists);

} // namespace vell
