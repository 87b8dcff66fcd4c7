// Reads digits back from line segments drawn in the segment font, so that tests check what a
// gauge shows rather than how it was built.
#pragma once

#include "cab/CabGauges.h"
#include "model/SegmentFont.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace vell::test {

struct TSegment {
    TPoint2 A, B;
};

inline std::vector<TSegment> SegmentsOf(const std::vector<TPoint2>& points) {
    std::vector<TSegment> s;
    for (std::size_t k = 0; k + 1 < points.size(); k += 2)
        s.push_back({points[k], points[k + 1]});
    return s;
}

// Segments whose midpoint lies within `radius` of (x, y).
inline std::vector<TSegment> SegmentsNear(const std::vector<TSegment>& all, double x, double y,
                                          double radius) {
    std::vector<TSegment> near;
    for (const TSegment& s : all) {
        const double mx = (s.A.X + s.B.X) / 2 - x, my = (s.A.Y + s.B.Y) / 2 - y;
        if (mx * mx + my * my <= radius * radius) near.push_back(s);
    }
    return near;
}

// The digits the segments show, left to right: cells are 2 units wide and every digit touches
// its cell's left edge and top; '?' for a cell that is no digit. `unit` is one glyph unit.
inline std::string ReadDigits(std::vector<TSegment> segments, double unit = 0.01) {
    const auto left = [](const TSegment& s) { return std::min(s.A.X, s.B.X); };
    std::sort(segments.begin(), segments.end(),
              [&](const TSegment& a, const TSegment& b) { return left(a) < left(b); });
    std::string digits;
    std::size_t k = 0;
    while (k < segments.size()) {
        const double x0 = left(segments[k]);
        std::vector<TSegment> cell;
        while (k < segments.size() && left(segments[k]) <= x0 + 2.5 * unit)
            cell.push_back(segments[k++]);
        double y0 = -1e9;
        for (const TSegment& s : cell)
            y0 = std::max({y0, s.A.Y, s.B.Y});
        unsigned mask = 0;
        bool stray = false;
        for (const TSegment& s : cell) {
            const auto gx = [&](const TPoint2& p) { return int(std::lround((p.X - x0) / unit)); };
            const auto gy = [&](const TPoint2& p) { return int(std::lround((y0 - p.Y) / unit)); };
            bool found = false;
            for (int b = 0; b < int(FontSegments.size()); ++b) {
                const TFontSegment& f = FontSegments[b];
                const bool forward =
                    gx(s.A) == f.X1 && gy(s.A) == f.Y1 && gx(s.B) == f.X2 && gy(s.B) == f.Y2;
                const bool backward =
                    gx(s.B) == f.X1 && gy(s.B) == f.Y1 && gx(s.A) == f.X2 && gy(s.A) == f.Y2;
                if (forward || backward) {
                    mask |= 1u << b;
                    found = true;
                }
            }
            stray = stray || !found;
        }
        char digit = '?';
        for (int g = 1; g <= 10 && !stray; ++g)
            if (Glyphs[g].Mask == mask) digit = char('0' + g - 1);
        digits += digit;
    }
    return digits;
}

} // namespace vell::test
