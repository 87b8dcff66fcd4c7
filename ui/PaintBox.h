// A paint box: shows one of the map's bitmaps at its top-left corner and reports the mouse in
// its own pixels.
#pragma once

#include <QImage>
#include <QWidget>

namespace vell {

class TPaintBox : public QWidget {
    Q_OBJECT
  public:
    // `image` is not owned and must outlive the box; it may be changed between paints.
    TPaintBox(const QImage& image, QWidget* parent);

  signals:
    void MouseDown(Qt::MouseButton button, QPoint position);
    // Also without a button held once mouse tracking is on.
    void MouseMove(QPoint position);
    void MouseUp(Qt::MouseButton button, QPoint position);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    const QImage& Image;
};

} // namespace vell
