// Placing top-level windows on the screen they open on.
#include "ui/WindowPlacement.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace vell {

QPoint WindowPlace(QSize frame, std::optional<QPoint> wanted, const QRect& available) {
    if (wanted && available.contains(QRect(*wanted, frame))) return *wanted;
    const int x = available.left() + std::max(0, (available.width() - frame.width()) / 2);
    const int y = available.top() + std::max(0, (available.height() - frame.height()) / 2);
    return {x, y};
}

QScreen* ScreenFor(const QWidget& window) {
    if (const QWidget* parent = window.parentWidget())
        if (QScreen* screen = parent->window()->screen()) return screen;
    if (QScreen* screen = QGuiApplication::screenAt(QCursor::pos())) return screen;
    return QGuiApplication::primaryScreen();
}

void PlaceWindow(QWidget& window, std::optional<QPoint> wanted) {
    QScreen* screen = ScreenFor(window);
    if (!screen) {
        if (wanted) window.move(*wanted);
        return;
    }
    // The frame (title bar and borders) is known only once a window manager has framed the
    // window: until then its client size stands for it.
    const QSize frame = window.frameGeometry().size().expandedTo(window.size());
    window.move(WindowPlace(frame, wanted, screen->availableGeometry()));
}

} // namespace vell
