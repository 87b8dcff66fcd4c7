// The window "Карта".
#include "game/RouteMap.h"

#include <QLabel>
#include <QPixmap>

namespace vell {

TRouteMap::TRouteMap(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("RouteMap"));
    setWindowTitle(tr("Карта"));
    setFixedSize(600, 600);
    move(193, 51);
    Image = new QLabel(this);
    Image->setObjectName(QStringLiteral("Image"));
    Image->setGeometry(0, 0, 600, 600);
    Image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void TRouteMap::SetPicture(const QImage& picture) {
    Image->setPixmap(QPixmap::fromImage(picture));
}

} // namespace vell
