// Fixed-function OpenGL for the cab's flat shapes.
#include "cab/CabGL.h"

#include <GL/gl.h>
#include <GL/glu.h>

namespace vell {

namespace {

GLenum ModeOf(TPrimitive kind) {
    switch (kind) {
    case TPrimitive::Lines:
        return GL_LINES;
    case TPrimitive::LineStrip:
        return GL_LINE_STRIP;
    case TPrimitive::Triangles:
        return GL_TRIANGLES;
    case TPrimitive::Quads:
        return GL_QUADS;
    }
    return GL_LINES;
}

} // namespace

void BeginCabFrame(int width, int height, double nearPlane) {
    glViewport(0, 0, width, height);
    // Everything, the perspective included, lives on the model-view stack.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluPerspective(90, 4.0 / 3.0, nearPlane, 2000);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_COLOR_MATERIAL);
    glShadeModel(GL_SMOOTH);
    glLineWidth(GLfloat(LineWidthForHeight(height)));
}

void DrawShape(const TShape& shape) {
    if (shape.Points.empty()) return;
    const bool perPoint = shape.PointColours.size() == shape.Points.size();
    glColor3d(shape.Colour.R, shape.Colour.G, shape.Colour.B);
    glBegin(ModeOf(shape.Kind));
    for (std::size_t i = 0; i < shape.Points.size(); ++i) {
        if (perPoint) {
            const TRgb& c = shape.PointColours[i];
            glColor3d(c.R, c.G, c.B);
        }
        glVertex2d(shape.Points[i].X, shape.Points[i].Y);
    }
    glEnd();
}

void DrawFlat(const TShapes& shapes) {
    glPushMatrix();
    glLoadIdentity();
    for (const TShape& s : shapes)
        DrawShape(s);
    glPopMatrix();
}

void DrawBackground(double dayLight) {
    // The quads replace a colour clear, so they must not be held back by depths left in the
    // buffer from the last frame.
    glDisable(GL_DEPTH_TEST);
    DrawFlat(Background(dayLight));
    glEnable(GL_DEPTH_TEST);
    glClear(GL_DEPTH_BUFFER_BIT);
}

void PushEyeMatrix(const TMatrix4& m) {
    glPushMatrix();
    glMultMatrixd(m.data());
}

void PopMatrix() {
    glPopMatrix();
}

} // namespace vell
