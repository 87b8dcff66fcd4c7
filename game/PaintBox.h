// A paint box: shows one of the map's bitmaps at its top-left corner and reports mouse presses
// and releases in its own pixels.
#pragma once

#include <QImage>
#include <QWidget>

namespace vell {

class TPaintBox : public QWidget {
    Q_OBJECT
  public:
    // `image` is not owned and must outlive the box; it may be changed between paints.
    TPaintBox(QWidget* parent, const QImage* image);

  signals:
    void MouseDown(Qt::MouseButton button, int x, int y);
    void MouseUp(Qt::MouseButton button, int x, int y);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    const QImage* Image;
};

} // namespace vell
