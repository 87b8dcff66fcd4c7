// The plan view and the overview.
#include "model/draw/PlanView.h"

#include "model/Geometry.h"
#include "model/Texts.h"
#include "model/Units.h"
#include "model/draw/Palette.h"

#include <QFont>
#include <QTime>

#include <cmath>
#include <cstdlib>

namespace vell {

namespace {

int Round(double v) {
    return int(RoundHalfEven(v));
}

// Midpoint coordinate with the halving rounded down, also for negative sums.
int Mid(int a, int b) {
    return (a + b) >> 1;
}

bool OutsideWindow(const TMapObject& o, int viewX, int viewY) {
    const int right = viewX + PlanSize, bottom = viewY + PlanSize;
    return (o.X1 < viewX && o.X2 < viewX) || (o.X1 > right && o.X2 > right) ||
           (o.Y1 < viewY && o.Y2 < viewY) || (o.Y1 > bottom && o.Y2 > bottom);
}

void DrawRail(QPainter& p, const TMapObject& o, QPoint a, QPoint b, QPoint m) {
    const int width = o.Selected() ? 4 : 1;
    p.setPen(MapPen(MakeColor(o.KeepClear() ? 255 : 85, o.SpeedGrade(), o.SpeedGrade()), width));
    p.drawLine(a, b);
    const double length = Length(o);
    if (length > 0) {
        // Arrowhead 6 pixels long and 6 wide, pointing the way trams run.
        const double ux = (o.X2 - o.X1) / length, uy = (o.Y2 - o.Y1) / length;
        const QPoint head[3] = {m + QPoint(Round(-6 * ux - 3 * uy), Round(-6 * uy + 3 * ux)), m,
                                m + QPoint(Round(-6 * ux + 3 * uy), Round(-6 * uy - 3 * ux))};
        p.drawPolyline(head, 3);
    }
    if (o.StopType() >= 2) {
        p.setBrush(Qt::black);
        p.setPen(MapPen(Colors::Olive, width));
        const int r = o.StopType() == 2 ? 5 : 9;
        p.drawEllipse(ExclusiveBox(m.x() - r, m.y() - r, m.x() + r, m.y() + r));
        if (o.StopType() == 3)
            p.drawEllipse(ExclusiveBox(m.x() - 3, m.y() - 3, m.x() + 3, m.y() + 3));
        p.setBrush(Qt::NoBrush);
    }
}

// Trees and the double tracks: a dotted or dashed line over what lies below; a selected one
// first gets a wide line of its colour and then black dots or dashes.
void DrawStyledLine(QPainter& p, const TMapObject& o, QPoint a, QPoint b) {
    std::uint32_t color = Colors::Green;
    Qt::PenStyle style = Qt::DashLine;
    switch (o.Kind()) {
    case Trees:
        style = Qt::DotLine;
        break;
    case DoubleTrack:
        color = Colors::Grey;
        break;
    case DoubleTrackPoles:
        color = Colors::White;
        break;
    case DoubleTrackLane:
        color = Colors::DarkGreen;
        break;
    default:
        break;
    }
    p.setBackgroundMode(Qt::TransparentMode);
    if (o.Selected()) {
        p.setPen(MapPen(color, 3));
        p.drawLine(a, b);
        color = Colors::Black;
    }
    p.setPen(MapPen(color, 1, style));
    p.drawLine(a, b);
}

// Greenery: dark-green dashes whose gaps are filled green, over a wide dark-green line when
// selected.
void DrawGreenTrack(QPainter& p, const TMapObject& o, QPoint a, QPoint b) {
    if (o.Selected()) {
        p.setPen(MapPen(Colors::DarkGreen, 3));
        p.drawLine(a, b);
    }
    p.setBackgroundMode(Qt::OpaqueMode);
    p.setBackground(ToQColor(Colors::Green));
    p.setPen(MapPen(Colors::DarkGreen, 1, Qt::DashLine));
    p.drawLine(a, b);
    p.setBackgroundMode(Qt::TransparentMode);
}

void DrawSnapMarker(QPainter& p, int x, int y, double angle) {
    p.setBrush(Qt::NoBrush);
    p.setPen(MapPen(Colors::Green, 1));
    p.drawEllipse(ExclusiveBox(x - 10, y - 10, x + 10, y + 10));
    const double c = std::cos(angle), s = std::sin(angle);
    const double spokes[4][2] = {{c, s}, {-s, c}, {-c, -s}, {s, -c}};
    for (const auto& d : spokes)
        p.drawLine(x + Round(6 * d[0]), y - Round(6 * d[1]), x + Round(14 * d[0]),
                   y - Round(14 * d[1]));
}

void DrawObjectCount(QPainter& p, int count) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    font.setStyleStrategy(QFont::NoAntialias);
    p.setFont(font);
    p.setPen(Qt::white);
    p.setBackgroundMode(Qt::TransparentMode);
    p.drawText(QRect(10, 10, PlanSize - 10, 40), Qt::AlignLeft | Qt::AlignTop,
               QString::fromStdString(translate("PlanView", "Линий: ")) + QString::number(count));
}

} // namespace

double SecondsOfDay() {
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}

int OverviewPosition(int metres) {
    return Round(metres * 0.02);
}

std::optional<TOverviewLine> OverviewLine(const TMapObject& o) {
    std::uint32_t color;
    switch (o.Kind()) {
    case Border:
    case Wall:
    case HighWall:
    case Arch:
        color = MakeColor(o.Red / 2, o.Green / 2, o.Blue / 2);
        break;
    case Rail:
        color = o.Selected() ? Colors::Red : Colors::White;
        break;
    case Trees:
        color = Colors::MediumGreen;
        break;
    case DoubleTrack:
    case DoubleTrackPoles:
    case DoubleTrackLane:
    case DoubleTrackGreen:
        color = Colors::Green;
        break;
    default:
        return std::nullopt;
    }
    return TOverviewLine{OverviewPosition(o.X1), OverviewPosition(o.Y1), OverviewPosition(o.X2),
                         OverviewPosition(o.Y2), color};
}

void DrawObject(QPainter& p, const TMap& map, const TMapObject& o) {
    if (OutsideWindow(o, map.ViewX, map.ViewY)) return;
    const QPoint a(o.X1 - map.ViewX, o.Y1 - map.ViewY), b(o.X2 - map.ViewX, o.Y2 - map.ViewY);
    const int kind = o.Kind();
    switch (kind) {
    case Border:
    case Wall:
    case HighWall:
    case Arch: {
        static constexpr int widths[] = {1, 2, 3, 3};
        p.setPen(MapPen(MakeColor(o.Red, o.Green, o.Blue), widths[kind] + (o.Selected() ? 3 : 0)));
        p.drawLine(a, b);
        if (kind == Arch) { // a dark stripe along the middle
            p.setPen(MapPen(Colors::Black, o.Selected() ? 2 : 1));
            p.drawLine(a, b);
        }
        break;
    }
    case Rail:
        DrawRail(p, o, a, b, QPoint(Mid(o.X1, o.X2) - map.ViewX, Mid(o.Y1, o.Y2) - map.ViewY));
        break;
    case Trees:
    case DoubleTrack:
    case DoubleTrackPoles:
    case DoubleTrackLane:
        DrawStyledLine(p, o, a, b);
        break;
    case DoubleTrackGreen:
        DrawGreenTrack(p, o, a, b);
        break;
    default:
        break; // codes 10..15 are not drawn
    }
}

void DrawPlan(const TMap& map, TMapBitmaps& bitmaps, double secondsOfDay) {
    bitmaps.PlanBitmap.fill(Qt::black);
    QPainter p(&bitmaps.PlanBitmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    // Arches, trees and double tracks lie over walls and rails.
    for (const TMapObject& o : map.Objects)
        if (o.Kind() <= Rail && o.Kind() != Arch) DrawObject(p, map, o);
    for (const TMapObject& o : map.Objects)
        if (o.Kind() == Arch || o.Kind() > Rail) DrawObject(p, map, o);
    if (map.Snapped) DrawSnapMarker(p, map.SnapX, map.SnapY, secondsOfDay);
    DrawObjectCount(p, map.ObjectCount());
}

void DrawOverviewObject(QPainter& p, const TMapObject& o) {
    const auto line = OverviewLine(o);
    if (!line) return;
    p.setPen(MapPen(line->Color, 1));
    p.drawLine(line->X1, line->Y1, line->X2, line->Y2);
}

void DrawOverview(const TMap& map, TMapBitmaps& bitmaps) {
    QImage& image = bitmaps.OverviewBitmap;
    if (image.format() != QImage::Format_RGB32) // the pixels below are written as 32-bit words
        image = image.convertToFormat(QImage::Format_RGB32);
    image.fill(Qt::black);
    // Most objects are shorter than 50 m, a pixel or less on the overview. A line whose ends are
    // at most one pixel apart lights just one pixel, which is set directly: the painter takes
    // far longer per line than the pixel. Taken before the painter opens, so no copy is made.
    QRgb* const bits = reinterpret_cast<QRgb*>(image.bits());
    const qsizetype stride = image.bytesPerLine() / qsizetype(sizeof(QRgb));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    std::optional<std::uint32_t> penColor;
    auto draw = [&](const TMapObject& o) {
        const auto line = OverviewLine(o);
        if (!line) return;
        const int dx = line->X2 - line->X1, dy = line->Y2 - line->Y1;
        if (std::abs(dx) <= 1 && std::abs(dy) <= 1) {
            // The painter draws every line in increasing x (or y, when steeper) and leaves out
            // the last pixel, so the one pixel lit is the end that comes first that way.
            const bool reversed = std::abs(dx) >= std::abs(dy) ? dx < 0 : dy < 0;
            const int x = reversed ? line->X2 : line->X1, y = reversed ? line->Y2 : line->Y1;
            if (x >= 0 && y >= 0 && x < image.width() && y < image.height())
                bits[y * stride + x] = qRgb(int(line->Color & 0xFF), int(line->Color >> 8 & 0xFF),
                                            int(line->Color >> 16 & 0xFF));
            return;
        }
        if (penColor != line->Color) {
            p.setPen(MapPen(line->Color, 1));
            penColor = line->Color;
        }
        p.drawLine(line->X1, line->Y1, line->X2, line->Y2);
    };
    for (const TMapObject& o : map.Objects)
        if (!o.IsRail()) draw(o);
    for (const TMapObject& o : map.Objects)
        if (o.IsRail() && !o.Selected()) draw(o);
    for (const TMapObject& o : map.Objects) // selected rails lie on top
        if (o.IsRail() && o.Selected()) draw(o);
    p.setBrush(Qt::NoBrush);
    p.setPen(MapPen(Colors::Green, 1));
    p.drawRect(ExclusiveBox(OverviewPosition(map.ViewX), OverviewPosition(map.ViewY),
                            OverviewPosition(map.ViewX + PlanSize),
                            OverviewPosition(map.ViewY + PlanSize)));
}

} // namespace vell
