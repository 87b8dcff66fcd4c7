// The editor's import dialogs: the extract's tram network with the 10 km square to take, its
// routes and the import's options; and the progress of a read or an import under way.
#pragma once

#include "import/Import.h"

#include <QDialog>
#include <QImage>
#include <QWidget>

#include <set>
#include <string>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTreeWidget;

namespace vell {

// The tram network of an extract, its stops and the square as a frame; a drag with the left
// button moves the square, which is told when the button is let go.
class TNetworkPicture : public QWidget {
    Q_OBJECT
  public:
    static constexpr int Side = 400;
    // `network` must outlive the picture.
    TNetworkPicture(const import::TOsmExtract& network, QWidget* parent);
    void SetSquare(const import::TImportPreview& preview);
    // The picture's pixel of a location, and back.
    QPointF PixelOf(import::TGeoPoint p) const;
    import::TGeoPoint LocationOf(QPointF pixel) const;
    // The square's frame as drawn, in pixels.
    QRectF Frame() const;

  signals:
    void SquareMoved(import::TGeoPoint centre);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void DrawNetwork(const import::TOsmExtract& network);
    // A drag's offset, kept so that the frame does not leave the picture.
    QPointF ClampedOffset(QPointF offset) const;

    import::TProjection Projection; // of the picture: around the middle of the network
    double Scale = 1;               // pixels a metre
    QImage Network;                 // tracks and stops, drawn once
    import::TGeoBox Square;
    import::TGeoPoint SquareCentre;
    bool Dragging = false;
    QPointF DragStart, DragOffset;
};

class TImportDialog : public QDialog {
    Q_OBJECT
  public:
    // `network` must outlive the dialog; `extract` names it in the caption. Throws what
    // PreviewImport throws when the network has no square to show.
    TImportDialog(const import::TOsmExtract& network, const std::string& extract, QWidget* parent);
    // The centre of the square, the routes ticked and the options set.
    import::TImportOptions Options() const;
    const import::TImportPreview& Preview() const { return Shown; }

  private:
    // The square around `centre` (nothing: where the import would choose) and its routes.
    void ShowSquare(const std::optional<import::TGeoPoint>& centre);
    // The square dragged to `centre`; the former one stays when it cannot be shown.
    void MoveSquare(import::TGeoPoint centre);
    void FillRoutes();
    void RouteTicked();

    const import::TOsmExtract& Network;
    std::string Extract;
    import::TImportPreview Shown;
    std::set<std::string> Unticked; // by the user; kept while the square moves
    TNetworkPicture* Picture = nullptr;
    QLabel* SquareInfo = nullptr;
    QTreeWidget* Routes = nullptr;
    QCheckBox* Buildings = nullptr;
    QSpinBox* Cars = nullptr;
    QSpinBox* Interval = nullptr;
    QPushButton* Import = nullptr;
};

// A read or an import under way: what it does, how far it has come, and "Отмена".
class TImportProgressDialog : public QDialog {
    Q_OBJECT
  public:
    explicit TImportProgressDialog(QWidget* parent);
    void Show(const import::TImportProgress& progress);

  private:
    QLabel* Stage = nullptr;
    QProgressBar* Bar = nullptr;
};

} // namespace vell
