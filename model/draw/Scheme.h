// The route scheme picture: the whole map at 0.06 pixel per metre, with the catchment of every
// served stop in white, the objects in grey, the route rails in black and at each route rail
// the names of the routes that use it, in the segment font. Saved as a BMP file.
#pragma once

#include "model/Map.h"

#include <QImage>
#include <QPainter>

#include <string>
#include <string_view>
#include <vector>

namespace vell {

constexpr int SchemeSize = 600;
constexpr int MaxSchemeLabels = 2048;
constexpr std::size_t MaxLabelLength = 255;
extern const char* const SchemeSaveError; // "Ошибка при сохранении схемы!"

// A white 600 x 600 bitmap for the picture.
QImage NewSchemeBitmap();

// Where the picture of a map goes: the map's file name with its extension replaced by "bmp"
// ("bmp" appended after a dot when the name has none). Only the file name is looked at, so a
// dot in a folder name cannot send the picture out of the map's folder.
std::string SchemeFileName(std::string_view mapFileName);

// The label of one route rail.
struct TSchemeLabel {
    int SumX = 0, SumY = 0; // twice the rail's midpoint, in metres
    bool Across = false;    // the rail runs more across than down: the text runs down, across it
    std::u32string Text;
    int ExtX = 0, ExtY = 0; // pixels; ExtX 0 once the label is dropped
};

struct TSchemeLabels {
    std::vector<int> LabelOf; // per object: its label, or -1
    std::vector<TSchemeLabel> Labels;
};

// Appends the name of route slot [row][column] to the label of every rail of its walk.
void AddRouteLabels(TMap& map, TSchemeLabels& labels, int row, int column);
// Pixels a text takes along its line: each glyph's width plus one.
int LabelWidth(std::u32string_view text);
// Writes a text in the segment font with its top-left corner at (x, y), each glyph on a white
// box; across text is turned a quarter clockwise and runs downwards.
void DrawLabel(QPainter& p, int x, int y, std::u32string_view text, bool across);

// Draws the picture into a 600 x 600 bitmap. Nothing is drawn for a map without a file or with
// a faulty rail network; then the result is false. Leaves no marks on the map. The labels, with
// the dropped ones at ExtX 0, go to `placed` when given.
bool DrawScheme(TMap& map, QImage& bitmap, TSchemeLabels* placed = nullptr);

enum class TSchemeResult { NotDrawn, Saved, SaveFailed };

// Draws the picture and saves it as a BMP file under SchemeFileName of the map. `fault` says
// why a save failed.
TSchemeResult ExportScheme(TMap& map, QImage& bitmap, TFileFault* fault = nullptr);
// The same with the file named by the caller.
TSchemeResult ExportScheme(TMap& map, QImage& bitmap, const std::string& path,
                           TFileFault* fault = nullptr);

// Writes a picture by the rules of WriteFileAtomically, in `format` or else in the one its name's
// suffix names, as QImage::save would. Other when it cannot be encoded so.
TFileFault WriteImageFile(const QImage& image, const std::string& path,
                          const char* format = nullptr);

// Writes a bitmap as a BMP file, replacing the file only once the new one is complete. Refuses
// to write over the map file itself (a map named "city.bmp"). False when nothing was written.
bool SaveSchemeBitmap(const QImage& bitmap, const std::string& path, const std::string& mapFile,
                      TFileFault* fault = nullptr);

} // namespace vell
