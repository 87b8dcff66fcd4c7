// The one place where the frame's vertex lists meet OpenGL: three vertex-array draws.
#include "cab/scene/Scene.h"
#include "cab/scene/SceneBuild.h"

#include <GL/gl.h>

namespace vell {

namespace {

void DrawList(const std::vector<TSceneVertex>& list, GLenum mode) {
    if (list.empty()) return;
    constexpr GLsizei stride = sizeof(TSceneVertex);
    glVertexPointer(3, GL_FLOAT, stride, &list.front().X);
    glColorPointer(3, GL_FLOAT, stride, &list.front().R);
    glDrawArrays(mode, 0, GLsizei(list.size()));
}

} // namespace

void DrawSceneLists(const TSceneVertexLists& lists) {
    // Drawing from a colour array leaves the current colour undefined; the passes after the
    // scene choose theirs, but keep it anyway.
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    DrawList(lists.Quads, GL_QUADS);
    DrawList(lists.Triangles, GL_TRIANGLES);
    DrawList(lists.Lines, GL_LINES);
    glPopClientAttrib();
    glColor4fv(colour);
}

void RenderScene(const TMap& map, const TWorld& world, TRandom& random, const TSceneView& view,
                 TSceneLists& lists) {
    BuildScene(map, world, random, view, lists);
    DrawSceneLists(lists);
}

void RenderScene(const TMap& map, const TWorld& world, TRandom& random, const TSceneView& view) {
    TSceneLists lists;
    RenderScene(map, world, random, view, lists);
}

} // namespace vell
