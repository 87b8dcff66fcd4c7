// The window "Карта" (TRouteMap): shows the route scheme picture, modally, and below it the file
// the picture was written to.
#pragma once

#include <QDialog>
#include <QImage>
#include <QString>

class QLabel;

namespace vell {

class TRouteMap : public QDialog {
    Q_OBJECT
  public:
    explicit TRouteMap(QWidget* parent = nullptr);

    QLabel* Image;   // 600 x 600
    QLabel* SavedTo; // "Схема записана в файл ..." below the picture

    // Puts the picture into the image control and names the file it was written to.
    void SetPicture(const QImage& picture, const QString& savedTo);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    bool Placed = false; // placed on the screen at its first show
};

} // namespace vell
