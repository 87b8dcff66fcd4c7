// The window "Карта" (TRouteMap): shows the route scheme picture, modally, and below it the file
// the picture was written to.
#pragma once

#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QString>

class QLabel;

namespace vell {

class TRouteMap : public QDialog {
    Q_OBJECT
  public:
    explicit TRouteMap(QWidget* parent = nullptr);

    QLabel* Image;   // 600 x 600
    QLabel* SavedTo; // "Схема записана в файл ..." below the picture

    // Puts the picture into the image control and names the file it was written to. A network
    // that covers a small patch of the square is shown enlarged by a whole factor, its pixels
    // kept square and sharp; the file holds the whole square as drawn.
    void SetPicture(const QImage& picture, const QString& savedTo);

    // How the picture is shown: enlarged `Factor` times from the part of it at `Origin`.
    int Factor = 1;
    QPoint Origin;
    QImage Shown;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    bool Placed = false; // placed on the screen at its first show
};

} // namespace vell
