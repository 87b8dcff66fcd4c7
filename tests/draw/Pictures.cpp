// Helpers for the drawing tests.
#include "tests/draw/Pictures.h"

#include "model/draw/Palette.h"
#include "model/draw/Scheme.h"
#include "tests/support/TestMaps.h"

#include <QPainter>

namespace vell::test {

std::uint32_t ColorAt(const QImage& image, int x, int y) {
    return PixelColor(image.pixel(x, y));
}

int CountColor(const QImage& image, const QRect& area, std::uint32_t color) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.rect().contains(x, y) && ColorAt(image, x, y) == color) ++count;
    return count;
}

std::string Sketch(const QImage& image, const QRect& area, std::uint32_t color) {
    std::string text = "\n";
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const std::uint32_t c = image.rect().contains(x, y) ? ColorAt(image, x, y) : 0;
            text += c == color ? '#' : c == 0 ? '.' : 'o';
        }
        text += '\n';
    }
    return text;
}

TLoop AddLoop(TMap& map, int left, int top, int right, int bottom, int railLength) {
    TLoop loop;
    auto side = [&](std::vector<int>& rails, int x1, int y1, int x2, int y2) {
        const int length = std::abs(x2 - x1) + std::abs(y2 - y1);
        const int dx = (x2 > x1) - (x2 < x1), dy = (y2 > y1) - (y2 < y1);
        for (int at = 0; at < length; at += railLength) {
            const int to = std::min(at + railLength, length);
            rails.push_back(AddRail(map, x1 + dx * at, y1 + dy * at, x1 + dx * to, y1 + dy * to));
            loop.All.push_back(rails.back());
        }
    };
    auto corner = [&](int x1, int y1, int x2, int y2) {
        loop.All.push_back(AddRail(map, x1, y1, x2, y2));
    };
    side(loop.Top, left + 10, top, right - 10, top);
    corner(right - 10, top, right, top + 10);
    side(loop.Right, right, top + 10, right, bottom - 10);
    corner(right, bottom - 10, right - 10, bottom);
    side(loop.Bottom, right - 10, bottom, left + 10, bottom);
    corner(left + 10, bottom, left, bottom - 10);
    side(loop.Left, left, bottom - 10, left, top + 10);
    corner(left, top + 10, left + 10, top);
    return loop;
}

std::vector<QPoint> FindLabel(const QImage& picture, std::u32string_view text, bool across) {
    // Draw the label on a neutral colour; every pixel that changed is part of it.
    const int length = LabelWidth(text) + 2;
    const QSize size = across ? QSize(8, length + 1) : QSize(length + 1, 8);
    QImage pattern(size, QImage::Format_RGB32);
    pattern.fill(QColor(1, 2, 3));
    {
        QPainter p(&pattern);
        DrawLabel(p, 1, 1, text, across);
    }
    struct TPixel {
        int X, Y;
        QRgb Color;
    };
    std::vector<TPixel> pixels;
    for (int y = 0; y < pattern.height(); ++y)
        for (int x = 0; x < pattern.width(); ++x)
            if (pattern.pixel(x, y) != QColor(1, 2, 3).rgb())
                pixels.push_back({x, y, pattern.pixel(x, y)});
    std::vector<QPoint> found;
    for (int y = -1; y + pattern.height() <= picture.height() + 1; ++y)
        for (int x = -1; x + pattern.width() <= picture.width() + 1; ++x) {
            bool match = true;
            for (const TPixel& px : pixels) {
                const int u = x + px.X, v = y + px.Y;
                if (!picture.rect().contains(u, v) || picture.pixel(u, v) != px.Color) {
                    match = false;
                    break;
                }
            }
            if (match) found.emplace_back(x + 1, y + 1); // where DrawLabel was given
        }
    return found;
}

} // namespace vell::test
