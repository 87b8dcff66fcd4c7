// The route scheme picture.
#include "model/draw/Scheme.h"

#include "model/RouteTable.h"
#include "model/SegmentFont.h"
#include "model/Units.h"
#include "model/draw/Palette.h"

#include "model/FileName.h"
#include "model/SafeFile.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageWriter>

#include <algorithm>
#include <cstdlib>

namespace vell {

const char* const SchemeSaveError = QT_TRANSLATE_NOOP("Scheme", "Ошибка при сохранении схемы!");

namespace {

constexpr std::uint32_t Background = 0xDDDDDD;
constexpr std::uint32_t OtherObjects = 0xAAAAAA;
constexpr double HalfPixel = 16.667; // in SumX units: twice the metres of half a pixel

int Round(double v) {
    return int(RoundHalfEven(v));
}
int SchemePosition(int metres) {
    return Round(metres * 0.06);
}

bool IsRouteRail(const TMapObject& o) {
    return o.IsRail() && o.Selected();
}

void SchemeLine(QPainter& p, const TMapObject& o) {
    p.drawLine(SchemePosition(o.X1), SchemePosition(o.Y1), SchemePosition(o.X2),
               SchemePosition(o.Y2));
}

// Earlier labels win: a label is dropped when its box comes too close to one kept before it.
void PlaceLabels(QPainter& p, std::vector<TSchemeLabel>& labels) {
    for (std::size_t q = 0; q < labels.size(); ++q) {
        TSchemeLabel& label = labels[q];
        const int width = LabelWidth(label.Text);
        label.ExtX = label.Across ? 6 : width;
        label.ExtY = label.Across ? width : 6;
        const int a = label.Across ? 1 : 0;
        for (std::size_t k = 0; k < q; ++k) {
            const TSchemeLabel& other = labels[k];
            if (other.ExtX <= 0) continue;
            if (std::abs(label.SumX - other.SumX) <
                    (label.ExtX + other.ExtX + 6 + 4 * a) * HalfPixel &&
                std::abs(label.SumY - other.SumY) <
                    (label.ExtY + other.ExtY + 10 - 4 * a) * HalfPixel) {
                label.ExtX = 0;
                break;
            }
        }
        if (label.ExtX > 0)
            DrawLabel(p, Round(label.SumX * 0.03) - label.ExtX / 2,
                      Round(label.SumY * 0.03) - label.ExtY / 2, label.Text, label.Across);
    }
}

} // namespace

QImage NewSchemeBitmap() {
    QImage bitmap(SchemeSize, SchemeSize, QImage::Format_RGB32);
    bitmap.fill(Qt::white);
    return bitmap;
}

std::string SchemeFileName(std::string_view mapFileName) {
    const std::size_t slash = mapFileName.find_last_of('/');
    const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const std::size_t dot = mapFileName.find_last_of('.');
    if (dot == std::string_view::npos || dot < nameStart) return std::string(mapFileName) + ".bmp";
    return std::string(mapFileName.substr(0, dot + 1)) + "bmp";
}

int LabelWidth(std::u32string_view text) {
    int width = 0;
    for (char32_t c : text)
        if (int g = GlyphOf(c); g >= 0) width += Glyphs[g].Width + 1;
    return width;
}

void DrawLabel(QPainter& p, int x, int y, std::u32string_view text, bool across) {
    for (char32_t c : text) {
        const int g = GlyphOf(c);
        if (g < 0) continue;
        const int w = Glyphs[g].Width;
        p.fillRect(across ? QRect(x - 1, y - 1, 7, w + 2) : QRect(x - 1, y - 1, w + 2, 7),
                   Qt::white);
        for (int k = 0; k < int(FontSegments.size()); ++k) {
            if (!(Glyphs[g].Mask & (1 << k))) continue;
            const TFontSegment& s = FontSegments[k];
            // Both end pixels of a segment are lit.
            const QPoint from =
                across ? QPoint(x + 4 - s.Y1, y + s.X1) : QPoint(x + s.X1, y + s.Y1);
            const QPoint to = across ? QPoint(x + 4 - s.Y2, y + s.X2) : QPoint(x + s.X2, y + s.Y2);
            p.fillRect(QRect(QPoint(std::min(from.x(), to.x()), std::min(from.y(), to.y())),
                             QPoint(std::max(from.x(), to.x()), std::max(from.y(), to.y()))),
                       Qt::black);
        }
        if (across)
            y += w + 1;
        else
            x += w + 1;
    }
}

void AddRouteLabels(TMap& map, TSchemeLabels& labels, int row, int column) {
    const char32_t digit = U'1' + char32_t(row);
    const char32_t suffix = Glyphs[column].Character; // suffix j is glyph j
    map.ClearMarks();
    map.MarkRoute(row, column);
    for (int i = 0; i < map.ObjectCount(); ++i) {
        if (!map.Objects[i].Selected() || labels.LabelOf[i] < 0) continue;
        std::u32string& t = labels.Labels[labels.LabelOf[i]].Text;
        const std::size_t n = t.size();
        std::u32string add;
        // A route of the digit just written adds only an apostrophe and its suffix: 1'А'Б. The
        // route written last must be of that digit, not merely end in it: 12 then 21 is
        // "12,21", as "12'1" would read 12 and 11. A route's group starts with its digit.
        const std::size_t comma = t.rfind(U',');
        const std::size_t group = comma == std::u32string::npos ? 0 : comma + 1;
        const bool sameNumber = group < n && t[group] == digit;
        if (sameNumber &&
            ((n > 0 && t[n - 1] == digit) || (n > 2 && t[n - 2] == U'\'' && t[n - 3] == digit))) {
            add = {U'\'', suffix};
        } else {
            if (n > 0) add += U',';
            add += digit;
            if (column > 0) add += suffix;
        }
        t = (t + add).substr(0, MaxLabelLength);
    }
}

bool DrawScheme(TMap& map, QImage& bitmap, TSchemeLabels* placed) {
    if (map.FileName == NewMapName || !map.NetworkOk) return false;
    map.ClearMarks();
    for (int i = 0; i < RouteRows; ++i)
        for (int j = 0; j < RouteColumns; ++j)
            map.MarkRoute(i, j);

    QPainter p(&bitmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(MapPen(Colors::White, 1));
    p.setBrush(ToQColor(Background));
    p.drawRect(ExclusiveBox(0, 0, SchemeSize - 1, SchemeSize - 1));
    p.setBrush(Qt::white);

    // Catchments: 400 m around every served stop.
    for (const TMapObject& o : map.Objects) {
        if (!IsRouteRail(o) || !o.IsStop()) continue;
        const int sumX = o.X1 + o.X2, sumY = o.Y1 + o.Y2;
        p.drawEllipse(ExclusiveBox(Round((sumX - 800) * 0.03), Round((sumY - 800) * 0.03),
                                   Round((sumX + 800) * 0.03), Round((sumY + 800) * 0.03)));
    }

    p.setPen(MapPen(OtherObjects, 1));
    for (const TMapObject& o : map.Objects)
        if (!IsRouteRail(o)) SchemeLine(p, o);

    TSchemeLabels labels;
    labels.LabelOf.assign(map.Objects.size(), -1);
    p.setPen(MapPen(Colors::Black, 1));
    for (int i = 0; i < map.ObjectCount(); ++i) {
        const TMapObject& o = map.Objects[i];
        if (!IsRouteRail(o)) continue;
        SchemeLine(p, o);
        if (labels.Labels.size() >= MaxSchemeLabels) continue; // drawn, but left unlabelled
        labels.LabelOf[i] = int(labels.Labels.size());
        TSchemeLabel label;
        label.SumX = o.X1 + o.X2;
        label.SumY = o.Y1 + o.Y2;
        label.Across = std::abs(o.X2 - o.X1) > std::abs(o.Y2 - o.Y1);
        labels.Labels.push_back(std::move(label));
    }

    for (auto [i, j] : RouteTableOrder())
        AddRouteLabels(map, labels, i, j);
    map.ClearMarks();
    PlaceLabels(p, labels.Labels);
    if (placed) *placed = std::move(labels);
    return true;
}

TFileFault WriteImageFile(const QImage& image, const std::string& path, const char* format) {
    // Encoded in memory first, then written as the map is: the temporary file's name stays short
    // however long the picture's name is, and the reason for a failure is known.
    const QByteArray suffix =
        format ? QByteArray(format)
               : QFileInfo(QString::fromStdString(path)).suffix().toLower().toLatin1();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (suffix.isEmpty() || !QImageWriter(&buffer, suffix).write(image)) return TFileFault::Other;
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    return WriteFileAtomically(path,
                               std::span<const std::uint8_t>(data, std::size_t(bytes.size())));
}

bool SaveSchemeBitmap(const QImage& bitmap, const std::string& path, const std::string& mapFile,
                      TFileFault* fault) {
    auto fail = [fault](TFileFault f) {
        if (fault) *fault = f;
        return false;
    };
    if (SameFile(path, mapFile)) return fail(TFileFault::PictureOverMap);
    const TFileFault written = WriteImageFile(bitmap, path, "bmp");
    if (fault) *fault = written;
    return written == TFileFault::None;
}

TSchemeResult ExportScheme(TMap& map, QImage& bitmap, const std::string& path, TFileFault* fault) {
    if (fault) *fault = TFileFault::None;
    if (!DrawScheme(map, bitmap)) return TSchemeResult::NotDrawn;
    return SaveSchemeBitmap(bitmap, path, map.FileName, fault) ? TSchemeResult::Saved
                                                               : TSchemeResult::SaveFailed;
}

TSchemeResult ExportScheme(TMap& map, QImage& bitmap, TFileFault* fault) {
    return ExportScheme(map, bitmap, SchemeFileName(map.FileName), fault);
}

} // namespace vell
