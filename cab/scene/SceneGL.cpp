// The one place where the frame's vertex lists meet OpenGL: four vertex-array draws.
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
    if (!lists.IndexedTriangles.empty()) {
        constexpr GLsizei stride = sizeof(TSceneVertex);
        glVertexPointer(3, GL_FLOAT, stride, &lists.IndexedVertices.front().X);
        glColorPointer(3, GL_FLOAT, stride, &lists.IndexedVertices.front().R);
        glDrawElements(GL_TRIANGLES, GLsizei(lists.IndexedTriangles.size()), GL_UNSIGNED_INT,
                       lists.IndexedTriangles.data());
    }
    DrawList(lists.Lines, GL_LINES);
    glPopClientAttrib();
    glColor4fv(colour);
}

void CurrentClipMatrix(double* clip) {
    GLdouble projection[16], eye[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetDoublev(GL_MODELVIEW_MATRIX, eye);
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) {
            double sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += projection[k * 4 + r] * eye[c * 4 + k];
            clip[c * 4 + r] = sum;
        }
}

void RenderScene(const TMap& map, const TWorld& world, TRandom& random, const TSceneView& view,
                 TSceneLists& lists) {
    // What the picture is, so that trees outside it are not sent.
    double clip[16];
    CurrentClipMatrix(clip);
    BuildScene(map, world, random, view, lists, clip);
    DrawSceneLists(lists);
}

void RenderScene(const TMap& map, const TWorld& world, TRandom& random, const TSceneView& view) {
    TSceneLists lists;
    RenderScene(map, world, random, view, lists);
}

} // namespace vell
