// An OpenGL context of its own with an offscreen framebuffer (colour and depth), for drawing
// frames of the cab view without a window. Needs a QGuiApplication and a display (Xvfb).
#pragma once

#include "cab/look/LookGL.h"
#include "cab/scene/Scene.h"

#include <QImage>

#include <memory>
#include <string>

class QOffscreenSurface;
class QOpenGLContext;
class QOpenGLFramebufferObject;

namespace vell::test {

class TOffscreenGL {
  public:
    TOffscreenGL(int width, int height);
    ~TOffscreenGL();
    TOffscreenGL(const TOffscreenGL&) = delete;
    TOffscreenGL& operator=(const TOffscreenGL&) = delete;

    // Whether the context and its framebuffer exist; Error() says what failed.
    bool Ok() const { return Framebuffer != nullptr; }
    const std::string& Error() const { return Failure; }
    // The GL_RENDERER string, for reports.
    std::string Renderer() const;
    int Width() const { return W; }
    int Height() const { return H; }
    // The frame drawn so far, top row first.
    QImage Grab();

  private:
    int W, H;
    std::string Failure;
    std::unique_ptr<QOffscreenSurface> Surface;
    std::unique_ptr<QOpenGLContext> Context;
    std::unique_ptr<QOpenGLFramebufferObject> Framebuffer;
};

// What the cab's game loop does around the scene: projection (90 degrees, 4:3, 0.1..2000 m)
// on the one matrix stack, depth test, line width, ground and sky, cleared depth, then the
// eye 2 m above (CamX, CamY) turned by CamHeading, and RenderScene; unless `cached`, the scene
// is rebuilt whole from the map, as the cache must draw it.
void SetUpCabContext(int width, int height, float lineWidth);
void DrawCabFrame(const TMap& map, const TWorld& world, TRandom& random, const TSceneView& view,
                  TSceneLists& lists, bool cached = true);

// The same frame in the detailed look: the near plane at 0.5 m, the map's look data, the sun
// and the night from `light`.
void DrawLookFrame(const TMap& map, const TWorld& world, TRandom& random, const TSceneView& view,
                   const TLookLight& light, TLookRenderer& renderer);

// Which look VELL_LOOK names: "detailed", or the classic when unset or anything else.
bool DetailedLookFromEnvironment();

// Where a map point at height z lands in the last frame's window coordinates (y from the
// bottom), through the current matrix; false when it is behind the eye.
bool ProjectMapPoint(const TSceneView& view, double x, double y, double z, double& wx, double& wy);

} // namespace vell::test
