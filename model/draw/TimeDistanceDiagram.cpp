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
// The distance axis's caption, upright at the left edge, and the names between it and the plot.
constexpr int AxisPixels = 17, AxisLeft = 10, AxisWidth = 24, NamesGap = 4, NamesRight = 8;
// The names' font shrinks from the first size to the last before they take more columns.
constexpr int NamePixels = 14, LeastNamePixels = 10;
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

// The stops as lines, and their names where DiagramLabels put them.
void DrawStops(QPainter& p, const TTimeDistanceData& data, const TDiagramFrame& f, QSize size) {
    const TDiagramLabels labels = DiagramLabels(data, size);
    auto line = [&](double distance, const QColor& colour) {
        p.setPen(QPen(colour, 1));
        p.drawLine(f.At(f.First, distance), f.At(f.First + f.Minutes, distance));
    };
    line(0, Qt::black);
    for (const TTimeDistanceStop& s : data.Stops)
        if (s.Distance < data.Length - 1) line(s.Distance, StopColour);
    line(data.Length, Qt::black);
    p.setFont(DiagramFont(labels.Pixels));
    for (const TDiagramLabel& l : labels.Names) {
        // A name moved off its line points to it.
        if (std::abs(l.Box.center().y() - l.LineY) >= 1) {
            p.setPen(QPen(StopColour, 1));
            p.drawLine(QPointF(l.Box.right() + 1, l.Box.center().y()),
                       QPointF(f.Plot.left(), l.LineY));
        }
        p.setPen(Qt::black);
        p.drawText(l.Box, Qt::AlignRight | Qt::AlignVCenter, l.Text);
    }
    p.save();
    p.setFont(DiagramFont(AxisPixels));
    p.translate(labels.Axis.center());
    p.rotate(-90);
    p.drawText(QRectF(-labels.Axis.height() / 2, -labels.Axis.width() / 2, labels.Axis.height(),
                      labels.Axis.width()),
               Qt::AlignCenter, Text(translate("Diagram", "расстояние по маршруту")));
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

namespace {

// Moves boxes of height `h` wanted at `centres` (in order) apart as little as it can, so that
// none overlaps the next and all stay within [top, bottom]; they must fit there.
std::vector<double> SpreadTops(const std::vector<double>& centres, double h, double top,
                               double bottom) {
    std::vector<double> tops(centres.size());
    double next = top;
    for (std::size_t k = 0; k < centres.size(); ++k)
        next = (tops[k] = std::max(centres[k] - h / 2, next)) + h;
    double last = bottom;
    for (std::size_t k = centres.size(); k-- > 0;)
        last = tops[k] = std::min(tops[k], last - h);
    return tops;
}

} // namespace

TDiagramLabels DiagramLabels(const TTimeDistanceData& data, QSize size) {
    const TDiagramFrame f = DiagramFrame(data, size);
    TDiagramLabels labels;
    const QString axis = Text(translate("Diagram", "расстояние по маршруту"));
    const double axisLength = QFontMetrics(DiagramFont(AxisPixels)).horizontalAdvance(axis) + 8;
    labels.Axis = QRectF(AxisLeft, f.Plot.center().y() - axisLength / 2, AxisWidth, axisLength);

    struct TName {
        QString Text;
        double Y;
    };
    std::vector<TName> names{{Text(translate("Diagram", "начало")), f.At(f.First, 0).y()}};
    for (const TTimeDistanceStop& s : data.Stops)
        if (s.Distance < data.Length - 1)
            names.push_back({Text(s.Name), f.At(f.First, std::max(s.Distance, 0.0)).y()});
    names.push_back({Text(translate("Diagram", "%1 м")).arg(std::lround(data.Length)),
                     f.At(f.First, data.Length).y()});
    std::stable_sort(names.begin(), names.end(),
                     [](const TName& a, const TName& b) { return a.Y < b.Y; });

    // The names stay between the title and the picture's bottom margin, half a line past the
    // plot at either end, left of the time axis's first figure.
    const double left = labels.Axis.right() + NamesGap, right = f.Plot.left() - NamesRight;
    int columns = 1;
    for (;; ++columns) {
        for (labels.Pixels = NamePixels; labels.Pixels >= LeastNamePixels; --labels.Pixels) {
            const double h = QFontMetrics(DiagramFont(labels.Pixels)).height();
            const double room = f.Plot.height() + h;
            if (std::ceil(double(names.size()) / columns) * h <= room) break;
        }
        if (labels.Pixels >= LeastNamePixels || (right - left) / (columns + 1) < 24) break;
    }
    // Side by side the columns are narrow: their names take the small font.
    labels.Pixels = columns > 1 ? LeastNamePixels : std::max(labels.Pixels, LeastNamePixels);
    const QFontMetrics metrics(DiagramFont(labels.Pixels));
    const double h = metrics.height();
    const double top = f.Plot.top() - h / 2, bottom = f.Plot.bottom() + h / 2;
    const double width = (right - left) / columns;
    // Column 0 is the nearest the plot; the names take the columns in turn down the route.
    for (int c = 0; c < columns; ++c) {
        std::vector<double> centres;
        for (std::size_t k = c; k < names.size(); k += columns)
            centres.push_back(names[k].Y);
        const std::vector<double> tops = SpreadTops(centres, h, top, bottom);
        const double x = right - (c + 1) * width;
        for (std::size_t k = c, i = 0; k < names.size(); k += columns, ++i)
            labels.Names.push_back(
                {metrics.elidedText(names[k].Text, Qt::ElideRight, int(width) - 1),
                 QRectF(x + 1, tops[i], width - 1, h), names[k].Y});
    }
    std::stable_sort(
        labels.Names.begin(), labels.Names.end(),
        [](const TDiagramLabel& a, const TDiagramLabel& b) { return a.LineY < b.LineY; });
    return labels;
}

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
    DrawStops(p, data, f, size);
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
