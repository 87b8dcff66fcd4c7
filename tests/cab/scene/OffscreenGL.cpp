// An offscreen OpenGL context and the cab's frame around the scene.
#include "tests/cab/scene/OffscreenGL.h"

#include "cab/scene/SceneBuild.h"
#include "model/Map.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QSurfaceFormat>

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdlib>
#include <numbers>
#include <string>

namespace vell::test {

TOffscreenGL::TOffscreenGL(int width, int height) : W(width), H(height) {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setDepthBufferSize(24);
    Surface = std::make_unique<QOffscreenSurface>();
    Surface->setFormat(format);
    Surface->create();
    Context = std::make_unique<QOpenGLContext>();
    Context->setFormat(format);
    if (!Context->create()) {
        Failure = "no OpenGL context";
        return;
    }
    if (!Context->makeCurrent(Surface.get())) {
        Failure = "the context cannot be made current";
        return;
    }
    auto fbo = std::make_unique<QOpenGLFramebufferObject>(W, H, QOpenGLFramebufferObject::Depth);
    if (!fbo->isValid() || !fbo->bind()) {
        Failure = "no offscreen framebuffer";
        return;
    }
    Framebuffer = std::move(fbo);
}

TOffscreenGL::~TOffscreenGL() {
    if (Context) Context->makeCurrent(Surface.get());
    Framebuffer.reset();
    if (Context) Context->doneCurrent();
}

std::string TOffscreenGL::Renderer() const {
    const auto* text = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    return text ? text : "";
}

QImage TOffscreenGL::Grab() {
    glFinish();
    return Framebuffer->toImage().convertToFormat(QImage::Format_RGB32);
}

void SetUpCabContext(int width, int height, float lineWidth) {
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_COLOR_MATERIAL);
    glViewport(0, 0, width, height);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluPerspective(90, 4.0 / 3.0, 0.1, 2000);
    glLineWidth(lineWidth);
}

namespace {

void DrawBackgroundQuads(double dayLight) {
    const float light = float(dayLight);
    glPushMatrix();
    glLoadIdentity();
    // The background covers the whole frame whatever the depth buffer holds (it is undefined
    // before the first clear).
    glDisable(GL_DEPTH_TEST);
    glBegin(GL_QUADS);
    glColor3f(0, 0, 0);
    glVertex2f(-1, -1);
    glVertex2f(1, -1);
    glVertex2f(1, 0);
    glVertex2f(-1, 0);
    glColor3f(0.2f * light, 0.8f * light, 1.0f * light);
    glVertex2f(-1, 0);
    glVertex2f(1, 0);
    glColor3f(0.2f * light, 0.5f * light, 0.7f * light);
    glVertex2f(1, 1);
    glVertex2f(-1, 1);
    glEnd();
    glEnable(GL_DEPTH_TEST);
    glClear(GL_DEPTH_BUFFER_BIT);
    glPopMatrix();
}

void MultiplyEye(const TSceneView& view) {
    glRotated(-90, 1, 0, 0);
    glRotated(view.CamHeading * 180 / std::numbers::pi, 0, 0, 1);
    glTranslated(-view.CamX, view.CamY, -2);
}

} // namespace

void DrawCabFrame(const TMap& map, const TWorld& world, TRandom& random, const TSceneView& view,
                  TSceneLists& lists, bool cached) {
    DrawBackgroundQuads(view.DayLight);
    glPushMatrix();
    glRotated(-90, 1, 0, 0);
    glRotated(view.CamHeading * 180 / std::numbers::pi, 0, 0, 1);
    glTranslated(-view.CamX, view.CamY, -2);
    if (cached) {
        RenderScene(map, world, random, view, lists);
    } else {
        BuildSceneUncached(map, world, random, view, lists);
        DrawSceneLists(lists);
    }
    glPopMatrix();
}

void DrawLookFrame(const TMap& map, const TWorld& world, TRandom& random, const TSceneView& view,
                   const TLookLight& light, TLookRenderer& renderer) {
    DrawBackgroundQuads(view.DayLight);
    glPushMatrix();
    glLoadIdentity();
    // The perspective as SetUpCabContext makes it, with the detailed look's near plane.
    gluPerspective(90, 4.0 / 3.0, 0.5, 2000);
    MultiplyEye(view);
    renderer.Render(map, map.Extras.Look, world, random, view, light);
    glPopMatrix();
}

bool DetailedLookFromEnvironment() {
    const char* look = std::getenv("VELL_LOOK");
    return look && std::string(look) == "detailed";
}

bool ProjectMapPoint(const TSceneView& view, double x, double y, double z, double& wx, double& wy) {
    glPushMatrix();
    glRotated(-90, 1, 0, 0);
    glRotated(view.CamHeading * 180 / std::numbers::pi, 0, 0, 1);
    glTranslated(-view.CamX, view.CamY, -2);
    GLdouble model[16], identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetIntegerv(GL_VIEWPORT, viewport);
    glPopMatrix();
    GLdouble px, py, pz;
    if (!gluProject(x, -y, z, model, identity, viewport, &px, &py, &pz)) return false;
    wx = px;
    wy = py;
    return pz > 0 && pz < 1;
}

} // namespace vell::test
