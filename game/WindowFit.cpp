// The room of a window on its screen.
#include "game/WindowFit.h"

#include "ui/WindowPlacement.h"

#include <QScreen>
#include <QWidget>

namespace vell {

QSize ClientRoom(const QWidget& window) {
    const QScreen* screen = ScreenFor(window);
    if (!screen) return {};
    QSize frame = window.frameGeometry().size() - window.size();
    if (frame.width() <= 0 && frame.height() <= 0)
        frame = QSize(AssumedFrameWidth, AssumedFrameHeight);
    return (screen->availableGeometry().size() - frame).expandedTo(QSize(0, 0));
}

} // namespace vell
