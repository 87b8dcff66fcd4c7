// Colours and pens of the map drawings, and the conventions of the bitmaps they are drawn on.
#pragma once

#include <QColor>
#include <QPen>
#include <QRect>

#include <cstdint>

namespace vell {

// The named colours, as 0x00BBGGRR values like MakeColor's.
namespace Colors {
constexpr std::uint32_t Black = 0x000000;
constexpr std::uint32_t DarkRed = 0x000055;
constexpr std::uint32_t Red = 0x0000FF;
constexpr std::uint32_t Olive = 0x008888;
constexpr std::uint32_t DarkGreen = 0x008800;
constexpr std::uint32_t MediumGreen = 0x00AA00;
constexpr std::uint32_t Green = 0x00FF00;
constexpr std::uint32_t Grey = 0x888888;
constexpr std::uint32_t White = 0xFFFFFF;
} // namespace Colors

inline QColor ToQColor(std::uint32_t bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

// The 0x00BBGGRR value of a pixel of an RGB32 bitmap, for comparing with the named colours.
inline std::uint32_t PixelColor(QRgb pixel) {
    return std::uint32_t(qRed(pixel)) | std::uint32_t(qGreen(pixel)) << 8 |
           std::uint32_t(qBlue(pixel)) << 16;
}

// A pen as the drawings use it. A line of width 1 leaves out one end pixel (flat cap), so that
// lines joined end to end do not light their common point twice; wider lines get round ends.
QPen MapPen(std::uint32_t bgr, int width, Qt::PenStyle style = Qt::SolidLine);

// The box of an ellipse or rectangle given as corners (x1, y1)-(x2, y2) whose right and bottom
// edges are exclusive: with a pen of width 1 the outline covers x1..x2-1 and y1..y2-1.
inline QRect ExclusiveBox(int x1, int y1, int x2, int y2) {
    return QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1);
}

} // namespace vell
