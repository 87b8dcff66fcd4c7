// The cab's flat shapes and frame set-up handed to fixed-function OpenGL: the one place where
// the gauge, sky and delay vertices meet OpenGL. A context must be current.
#pragma once

#include "cab/CabGauges.h"
#include "cab/CabState.h"

namespace vell {

constexpr double ClassicNearPlane = 0.1, DetailedNearPlane = 0.5;

// The state every frame starts from, whatever happened to the context before: the viewport
// over (0, 0, width, height), the perspective (90 degrees, 4:3 whatever the shape, `nearPlane`
// to 2000 m) multiplied into the model-view matrix, which is the only stack used, the depth
// test, colour material and the line width for the height.
void BeginCabFrame(int width, int height, double nearPlane = ClassicNearPlane);

// The sky and the ground over the whole picture, with the identity matrix, then a cleared
// depth buffer (the colour buffer is never cleared: the quads cover it).
void DrawBackground(double dayLight);

// Shapes in normalised device coordinates, with the identity matrix; the matrix is restored.
void DrawFlat(const TShapes& shapes);

void DrawShape(const TShape& shape);

// Saves the matrix and multiplies m into it; PopMatrix restores it.
void PushEyeMatrix(const TMatrix4& m);
void PopMatrix();

} // namespace vell
