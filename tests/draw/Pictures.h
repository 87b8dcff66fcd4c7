// Helpers for the drawing tests: pixels as colours, rail loops, finding a label in a picture.
#pragma once

#include "model/Map.h"

#include <QImage>

#include <cstdint>
#include <string>
#include <vector>

namespace vell::test {

// The 0x00BBGGRR colour of a pixel, comparable with MakeColor.
std::uint32_t ColorAt(const QImage& image, int x, int y);
// How many pixels of the rectangle have the colour.
int CountColor(const QImage& image, const QRect& area, std::uint32_t color);
// A picture as rows of characters, for failure messages: '.' black, '#' the colour, 'o' other.
std::string Sketch(const QImage& image, const QRect& area, std::uint32_t color);

// A closed clockwise loop (Y down) around the rectangle, its corners cut by 10 m diagonals so
// that every rail continues forward into the next. Rails of the sides are `railLength` long
// (the last one of a side takes the rest).
struct TLoop {
    std::vector<int> Top, Right, Bottom, Left; // rail indices in driving order
    std::vector<int> All;
};
TLoop AddLoop(TMap& map, int left, int top, int right, int bottom, int railLength);

// Places of a label in a picture: where every pixel of the label's white box and black segments
// appears as DrawLabel would draw it there.
std::vector<QPoint> FindLabel(const QImage& picture, std::u32string_view text, bool across);

} // namespace vell::test
