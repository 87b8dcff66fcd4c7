// The window "Карта".
#include "game/RouteMap.h"

#include "ui/WindowPlacement.h"

#include <QDir>
#include <QLabel>
#include <QPixmap>

#include <algorithm>
#include <unordered_map>

namespace vell {

namespace {

constexpr int PictureSize = 600, LineHeight = 20, LineMargin = 4;
// Room kept around the network when it is enlarged (its labels reach past its rails), and the
// largest factor, past which a scheme's lines and letters turn to blocks.
constexpr int NetworkMargin = 12, MostFactor = 6;

// The scheme's frame: its line and, at the right and bottom, the picture's last column and row.
constexpr int Frame = 2;

// The smallest rectangle holding every pixel inside the scheme's frame that is not the ground
// (the commonest colour there); empty when there are none.
QRect Network(const QImage& picture) {
    if (picture.width() <= 2 * Frame || picture.height() <= 2 * Frame) return {};
    std::unordered_map<QRgb, int> counts;
    for (int y = Frame; y < picture.height() - Frame; ++y)
        for (int x = Frame; x < picture.width() - Frame; ++x)
            ++counts[picture.pixel(x, y)];
    const QRgb ground = std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) {
                            return a.second < b.second;
                        })->first;
    int left = picture.width(), top = picture.height(), right = -1, bottom = -1;
    for (int y = Frame; y < picture.height() - Frame; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = Frame; x < picture.width() - Frame; ++x)
            if (line[x] != ground) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

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
    const QImage whole = picture.convertToFormat(QImage::Format_RGB32);
    Factor = 1;
    Origin = QPoint();
    Shown = whole;
    const QRect network = Network(whole);
    if (!network.isEmpty() && whole.width() == whole.height()) {
        const QRect room =
            network.adjusted(-NetworkMargin, -NetworkMargin, NetworkMargin, NetworkMargin);
        Factor = std::clamp(whole.width() / std::max(room.width(), room.height()), 1, MostFactor);
    }
    if (Factor > 1) {
        // The part of the picture shown, centred on the network and inside the picture.
        const int side = whole.width() / Factor;
        const QPoint centre = network.center();
        Origin = QPoint(std::clamp(centre.x() - side / 2, 0, whole.width() - side),
                        std::clamp(centre.y() - side / 2, 0, whole.height() - side));
        Shown = whole.copy(QRect(Origin, QSize(side, side)))
                    .scaled(side * Factor, side * Factor, Qt::IgnoreAspectRatio,
                            Qt::FastTransformation);
    }
    Image->setPixmap(QPixmap::fromImage(Shown));
    Image->setToolTip(Factor > 1 ? tr("Сеть увеличена: x%1; в файле вся карта").arg(Factor)
                                 : QString());
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
