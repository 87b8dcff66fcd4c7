// Where a window opens: at the place its layout gives it when it fits the screen there, else
// centred on the screen, so that no window opens partly off screen (a small screen, or a large
// scaling factor).
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

class QScreen;
class QWidget;

namespace vell {

// The top-left corner of a window frame of `frame` size on a screen whose free area is
// `available`: `wanted` when the whole frame fits the free area there; otherwise the frame
// centred on the free area, its top-left corner kept on it when the frame is the larger (the
// title bar and the close button stay within reach).
QPoint WindowPlace(QSize frame, std::optional<QPoint> wanted, const QRect& available);

// The screen a top-level window opens on: its parent's, else the one under the mouse, else the
// primary; none where there is no screen.
QScreen* ScreenFor(const QWidget& window);

// Moves a top-level window to its place on the screen it opens on (its parent's, else the one
// under the mouse, else the primary). Call it once its size is known, before it is shown;
// `wanted` is the place its layout gives it, if any.
void PlaceWindow(QWidget& window, std::optional<QPoint> wanted = std::nullopt);

} // namespace vell
