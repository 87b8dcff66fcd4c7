// The route scheme picture: labels, collisions, catchments, the label limit and the file.
#include "model/RouteTable.h"
#include "model/draw/Palette.h"
#include "model/draw/Scheme.h"
#include "tests/draw/Pictures.h"
#include "tests/support/TestMaps.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <fstream>

namespace vell::test {
namespace {

constexpr std::uint32_t Grey = 0xDDDDDD, OtherObjects = 0xAAAAAA;

// A map with a file name, its network built and its routes laid, as the game has it when the
// picture is asked for.
std::unique_ptr<TMap> Selected(std::unique_ptr<TMap> map, const std::string& name = "city.vl") {
    map->FileName = name;
    EXPECT_EQ(SelectMap(*map).NetworkResult, -1);
    return map;
}

struct TDrawn {
    QImage Picture = NewSchemeBitmap();
    TSchemeLabels Labels;
};

TDrawn Draw(TMap& map) {
    TDrawn drawn;
    EXPECT_TRUE(DrawScheme(map, drawn.Picture, &drawn.Labels));
    return drawn;
}

const TSchemeLabel& LabelOf(const TDrawn& drawn, int rail) {
    return drawn.Labels.Labels.at(std::size_t(drawn.Labels.LabelOf.at(std::size_t(rail))));
}

TEST(SchemeLabels, RoutesOfOneDigitShareIt) {
    struct Case {
        std::vector<std::pair<int, int>> Slots;
        std::u32string Text;
    } cases[] = {
        {{{0, 0}, {0, 11}}, U"1'А"},
        {{{1, 0}, {0, 3}}, U"2,12"},
        {{{0, 2}, {0, 3}}, U"11'2"},
        {{{0, 0}, {0, 11}, {0, 12}, {1, 0}, {0, 1}}, U"1'А'Б,2,10"},
        {{{8, 12}}, U"9Б"},
        // The route written last is of another digit that its label merely ends in.
        {{{0, 3}, {1, 2}}, U"12,21"},
        {{{1, 0}, {0, 3}, {1, 2}}, U"2,12,21"},
        {{{0, 2}, {0, 3}, {1, 3}}, U"11'2,22"},
    };
    for (const Case& c : cases) {
        auto map = NewMap();
        const TLoop loop = AddLoop(*map, 2000, 2000, 6000, 6000, 1000);
        for (auto [i, j] : c.Slots) {
            TRouteRec& r = map->Route(i, j);
            r.WaypointCount = 2;
            r.Waypoints[0] = std::uint16_t(loop.Top[0]);
            r.Waypoints[1] = std::uint16_t(loop.Bottom[0]);
        }
        map = Selected(std::move(map));
        const TDrawn drawn = Draw(*map);
        for (int rail : loop.All)
            EXPECT_EQ(LabelOf(drawn, rail).Text, c.Text) << "rail " << rail;
        // Written along the vertical sides, across the horizontal ones.
        EXPECT_FALSE(FindLabel(drawn.Picture, c.Text, false).empty());
        EXPECT_FALSE(FindLabel(drawn.Picture, c.Text, true).empty());
        for (const TMapObject& o : map->Objects)
            EXPECT_FALSE(o.Selected());
    }
}

TEST(SchemeLabels, TextStopsAt255Characters) {
    auto map = NewMap();
    const TLoop loop = AddLoop(*map, 2000, 2000, 6000, 6000, 1000);
    for (int i = 0; i < RouteRows; ++i)
        for (int j = 0; j < RouteColumns; ++j)
            SetRoute(*map, i, j, {loop.Top[0], loop.Bottom[0]});
    map = Selected(std::move(map));
    const TDrawn drawn = Draw(*map);
    const std::u32string& text = LabelOf(drawn, loop.Top[0]).Text;
    EXPECT_EQ(text.size(), MaxLabelLength);
    EXPECT_EQ(text.substr(0, 21), U"1'А'Б,2'А'Б,3'А'Б,4'А");
    // Then the two-digit routes: 12 and 13 follow the "1" or "'2" just written, 14 does not.
    EXPECT_EQ(text.substr(53, 13), U",10,11'2'3,14");
}

TEST(SchemeLabels, ALabelCloseAfterAnotherIsDropped) {
    auto map = NewMap();
    const TLoop loop = AddLoop(*map, 2000, 2000, 6000, 6000, 10);
    SetRoute(*map, 0, 0, {loop.Top[0], loop.Bottom[0]});
    map = Selected(std::move(map));
    const TDrawn drawn = Draw(*map);
    EXPECT_GT(LabelOf(drawn, loop.Top[0]).ExtX, 0);
    EXPECT_EQ(LabelOf(drawn, loop.Top[1]).ExtX, 0) << "10 m after the first";
    // One label "1" across the rail centred on the first rail's midpoint, (2015, 2000) metres:
    // x = round(4030 * 0.03) - 6 / 2, y = round(4000 * 0.03) - 2 / 2.
    const std::vector<QPoint> found = FindLabel(drawn.Picture, U"1", true);
    EXPECT_NE(std::find(found.begin(), found.end(), QPoint(118, 119)), found.end());
}

// Labels "1" collide when their centres are closer than (6 + 6 + 6 + 4) half pixels along a
// horizontal side, and (6 + 6 + 10) half pixels along a vertical one: 366.674 units of twice the
// metres, so rails 183 m long drop every other label and rails 184 m long keep all of them.
TEST(SchemeLabels, CollisionDistance) {
    for (int length : {183, 184}) {
        auto map = NewMap();
        const int side = 20 + 4 * length;
        const TLoop loop = AddLoop(*map, 1000, 1000, 1000 + side, 1000 + side, length);
        SetRoute(*map, 0, 0, {loop.Top[0], loop.Bottom[0]});
        map = Selected(std::move(map));
        const TDrawn drawn = Draw(*map);
        const bool kept = length == 184;
        auto drawnAt = [&](const std::vector<int>& rails, std::size_t k) {
            return LabelOf(drawn, rails.at(k)).ExtX > 0;
        };
        // Across the top, each label against the one before it.
        EXPECT_TRUE(drawnAt(loop.Top, 0));
        EXPECT_EQ(drawnAt(loop.Top, 1), kept) << length;
        EXPECT_TRUE(drawnAt(loop.Top, 2));
        EXPECT_EQ(drawnAt(loop.Top, 3), kept) << length;
        // Down the right side; its first label is too close to the top's last one.
        EXPECT_FALSE(drawnAt(loop.Right, 0));
        EXPECT_TRUE(drawnAt(loop.Right, 1));
        EXPECT_EQ(drawnAt(loop.Right, 2), kept) << length;
        EXPECT_TRUE(drawnAt(loop.Right, 3));
    }
}

TEST(SchemePicture, ServedStopsHaveACatchmentDisc) {
    auto map = NewMap();
    const TLoop served = AddLoop(*map, 2000, 2000, 4000, 4000, 500);
    const TLoop unserved = AddLoop(*map, 6000, 2000, 8000, 4000, 500);
    // Stops on the top sides, midpoints (3250, 2000) and (7250, 2000): pixels (195, 120), (435,
    // 120).
    map->Objects[served.Top[2]].SetStopType(3);
    map->Objects[unserved.Top[2]].SetStopType(3);
    SetRoute(*map, 0, 0, {served.Top[0], served.Bottom[0]});
    map = Selected(std::move(map));
    const TDrawn drawn = Draw(*map);
    const QImage& picture = drawn.Picture;
    EXPECT_EQ(ColorAt(picture, 195, 120 + 20), Colors::White);
    EXPECT_EQ(ColorAt(picture, 195 + 16, 120 - 16), Colors::White);
    EXPECT_EQ(ColorAt(picture, 195, 120 - 27), Grey) << "a disc of radius 24";
    EXPECT_EQ(ColorAt(picture, 435, 120 + 20), Grey);
    EXPECT_EQ(ColorAt(picture, 435 + 16, 120 - 16), Grey);
    // The route's rails are black, the other loop's grey (away from the labels at midpoints).
    EXPECT_EQ(ColorAt(picture, 195 + 10, 120), Colors::Black);
    EXPECT_EQ(ColorAt(picture, 435 + 10, 120), OtherObjects);
    // The frame: a white outline over the light grey ground.
    EXPECT_EQ(ColorAt(picture, 0, 300), Colors::White);
    EXPECT_EQ(ColorAt(picture, 598, 300), Colors::White);
    EXPECT_EQ(ColorAt(picture, 1, 300), Grey);
    EXPECT_EQ(ColorAt(picture, 597, 597), Grey);
}

TEST(SchemePicture, RailsBeyondTheLabelLimitAreDrawnButNotLabelled) {
    auto map = NewMap();
    // 5 m rails: 1396 along the top, 196 down the right side, 1396 along the bottom and 196 up
    // the left side, in that index order; only the first 2048 get a label.
    const TLoop loop = AddLoop(*map, 1000, 1000, 8000, 2000, 5);
    ASSERT_GT(loop.All.size(), 3000u);
    SetRoute(*map, 0, 0, {loop.Top[0], loop.Bottom[0]});
    map = Selected(std::move(map));
    const TDrawn drawn = Draw(*map);
    EXPECT_EQ(drawn.Labels.Labels.size(), std::size_t(MaxSchemeLabels));
    for (int rail : loop.Left)
        EXPECT_EQ(drawn.Labels.LabelOf[rail], -1);
    // Right side at x 480 and left side at x 60, between y 66 and 114.
    const QImage& picture = drawn.Picture;
    EXPECT_EQ(CountColor(picture, QRect(60, 66, 1, 49), Colors::Black), 49) << "drawn";
    EXPECT_EQ(CountColor(picture, QRect(52, 66, 17, 49), Colors::White), 0) << "no labels";
    EXPECT_GT(CountColor(picture, QRect(472, 66, 17, 49), Colors::White), 20) << "labels";
    EXPECT_FALSE(FindLabel(picture, U"1", false).empty());
}

TEST(SchemeFont, LabelWidthAndGlyphs) {
    EXPECT_EQ(LabelWidth(U"1"), 2);
    EXPECT_EQ(LabelWidth(U"0"), 4);
    EXPECT_EQ(LabelWidth(U"1'А'Б,2,10"), 2 + 2 + 4 + 2 + 4 + 2 + 4 + 2 + 2 + 4);
    QImage image(20, 20, QImage::Format_RGB32);
    image.fill(Qt::gray);
    {
        QPainter p(&image);
        DrawLabel(p, 2, 2, U"8,", false);
        DrawLabel(p, 10, 2, U"1", true);
    }
    // "8" at (2, 2): the 3 x 5 cell but its two holes, on a white box a pixel wider all round
    // and down to the tail row; the comma's tail in the next cell. Across, "1" at (10, 2) lies
    // on its side: the glyph's top faces right.
    const char* const expected[] = {
        "....................", ".wwwwwww.wwwwwww....", ".wbbbwww.wbbbbbw....",
        ".wbwbwww.wwwwwww....", ".wbbbwww............", ".wbwbwww............",
        ".wbbbwbw............", ".wwwwwbw............", "....................",
    };
    std::string got, want;
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 20; ++x) {
            const std::uint32_t c = ColorAt(image, x, y);
            got += c == Colors::White ? 'w' : c == Colors::Black ? 'b' : '.';
        }
        got += '\n';
        want += std::string(expected[y]) + '\n';
    }
    EXPECT_EQ(got, want);
}

class SchemeFile : public ::testing::Test {
  protected:
    // A map in a folder whose name holds a dot, next to a file that shares the folder's name.
    void SetUp() override {
        std::filesystem::create_directory(Dir.Path("my.maps"));
        WriteBytes(Dir.Path("my.bmp"), {'k', 'e', 'e', 'p'});
        Map = NewMap();
        const TLoop loop = AddLoop(*Map, 2000, 2000, 6000, 6000, 1000);
        SetRoute(*Map, 0, 0, {loop.Top[0], loop.Bottom[0]});
        Map = Selected(std::move(Map), Dir.Path("my.maps/city.vl"));
    }
    TTempDir Dir;
    std::unique_ptr<TMap> Map;
    QImage Bitmap = NewSchemeBitmap();
};

TEST_F(SchemeFile, TheNameReplacesTheMapsExtension) {
    EXPECT_EQ(SchemeFileName("maps/city.vl"), "maps/city.bmp");
    EXPECT_EQ(SchemeFileName("my.maps/city.vl"), "my.maps/city.bmp");
    EXPECT_EQ(SchemeFileName("my.maps/city"), "my.maps/city.bmp");
    EXPECT_EQ(SchemeFileName("my.maps/city.old.VL"), "my.maps/city.old.bmp");
    EXPECT_EQ(SchemeFileName("city."), "city.bmp");
    EXPECT_EQ(SchemeFileName("Москва.vl"), "Москва.bmp");
}

TEST_F(SchemeFile, WrittenNextToTheMapAsA24BitBmp) {
    ASSERT_EQ(ExportScheme(*Map, Bitmap), TSchemeResult::Saved);
    EXPECT_EQ(ReadBytes(Dir.Path("my.bmp")), (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));
    const std::vector<std::uint8_t> bytes = ReadBytes(Dir.Path("my.maps/city.bmp"));
    ASSERT_GT(bytes.size(), 54u);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(bytes[28], 24) << "bits per pixel";
    QImage saved(QString::fromStdString(Dir.Path("my.maps/city.bmp")));
    ASSERT_EQ(saved.size(), QSize(600, 600));
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), Bitmap);
    // Again: the old picture is replaced.
    Map->Route(0, 0).WaypointCount = 0;
    SelectMap(*Map);
    QImage second = NewSchemeBitmap();
    ASSERT_EQ(ExportScheme(*Map, second), TSchemeResult::Saved);
    EXPECT_EQ(QImage(QString::fromStdString(Dir.Path("my.maps/city.bmp")))
                  .convertToFormat(QImage::Format_RGB32),
              second);
    EXPECT_NE(second, Bitmap);
}

TEST_F(SchemeFile, APictureThatCannotBeWrittenIsAFailure) {
    EXPECT_EQ(ExportScheme(*Map, Bitmap, Dir.Path("none/city.bmp")), TSchemeResult::SaveFailed);
    EXPECT_EQ(ExportScheme(*Map, Bitmap, Dir.Path("my.maps")), TSchemeResult::SaveFailed);
    // A map named like its picture is not overwritten by it.
    ASSERT_TRUE(Map->SaveToFile());
    const std::vector<std::uint8_t> mapBytes = ReadBytes(Map->FileName);
    Map->FileName = Dir.Path("my.maps/city.bmp");
    std::filesystem::rename(Dir.Path("my.maps/city.vl"), Map->FileName);
    EXPECT_EQ(ExportScheme(*Map, Bitmap), TSchemeResult::SaveFailed);
    EXPECT_EQ(ReadBytes(Map->FileName), mapBytes);
}

TEST_F(SchemeFile, NothingForANewMapOrAFaultyNetwork) {
    Map->FileName = NewMapName;
    EXPECT_EQ(ExportScheme(*Map, Bitmap, Dir.Path("new.bmp")), TSchemeResult::NotDrawn);
    Map->FileName = Dir.Path("my.maps/city.vl");
    AddRail(*Map, 100, 100, 200, 100); // a dead end
    EXPECT_NE(SelectMap(*Map).NetworkResult, -1);
    EXPECT_EQ(ExportScheme(*Map, Bitmap), TSchemeResult::NotDrawn);
    EXPECT_FALSE(std::filesystem::exists(Dir.Path("new.bmp")));
    EXPECT_FALSE(std::filesystem::exists(Dir.Path("my.maps/city.bmp")));
    EXPECT_EQ(Bitmap, NewSchemeBitmap()) << "nothing drawn";
}

} // namespace
} // namespace vell::test
