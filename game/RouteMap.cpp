// The window "Карта".
#include "game/RouteMap.h"

#include "ui/WindowPlacement.h"

#include <QDir>
#include <QLabel>
#include <QPixmap>

namespace vell {

namespace {

constexpr int PictureSize = 600, LineHeight = 20, LineMargin = 4;

} // namespace

TRouteMap::TRouteMap(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("RouteMap"));
    setWindowTitle(tr("Карта"));
    setFixedSize(PictureSize, PictureSize + LineHeight);
    Image = new QLabel(this);
    Image->setObjectName(QStringLiteral("Image"));
    Image->setGeometry(0, 0, PictureSize, PictureSize);
    Image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    SavedTo = new QLabel(this);
    SavedTo->setObjectName(QStringLiteral("SavedTo"));
    SavedTo->setGeometry(LineMargin, PictureSize, PictureSize - 2 * LineMargin, LineHeight);
    SavedTo->setTextInteractionFlags(Qt::TextSelectableByMouse);
}

void TRouteMap::SetPicture(const QImage& picture, const QString& savedTo) {
    Image->setPixmap(QPixmap::fromImage(picture));
    // A long path loses its middle on the line; the tool tip holds it whole.
    const QString path = QDir::toNativeSeparators(savedTo);
    const QString text = tr("Схема записана в файл %1").arg(path);
    SavedTo->setText(SavedTo->fontMetrics().elidedText(text, Qt::ElideMiddle, SavedTo->width()));
    SavedTo->setToolTip(path);
}

void TRouteMap::showEvent(QShowEvent* event) {
    if (!Placed) {
        PlaceWindow(*this, QPoint(193, 51));
        Placed = true;
    }
    QDialog::showEvent(event);
}

} // namespace vell
