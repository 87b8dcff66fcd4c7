// The paint box of the game's windows.
#include "PaintBox.h"

#include <QMouseEvent>
#include <QPainter>

namespace vell {

TPaintBox::TPaintBox(QWidget* parent, const QImage* image) : QWidget(parent), Image(image) {
    // The bitmap covers the box: nothing behind it needs painting first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPaintBox::paintEvent(QPaintEvent*) {
    if (!Image) return;
    QPainter p(this);
    p.drawImage(0, 0, *Image);
}

void TPaintBox::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    emit MouseDown(event->button(), at.x(), at.y());
}

void TPaintBox::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    emit MouseUp(event->button(), at.x(), at.y());
}

} // namespace vell
