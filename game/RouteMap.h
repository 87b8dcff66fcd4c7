// The window "Карта" (TRouteMap): shows the route scheme picture, modally.
#pragma once

#include <QDialog>
#include <QImage>

class QLabel;

namespace vell {

class TRouteMap : public QDialog {
    Q_OBJECT
  public:
    explicit TRouteMap(QWidget* parent = nullptr);

    QLabel* Image; // 600 x 600

    // Puts the picture into the image control.
    void SetPicture(const QImage& picture);
};

} // namespace vell
