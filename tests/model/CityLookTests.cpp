// The city's look in the file beside the map: saved and read back with the map, each of its
// bounds refused, a cut or overlong section refused, and a look kept only on the map it fits.
#include "model/ByteStream.h"
#include "model/Map.h"
#include "model/MapExtras.h"
#include "model/SealedFile.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace vell::test {
namespace {

TLookPoint P(double x, double y) {
    return {LookTenths(x), LookTenths(y)};
}

// A block of two buildings, each four walls, with a street, a park and a stop beside them.
struct TLookCity {
    std::unique_ptr<TMap> Map = NewMap();
    TCityLook Look;
    TLookCity() {
        Look.Streets.push_back(
            {TStreetKind::Road, LookTenths(9.5), true, {P(90, 50), P(300, 50.3)}});
        Look.Streets.push_back(
            {TStreetKind::Service, LookTenths(3.5), false, {P(90, 60), P(95, 90), P(99.9, 120)}});
        Look.Areas.push_back({TAreaKind::Water, {P(0, 0), P(80, 0), P(80, 40), P(0, 40)}});
        Look.Areas.push_back({TAreaKind::Park, {P(10, 10), P(30, 10), P(20, 30)}});
        Look.Buildings.push_back(Building(100, 100, 20, 10, 12.3f, 4));
        Look.Buildings.push_back(Building(140, 100, 15, 15, 7, 2));
        Look.Buildings.back().Roof = TRoofShape::Gabled;
        Look.Buildings.back().RoofHeight = LookTenths(4.7);
        Look.Buildings.back().WallColour = {200, 10, 20};
        Look.Stops.push_back(
            {"Praça da Batalha", P(120, 46.5), {P(110, 45), P(130, 45), P(130, 47)}});
        Look.Stops.push_back({"", P(200, 55), {}});
        Map->Extras.Look = Look;
    }
    // A rectangle of walls on the map, and the building keyed by them.
    TLookBuilding Building(int x, int y, int w, int h, float height, int levels) {
        TLookBuilding b;
        const int corners[5][2] = {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}, {x, y}};
        for (int k = 0; k < 4; ++k) {
            AddObject(*Map, Wall, corners[k][0], corners[k][1], corners[k + 1][0],
                      corners[k + 1][1]);
            b.Walls.push_back({std::int16_t(corners[k][0]), std::int16_t(corners[k][1]),
                               std::int16_t(corners[k + 1][0]), std::int16_t(corners[k + 1][1])});
            b.Outline.push_back(P(corners[k][0], corners[k][1]));
        }
        b.Height = height;
        b.Levels = std::uint8_t(levels);
        b.Use = TBuildingUse::Shops;
        b.RoofColour = {90, 90, 90};
        return b;
    }
};

std::unique_ptr<TMap> SavedAndRead(TMap& map, const std::string& path) {
    map.FileName = path;
    EXPECT_TRUE(map.SaveToFile());
    auto read = NewMap();
    read->FileName = path;
    EXPECT_TRUE(read->LoadFromFile());
    return read;
}

void Delete(TMap& map, std::initializer_list<int> objects) {
    for (const int k : objects)
        map.Objects[std::size_t(k)].SetSelected(true);
    map.DeleteSelected();
}

TEST(CityLook, SavesAndReadsBackWithTheMap) {
    TTempDir dir;
    TLookCity city;
    const auto read = SavedAndRead(*city.Map, dir.Path("city.vl"));
    EXPECT_EQ(read->ExtrasWarning, "");
    EXPECT_EQ(read->Extras.LookWarning, "");
    EXPECT_EQ(read->Extras.Look, city.Look);
    // The map file is the map's alone.
    EXPECT_EQ(ReadBytes(dir.Path("city.vl")), SerializeMapFile(city.Map->StoredContents()));
}

// The section as its writer lays it out, a field at a time, so that each can be set wrong.
struct TFields {
    std::uint32_t Streets = 1;
    std::uint8_t StreetKind = 0;
    std::uint16_t Width = 60;
    std::uint8_t Pavements = 1;
    std::uint32_t LinePoints = 2;
    std::int32_t X = 1000, Y = 2000;
    std::uint32_t Areas = 1;
    std::uint8_t AreaKind = 4;
    std::uint32_t RingPoints = 3;
    std::uint32_t Buildings = 1;
    std::uint16_t Walls = 1;
    std::uint32_t OutlinePoints = 3;
    std::uint16_t Height = 10, RoofHeight = 1000;
    std::uint8_t Levels = 100, Roof = 2, Use = 5;
    std::uint32_t Stops = 1;
    std::string Name = "Ok";
    std::uint32_t PlatformPoints = 0;
};

std::vector<std::uint8_t> Section(const TFields& f) {
    TByteWriter out;
    const auto points = [&](std::uint32_t count, std::uint32_t written) {
        out.WriteU32(count);
        for (std::uint32_t k = 0; k < written; ++k) {
            out.WriteI32(f.X + std::int32_t(k) * 7);
            out.WriteI32(f.Y + std::int32_t(k * k) * 5);
        }
    };
    // One record of each kind at most, whatever the count says.
    out.WriteU32(f.Streets);
    if (f.Streets > 0) {
        out.WriteU8(f.StreetKind);
        out.WriteU16(f.Width);
        out.WriteU8(f.Pavements);
        points(f.LinePoints, std::min<std::uint32_t>(f.LinePoints, 2));
    }
    out.WriteU32(f.Areas);
    out.WriteU8(f.AreaKind);
    points(f.RingPoints, std::min<std::uint32_t>(f.RingPoints, 3));
    out.WriteU32(f.Buildings);
    out.WriteU16(f.Walls);
    for (int k = 0; k < std::min<int>(f.Walls, 1); ++k)
        for (int c = 0; c < 4; ++c)
            out.WriteI16(std::int16_t(10 * c));
    points(f.OutlinePoints, std::min<std::uint32_t>(f.OutlinePoints, 3));
    out.WriteU16(f.Height);
    out.WriteU16(f.RoofHeight);
    out.WriteU8(f.Levels);
    out.WriteU8(f.Roof);
    out.WriteU8(f.Use);
    for (int k = 0; k < 6; ++k)
        out.WriteU8(std::uint8_t(40 * k));
    out.WriteU32(f.Stops);
    out.WriteU8(std::uint8_t(f.Name.size()));
    out.WriteBytes(std::span(reinterpret_cast<const std::uint8_t*>(f.Name.data()), f.Name.size()));
    out.WriteI32(f.X);
    out.WriteI32(f.Y);
    points(f.PlatformPoints, f.PlatformPoints < 1000 ? f.PlatformPoints : 0);
    return out.Take();
}

bool Decodes(const TFields& f) {
    TCityLook look;
    return DecodeCityLook(Section(f), look);
}

TEST(CityLook, RefusesEachValueOutOfItsRange) {
    TCityLook look;
    ASSERT_TRUE(DecodeCityLook(Section({}), look));
    EXPECT_EQ(look.Buildings.at(0).RoofHeight, 100.0f);
    EXPECT_EQ(look.Streets.at(0).Line.at(0), (TLookPoint{100, 200}));
    // At the edges of the ranges: accepted.
    for (const auto& edit : std::vector<std::function<void(TFields&)>>{
             [](TFields& f) { f.X = -10000, f.Y = 109980; }, [](TFields& f) { f.Width = 400; },
             [](TFields& f) { f.Width = 20; }, [](TFields& f) { f.Height = 3000; },
             [](TFields& f) { f.Levels = 1; }, [](TFields& f) { f.RoofHeight = 0; },
             [](TFields& f) { f.PlatformPoints = 3; }, [](TFields& f) { f.Streets = 0; }}) {
        TFields f;
        edit(f);
        EXPECT_TRUE(Decodes(f));
    }
    // One past them: refused.
    for (const auto& edit : std::vector<std::function<void(TFields&)>>{
             [](TFields& f) { f.X = -10001; },
             [](TFields& f) { f.Y = 110000 - 5 * 3; },
             [](TFields& f) { f.Width = 19; },
             [](TFields& f) { f.Width = 401; },
             [](TFields& f) { f.Height = 9; },
             [](TFields& f) { f.Height = 3001; },
             [](TFields& f) { f.RoofHeight = 1001; },
             [](TFields& f) { f.Levels = 0; },
             [](TFields& f) { f.Levels = 101; },
             [](TFields& f) { f.StreetKind = 3; },
             [](TFields& f) { f.AreaKind = 5; },
             [](TFields& f) { f.Roof = 3; },
             [](TFields& f) { f.Use = 6; },
             [](TFields& f) { f.Pavements = 2; },
             [](TFields& f) { f.LinePoints = 1; },
             [](TFields& f) { f.RingPoints = 2; },
             [](TFields& f) { f.OutlinePoints = 2; },
             [](TFields& f) { f.PlatformPoints = 2; },
             [](TFields& f) { f.Walls = 0; },
             [](TFields& f) { f.Name = std::string(193, 'a'); },
         }) {
        TFields f;
        edit(f);
        EXPECT_FALSE(Decodes(f));
    }
}

TEST(CityLook, RefusesACutSectionAndCountsPastTheData) {
    const std::vector<std::uint8_t> whole = Section({});
    TCityLook look;
    for (std::size_t n = 0; n < whole.size(); ++n)
        EXPECT_FALSE(DecodeCityLook(std::span(whole.data(), n), look)) << n;
    std::vector<std::uint8_t> longer = whole;
    longer.push_back(0);
    EXPECT_FALSE(DecodeCityLook(longer, look));
    // Counts no data could hold are refused before anything is made for them.
    for (const auto& edit : std::vector<std::function<void(TFields&)>>{
             [](TFields& f) { f.Streets = 0xFFFFFFFF; }, [](TFields& f) { f.Areas = 70000000; },
             [](TFields& f) { f.Buildings = 2; }, [](TFields& f) { f.Stops = 0x10000000; },
             [](TFields& f) { f.LinePoints = 0x7FFFFFFF; },
             [](TFields& f) { f.PlatformPoints = 0xFFFFFFF0; },
             [](TFields& f) { f.Walls = 0xFFFF; }}) {
        TFields f;
        edit(f);
        EXPECT_FALSE(Decodes(f));
    }
    EXPECT_TRUE(look.Empty()); // untouched by what it refused
}

// A record its reader would refuse (a line of one point, a ring of two) is left out by the
// writer, and the rest of the file stays sound.
TEST(CityLook, TheWriterLeavesOutWhatItsReaderWouldRefuse) {
    TTempDir dir;
    TLookCity city;
    TCityLook& look = city.Map->Extras.Look;
    look.Streets.push_back({TStreetKind::Road, 6, true, {P(1, 1)}});
    look.Areas.insert(look.Areas.begin(), {TAreaKind::Grass, {P(1, 1), P(2, 2)}});
    look.Stops[0].Platform.resize(2);
    const auto read = SavedAndRead(*city.Map, dir.Path("city.vl"));
    EXPECT_EQ(read->ExtrasWarning, "");
    TCityLook expected = city.Look;
    expected.Stops[0].Platform.clear();
    EXPECT_EQ(read->Extras.Look, expected);
}

TEST(CityLook, CleansStopNamesAsLineNamesAre) {
    TFields f;
    f.Name = "  Bolh\x01\xC3" + std::string(60, 'o') + "  ";
    TCityLook look;
    ASSERT_TRUE(DecodeCityLook(Section(f), look));
    const std::string name = look.Stops.at(0).Name;
    EXPECT_EQ(name.substr(0, 8), "Bolh ?oo");
    EXPECT_EQ(name.size(), MaxStopNameChars);
}

TEST(CityLook, IsDroppedOnAMapItWasNotMadeFor) {
    TTempDir dir;
    TLookCity city;
    city.Map->FileName = dir.Path("city.vl");
    ASSERT_TRUE(city.Map->SaveToFile());
    // Another map under the same name: the look's walls are not on it.
    auto other = NewMap();
    AddObject(*other, Wall, 100, 100, 120, 100);
    AddObject(*other, HighWall, 500, 500, 600, 500);
    other->FileName = dir.Path("other.vl");
    ASSERT_TRUE(other->SaveToFile());
    std::filesystem::copy_file(dir.Path("city.vlx"), dir.Path("other.vlx"));
    auto read = NewMap();
    read->FileName = dir.Path("other.vl");
    ASSERT_TRUE(read->LoadFromFile());
    EXPECT_TRUE(read->Extras.Look.Empty());
    EXPECT_NE(read->Extras.LookWarning, "");
    EXPECT_EQ(read->Extras.LookWarning.find('\n'), std::string::npos);
    EXPECT_EQ(read->ExtrasWarning, ""); // the file itself is sound
}

TEST(CityLook, FitsWhileHalfItsBuildingsKeepEveryWall) {
    TLookCity city;
    EXPECT_TRUE(LookFitsMap(city.Look, city.Map->Objects));
    // A wall drawn again from its other end is the same wall.
    std::vector<TMapObject> objects = city.Map->Objects;
    std::swap(objects[0].X1, objects[0].X2);
    std::swap(objects[0].Y1, objects[0].Y2);
    EXPECT_TRUE(LookFitsMap(city.Look, objects));
    // One of two buildings whole: still fits; none: not.
    objects.erase(objects.begin() + 5);
    EXPECT_TRUE(LookFitsMap(city.Look, objects));
    objects.erase(objects.begin());
    EXPECT_FALSE(LookFitsMap(city.Look, objects));
    // A wall turned into a rail is not a wall.
    objects = city.Map->Objects;
    objects[0].SetKind(Rail);
    objects[4].SetKind(Rail);
    EXPECT_FALSE(LookFitsMap(city.Look, objects));
    // A look of the ground alone fits any map.
    TCityLook ground = city.Look;
    ground.Buildings.clear();
    EXPECT_TRUE(LookFitsMap(ground, {}));
}

// The editor deletes walls: a building with walls left keeps its look, one with none loses it,
// and the rest reads back on the edited map.
TEST(CityLook, AnEditedMapKeepsItsLook) {
    TTempDir dir;
    TLookCity city;
    Delete(*city.Map, {7}); // a wall of the second building
    auto read = SavedAndRead(*city.Map, dir.Path("city.vl"));
    EXPECT_EQ(read->Extras.LookWarning, "");
    EXPECT_EQ(read->Extras.Look, city.Look);
    Delete(*read, {4, 5, 6}); // the rest of the second building's walls
    read = SavedAndRead(*read, dir.Path("city.vl"));
    EXPECT_EQ(read->Extras.LookWarning, "");
    ASSERT_EQ(read->Extras.Look.Buildings.size(), 1u);
    EXPECT_EQ(read->Extras.Look.Buildings[0], city.Look.Buildings[0]);
    EXPECT_EQ(read->Extras.Look.Streets, city.Look.Streets);
    EXPECT_EQ(read->Extras.Look.Stops, city.Look.Stops);
}

TEST(CityLook, ADamagedSectionPassesOverTheFileWithAWordOnTheLook) {
    TTempDir dir;
    TLookCity city;
    city.Map->FileName = dir.Path("city.vl");
    ASSERT_TRUE(city.Map->SaveToFile());
    // A level count of 0 in the second building, sealed again as a sound file. The writer never
    // makes one: the byte is set by hand, 9 bytes before the end of the buildings (roof, use and
    // two colours after it).
    TByteWriter body;
    body.WriteU16(2);
    std::vector<std::uint8_t> section = EncodeCityLook(city.Look);
    TCityLook ignored;
    const std::vector<std::uint8_t> stops = [&] {
        TCityLook onlyStops;
        onlyStops.Stops = city.Look.Stops;
        std::vector<std::uint8_t> bytes = EncodeCityLook(onlyStops);
        return std::vector<std::uint8_t>(bytes.begin() + 12, bytes.end());
    }();
    const std::size_t levelsAt = section.size() - stops.size() - 9;
    ASSERT_EQ(section[levelsAt], 2);
    section[levelsAt] = 0;
    ASSERT_FALSE(DecodeCityLook(section, ignored));
    body.WriteU32(std::uint32_t(section.size()));
    body.WriteBytes(section);
    const std::vector<std::uint8_t> sealed = SealFile({'V', 'L', 'X', 'S'}, 1, body.Data());
    WriteBytes(dir.Path("city.vlx"), sealed);
    auto read = NewMap();
    read->FileName = dir.Path("city.vl");
    ASSERT_TRUE(read->LoadFromFile());
    EXPECT_NE(read->ExtrasWarning, "");
    EXPECT_TRUE(read->Extras.Look.Empty());
    EXPECT_NE(read->Extras.LookWarning, "");
    EXPECT_NE(read->Extras.LookWarning.find("city.vlx"), std::string::npos);
}

} // namespace
} // namespace vell::test
