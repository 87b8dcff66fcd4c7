// The paint boxes of the game's and the editor's windows.
#include "ui/PaintBox.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace vell {

namespace {
// Whole pixels, rounded down, also left of or above the box while a button holds the mouse.
QPoint PixelOf(const QMouseEvent* event) {
    const QPointF p = event->position();
    return QPoint(int(std::floor(p.x())), int(std::floor(p.y())));
}
} // namespace

TPaintBox::TPaintBox(const QImage& image, QWidget* parent) : QWidget(parent), Image(image) {
    // The bitmap covers the box: nothing behind it needs painting first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPaintBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, Image);
}

void TPaintBox::mousePressEvent(QMouseEvent* event) {
    emit MouseDown(event->button(), PixelOf(event));
}

void TPaintBox::mouseMoveEvent(QMouseEvent* event) {
    emit MouseMove(PixelOf(event));
}

void TPaintBox::mouseReleaseEvent(QMouseEvent* event) {
    emit MouseUp(event->button(), PixelOf(event));
}

} // namespace vell
