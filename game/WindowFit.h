// How much of its screen a game window may take: the free area of the screen it opens on, less
// the frame a window manager puts round it.
#pragma once

#include <QSize>

class QWidget;

namespace vell {

// The frame assumed round a window not framed yet: thin borders and a title bar.
constexpr int AssumedFrameWidth = 8, AssumedFrameHeight = 36;

// The largest client size `window` can take with its frame wholly on the free area of the
// screen it opens on; an empty size when there is no screen.
QSize ClientRoom(const QWidget& window);

} // namespace vell
