// The time-distance diagram of a route: simulated time across, distance along the route down,
// the stops as labelled lines, one line per tram in its colour over its timetable (dashed), and
// its blocked stands in red. Bunching shows as lines running together, lateness as a line
// right of its dashes, a jam as a flat red stretch.
#pragma once

#include "model/TimeDistance.h"

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>

#include <cstdint>
#include <vector>

class QPainter;

namespace vell {

constexpr int DiagramWidth = 1600, DiagramHeight = 1000;
constexpr std::uint32_t DiagramBlockedColour = 0x0000FF; // red, 0x00BBGGRR

// Where the plot of a picture of `size` lies and where a moment at a distance falls in it.
struct TDiagramFrame {
    QRectF Plot;
    double First = 0, Minutes = 1, Length = 1;
    QPointF At(double minute, double distance) const {
        return {Plot.left() + Plot.width() * (minute - First) / Minutes,
                Plot.top() + Plot.height() * distance / Length};
    }
};
TDiagramFrame DiagramFrame(const TTimeDistanceData& data, QSize size);

// The names at the left of the plot: the start, every stop and the route's length, each in a
// box of its own beside the distance axis's caption. Names of stops too close for their lines'
// height are moved apart (a thin line leads from a moved name to its stop's line), dense routes
// get a smaller font and then more columns, and a name too long for its column is shortened.
struct TDiagramLabel {
    QString Text; // as drawn, shortened if need be
    QRectF Box;   // where it is drawn, right-aligned
    double LineY; // the height of its line in the plot
};
struct TDiagramLabels {
    QRectF Axis; // the caption "расстояние по маршруту", turned upright
    int Pixels = 14;
    std::vector<TDiagramLabel> Names; // in order along the route: start, stops, length
};
TDiagramLabels DiagramLabels(const TTimeDistanceData& data, QSize size);

// The colour a tram's line is drawn in: its own, darkened when too pale to see on white.
std::uint32_t DiagramTramColour(std::uint32_t colour);

QImage DrawTimeDistanceDiagram(const TTimeDistanceData& data,
                               QSize size = QSize(DiagramWidth, DiagramHeight));
// The same on any painter, over a ground of `size` already white: every word in the program's
// language.
void PaintTimeDistanceDiagram(QPainter& p, const TTimeDistanceData& data, QSize size);

} // namespace vell
