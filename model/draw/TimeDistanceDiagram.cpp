// Drawing the time-distance diagram with QPainter.
#include "model/draw/TimeDistanceDiagram.h"

#include "model/Texts.h"
#include "model/draw/Palette.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace vell {

namespace {

constexpr int LeftMargin = 150, RightMargin = 60, TopMargin = 60, BottomMargin = 90;
const QColor GridColour(225, 225, 225);
const QColor StopColour(150, 170, 200);

QFont DiagramFont(int pixels, bool bold = false) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// Minutes between two time marks: about ten marks across.
int TimeStep(double minutes) {
    for (int step : {1, 2, 5, 10, 15, 30, 60, 120, 240, 480})
        if (minutes / step <= 12) return step;
    return 1440;
}

QString Text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

void DrawTitle(QPainter& p, const TTimeDistanceData& data, QSize size) {
    p.setPen(Qt::black);
    p.setFont(DiagramFont(22, true));
    const QString title = Text(translate("Diagram", "Маршрут %1: график движения, %2 мин"))
                              .arg(Text(data.RouteName))
                              .arg(std::lround(data.Minutes));
    p.drawText(QRect(0, 10, size.width(), 36), Qt::AlignHCenter | Qt::AlignVCenter, title);
}

void DrawTimeAxis(QPainter& p, const TDiagramFrame& f, QSize size) {
    const int step = TimeStep(f.Minutes);
    p.setFont(DiagramFont(15));
    const long long firstMark = std::llround(std::ceil(f.First / step)) * step;
    for (long long m = firstMark; m <= f.First + f.Minutes + 1e-9; m += step) {
        const QPointF top = f.At(m, 0), bottom = f.At(m, f.Length);
        p.setPen(QPen(GridColour, 1));
        p.drawLine(top, bottom);
        p.setPen(Qt::black);
        p.drawText(QRectF(bottom.x() - 40, bottom.y() + 6, 80, 20), Qt::AlignHCenter,
                   QString::number(m));
    }
    p.setFont(DiagramFont(17));
    p.drawText(QRectF(f.Plot.left(), f.Plot.bottom() + 32, f.Plot.width(), 24), Qt::AlignHCenter,
               Text(translate("Diagram", "время, мин")));
    (void)size;
}

// The stops as lines with their names at the left, the start and the route's length; a name
// that would overlap the one above is left out, its line stays.
void DrawStops(QPainter& p, const TTimeDistanceData& data, const TDiagramFrame& f) {
    p.setFont(DiagramFont(14));
    const int textHeight = QFontMetrics(p.font()).height();
    double lastLabel = -1e9;
    auto line = [&](double distance, const QString& name, const QColor& colour) {
        const QPointF a = f.At(f.First, distance), b = f.At(f.First + f.Minutes, distance);
        p.setPen(QPen(colour, 1));
        p.drawLine(a, b);
        if (a.y() - lastLabel < textHeight) return;
        lastLabel = a.y();
        p.setPen(Qt::black);
        p.drawText(QRectF(8, a.y() - textHeight / 2.0, LeftMargin - 16, textHeight),
                   Qt::AlignRight | Qt::AlignVCenter, name);
    };
    line(0, Text(translate("Diagram", "начало")), Qt::black);
    for (const TTimeDistanceStop& s : data.Stops)
        if (s.Distance < data.Length - 1) line(s.Distance, Text(s.Name), StopColour);
    lastLabel = -1e9; // the length is always named
    line(data.Length, Text(translate("Diagram", "%1 м")).arg(std::lround(data.Length)), Qt::black);
    p.save();
    p.setFont(DiagramFont(17));
    p.translate(22, f.Plot.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-200, -12, 400, 24), Qt::AlignCenter,
               Text(translate("Diagram", "расстояние по маршруту")));
    p.restore();
}

// Polylines through the points, broken where the distance falls back (a new lap) or, for
// samples, where they stop for more than a minute (the tram was off its route).
template <class Keep>
void DrawRuns(QPainter& p, const TDiagramFrame& f, const std::vector<TTimeDistancePoint>& points,
              double longestGap, Keep keep) {
    for (std::size_t k = 1; k < points.size(); ++k) {
        const TTimeDistancePoint &a = points[k - 1], &b = points[k];
        if (b.Distance < a.Distance - f.Length / 2 || b.Minute - a.Minute > longestGap) continue;
        if (keep(a, b)) p.drawLine(f.At(a.Minute, a.Distance), f.At(b.Minute, b.Distance));
    }
}

void DrawLegend(QPainter& p, QSize size) {
    struct TItem {
        QPen Pen;
        QString Text;
    };
    const TItem items[] = {
        {QPen(Qt::darkBlue, 2),
         Text(translate("Diagram", "поезд (в его цвете, номер в конце линии)"))},
        {QPen(Qt::darkBlue, 1, Qt::DashLine), Text(translate("Diagram", "его расписание"))},
        {QPen(ToQColor(DiagramBlockedColour), 7),
         Text(translate("Diagram", "стоит в заторе дольше минуты"))},
    };
    // VellSim's picture holds the legend in one row under the plot. A narrower window (the
    // game's, on a small screen) takes a smaller font, then the whole width, then two rows, so
    // that no item is cut at its edge.
    struct TLayout {
        int Pixels, Left;
        bool TwoRows;
    };
    auto rowWidth = [&](const TLayout& l, int first, int last) {
        const QFontMetrics metrics(DiagramFont(l.Pixels));
        int w = -40;
        for (int k = first; k <= last; ++k)
            w += 48 + metrics.horizontalAdvance(items[k].Text) + 40;
        return w;
    };
    auto fits = [&](const TLayout& l) {
        const int room = size.width() - 8 - l.Left;
        return l.TwoRows ? std::max(rowWidth(l, 0, 1), rowWidth(l, 2, 2)) <= room
                         : rowWidth(l, 0, 2) <= room;
    };
    TLayout layout{11, 16, true};
    for (const TLayout& l :
         {TLayout{14, LeftMargin, false}, TLayout{13, LeftMargin, false},
          TLayout{12, LeftMargin, false}, TLayout{11, LeftMargin, false}, TLayout{11, 16, false}})
        if (fits(l)) {
            layout = l;
            break;
        }
    p.setFont(DiagramFont(layout.Pixels));
    int y = size.height() - (layout.TwoRows ? 26 : 24);
    int x = layout.Left;
    for (int k = 0; k < 3; ++k) {
        if (layout.TwoRows && k == 2) {
            x = layout.Left;
            y += 16;
        }
        p.setPen(items[k].Pen);
        p.drawLine(x, y, x + 40, y);
        p.setPen(Qt::black);
        p.drawText(QRect(x + 48, y - 10, 400, 20), Qt::AlignLeft | Qt::AlignVCenter, items[k].Text);
        x += 48 + QFontMetrics(p.font()).horizontalAdvance(items[k].Text) + 40;
    }
}

} // namespace

TDiagramFrame DiagramFrame(const TTimeDistanceData& data, QSize size) {
    TDiagramFrame f;
    f.Plot = QRectF(LeftMargin, TopMargin, size.width() - LeftMargin - RightMargin,
                    size.height() - TopMargin - BottomMargin);
    f.First = data.FirstMinute;
    f.Minutes = data.Minutes > 0 ? data.Minutes : 1;
    f.Length = data.Length > 0 ? data.Length : 1;
    return f;
}

std::uint32_t DiagramTramColour(std::uint32_t colour) {
    const int r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
    const double light = 0.299 * r + 0.587 * g + 0.114 * b;
    if (light <= 150) return colour & 0xFFFFFF;
    const double k = 150 / light;
    return std::uint32_t(r * k) | std::uint32_t(g * k) << 8 | std::uint32_t(b * k) << 16;
}

QImage DrawTimeDistanceDiagram(const TTimeDistanceData& data, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    PaintTimeDistanceDiagram(p, data, size);
    return image;
}

void PaintTimeDistanceDiagram(QPainter& p, const TTimeDistanceData& data, QSize size) {
    p.setRenderHint(QPainter::Antialiasing, true);
    const TDiagramFrame f = DiagramFrame(data, size);
    DrawTitle(p, data, size);
    DrawTimeAxis(p, f, size);
    DrawStops(p, data, f);
    p.setClipRect(f.Plot.adjusted(-4, -4, 4, 4));
    for (const TTimeDistanceTram& t : data.Trams) {
        p.setPen(QPen(ToQColor(DiagramTramColour(t.Colour)), 1, Qt::DashLine));
        DrawRuns(p, f, t.Timetable, 1e300, [](auto&, auto&) { return true; });
    }
    p.setPen(QPen(ToQColor(DiagramBlockedColour), 7, Qt::SolidLine, Qt::RoundCap));
    for (const TTimeDistanceTram& t : data.Trams)
        DrawRuns(p, f, t.Run, 1, [](auto& a, auto& b) { return a.Blocked && b.Blocked; });
    for (const TTimeDistanceTram& t : data.Trams) {
        p.setPen(QPen(ToQColor(DiagramTramColour(t.Colour)), 2));
        DrawRuns(p, f, t.Run, 1, [](auto&, auto&) { return true; });
    }
    p.setClipping(false);
    // Each tram's number where its line ends.
    p.setFont(DiagramFont(13, true));
    for (const TTimeDistanceTram& t : data.Trams) {
        if (t.Run.empty()) continue;
        const QPointF end = f.At(t.Run.back().Minute, t.Run.back().Distance);
        p.setPen(ToQColor(DiagramTramColour(t.Colour)));
        p.drawText(QRectF(end.x() + 4, end.y() - 8, 50, 16), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::number(t.Number));
    }
    p.setPen(Qt::black);
    p.setBrush(Qt::NoBrush);
    p.drawRect(f.Plot);
    DrawLegend(p, size);
}

} // namespace vell
