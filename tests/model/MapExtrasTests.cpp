// The file beside a map: line names saved and read back, kept only while their routes are what
// they were named on, and a damaged, foreign, cut or oversized file passed over in one line.
#include "model/Map.h"
#include "model/MapExtras.h"
#include "model/RecoveryCopy.h"
#include "model/SafeFile.h"
#include "model/SealedFile.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace vell::test {
namespace {

namespace fs = std::filesystem;

// Two rings, routes 1, 3А and 10 on them; 3А and 10 named as riders know them.
struct TNamedCity {
    std::unique_ptr<TMap> Map = NewMap();
    std::vector<int> RingA, RingB;
    TNamedCity() {
        AddObject(*Map, 1, 20, 20, 80, 20); // a wall before the rails: deleting it renumbers them
        RingA = AddRing(*Map, 1000, 1000, 2000, 1600, 3);
        RingB = AddRing(*Map, 3000, 3000, 3600, 3400);
        SetRoute(*Map, 0, 0, {RingA[0], RingA[4]});
        SetRoute(*Map, 2, 11, {RingA[1], RingA[5], RingA[2]}, 2, 15);
        SetRoute(*Map, 0, 1, {RingB[0], RingB[3]}, 3, 20);
        NameLine(*Map, 2, 11, "M10");
        NameLine(*Map, 0, 1, "Гавань — Вокзал");
    }
};

std::string OneLine(const std::string& text) {
    return text.find('\n') == std::string::npos ? text : "(more than one line) " + text;
}

TEST(MapExtras, NamesAndWaypointsSaveAndReadBackWithTheMapBytesUnchanged) {
    TTempDir dir;
    TNamedCity city;
    city.Map->FileName = dir.Path("city.vl");
    ASSERT_TRUE(city.Map->SaveToFile());
    // The map file is what it would be without any names.
    EXPECT_EQ(ReadBytes(dir.Path("city.vl")), SerializeMapFile(city.Map->StoredContents()));
    ASSERT_TRUE(fs::exists(dir.Path("city.vlx")));

    auto read = NewMap();
    read->FileName = dir.Path("city.vl");
    ASSERT_TRUE(read->LoadFromFile());
    EXPECT_EQ(read->ExtrasWarning, "");
    EXPECT_EQ(LineName(*read, 2, 11), std::optional<std::string>("M10"));
    EXPECT_EQ(LineName(*read, 0, 1), std::optional<std::string>("Гавань — Вокзал"));
    EXPECT_EQ(LineName(*read, 0, 0), std::nullopt);
    EXPECT_EQ(LineDisplayName(*read, 0, 0), "1");
    EXPECT_EQ(LineDisplayName(*read, 2, 11), "M10");
    EXPECT_EQ(read->Extras, city.Map->Extras);

    // Saved again elsewhere: both files byte for byte the same.
    read->FileName = dir.Path("again.VL");
    ASSERT_TRUE(read->SaveToFile());
    EXPECT_EQ(ReadBytes(dir.Path("again.VL")), ReadBytes(dir.Path("city.vl")));
    EXPECT_EQ(ReadBytes(dir.Path("again.vlx")), ReadBytes(dir.Path("city.vlx")));
}

TEST(MapExtras, NamesAreCleanedAndCutTo24Characters) {
    TNamedCity city;
    NameLine(*city.Map, 0, 0, "  Straßenbahn\tЛиния номер один и два и три  ");
    const std::optional<std::string> name = LineName(*city.Map, 0, 0);
    ASSERT_TRUE(name);
    EXPECT_EQ(*name, "Straßenbahn Линия номер");
    NameLine(*city.Map, 0, 0, std::string("A\xff\xc0Z"));
    EXPECT_EQ(LineName(*city.Map, 0, 0), std::optional<std::string>("A??Z"));
    NameLine(*city.Map, 0, 0, "   ");
    EXPECT_EQ(LineName(*city.Map, 0, 0), std::nullopt);
    // A slot without waypoints takes no name.
    NameLine(*city.Map, 5, 5, "X");
    EXPECT_EQ(LineName(*city.Map, 5, 5), std::nullopt);
}

TEST(MapExtras, ANameGoesWhenItsRouteChangesAndComesBackWithTheRoute) {
    TTempDir dir;
    TNamedCity city;
    TMap& map = *city.Map;
    // Another object deleted renumbers the rails: the route is the same, and so is its name.
    map.Objects[0].SetSelected(true);
    map.DeleteSelected();
    EXPECT_EQ(LineName(map, 2, 11), std::optional<std::string>("M10"));

    const TRouteRec kept = map.Route(2, 11);
    map.Route(2, 11).Waypoints[map.Route(2, 11).WaypointCount++] = std::uint16_t(city.RingA[6] - 1);
    EXPECT_EQ(LineName(map, 2, 11), std::nullopt);
    EXPECT_EQ(LineDisplayName(map, 2, 11), "3А");
    map.Route(2, 11) = kept; // undone
    EXPECT_EQ(LineName(map, 2, 11), std::optional<std::string>("M10"));

    // A waypoint rail moved is another route too.
    map.Objects[map.Route(0, 1).Waypoints[0]].X1 += 5;
    EXPECT_EQ(LineName(map, 0, 1), std::nullopt);

    // Saved now, the file holds the one name that still applies.
    map.FileName = dir.Path("edited.vl");
    ASSERT_TRUE(map.SaveToFile());
    auto read = NewMap();
    read->FileName = map.FileName;
    ASSERT_TRUE(read->LoadFromFile());
    EXPECT_EQ(LineName(*read, 2, 11), std::optional<std::string>("M10"));
    EXPECT_EQ(LineName(*read, 0, 1), std::nullopt);

    // With no name left the file beside it goes: it was of another save of the map.
    map.Route(2, 11).WaypointCount = 0;
    ASSERT_TRUE(map.SaveToFile());
    EXPECT_FALSE(fs::exists(dir.Path("edited.vlx")));
}

TEST(MapExtras, AStaleFileNamesNothingAndSaysNothing) {
    TTempDir dir;
    TNamedCity city;
    city.Map->FileName = dir.Path("city.vl");
    ASSERT_TRUE(city.Map->SaveToFile());
    // The map is written again by a program that knows no names, its route 3А changed.
    auto other = NewMap();
    other->FileName = dir.Path("city.vl");
    ASSERT_TRUE(other->LoadFromFile());
    other->Route(2, 11).WaypointCount = 2;
    WriteBytes(dir.Path("city.vl"), SerializeMapFile(other->StoredContents()));

    auto read = NewMap();
    read->FileName = dir.Path("city.vl");
    ASSERT_TRUE(read->LoadFromFile());
    EXPECT_EQ(read->ExtrasWarning, "");
    EXPECT_EQ(LineName(*read, 2, 11), std::nullopt);
    EXPECT_EQ(LineName(*read, 0, 1), std::optional<std::string>("Гавань — Вокзал"));
}

// The .vlx beside a saved city, spoilt by `spoil`, read with the map: the map loads whole,
// without names, and the user is told in one line that names the file.
void ExpectPassedOver(const std::function<void(std::vector<std::uint8_t>&)>& spoil,
                      const std::string& what) {
    SCOPED_TRACE(what);
    TTempDir dir;
    TNamedCity city;
    city.Map->FileName = dir.Path("city.vl");
    ASSERT_TRUE(city.Map->SaveToFile());
    std::vector<std::uint8_t> bytes = ReadBytes(dir.Path("city.vlx"));
    spoil(bytes);
    WriteBytes(dir.Path("city.vlx"), bytes);
    auto read = NewMap();
    read->FileName = dir.Path("city.vl");
    ASSERT_TRUE(read->LoadFromFile());
    EXPECT_EQ(read->Objects.size(), city.Map->Objects.size());
    EXPECT_EQ(Waypoints(*read, 2, 11), Waypoints(*city.Map, 2, 11));
    // Nothing of the file is kept; the city's look, had there been one, says why it is not drawn.
    TMapExtras extras = read->Extras;
    EXPECT_NE(extras.LookWarning.find(dir.Path("city.vlx")), std::string::npos);
    EXPECT_EQ(OneLine(extras.LookWarning), extras.LookWarning);
    extras.LookWarning.clear();
    EXPECT_EQ(extras, TMapExtras{});
    EXPECT_EQ(LineName(*read, 2, 11), std::nullopt);
    EXPECT_NE(read->ExtrasWarning.find(dir.Path("city.vlx")), std::string::npos)
        << read->ExtrasWarning;
    EXPECT_EQ(OneLine(read->ExtrasWarning), read->ExtrasWarning);
}

// The body of a sound file, changed by `change`, sealed again: sound to the checksum, wrong
// inside.
std::function<void(std::vector<std::uint8_t>&)>
Resealed(const std::function<void(std::vector<std::uint8_t>&)>& change) {
    return [change](std::vector<std::uint8_t>& bytes) {
        std::vector<std::uint8_t> body(bytes.begin() + SealedHeaderBytes, bytes.end());
        change(body);
        bytes.resize(SealedHeaderBytes);
        bytes.insert(bytes.end(), body.begin(), body.end());
        SealHeader(bytes);
    };
}

// Offsets in the body of TNamedCity's file: the section's id (2) and length (4), the count, then
// the first entry (slot 1, route 10): its slot, name length, name "Гавань — Вокзал" (29 bytes),
// waypoint count.
constexpr std::size_t Count = 6, FirstSlot = 7, FirstNameLength = 8, FirstName = 9,
                      FirstWaypointCount = 9 + 29;

TEST(MapExtras, DamagedForeignCutOrOversizedFilesArePassedOverInOneLine) {
    ExpectPassedOver([](auto& b) { b[b.size() / 2] ^= 0x40; }, "a byte flipped");
    ExpectPassedOver([](auto& b) { b.resize(b.size() - 3); }, "cut short");
    ExpectPassedOver([](auto& b) { b.resize(10); }, "cut in the header");
    ExpectPassedOver([](auto& b) { b.push_back(0); }, "a byte after the body");
    ExpectPassedOver([](auto& b) { b[0] = 'X'; }, "another magic");
    ExpectPassedOver([](auto& b) { b = {'V', 'L', 0, 0, 1, 1, 10}; }, "a map file");
    ExpectPassedOver([](auto& b) { b.clear(); }, "empty");
    ExpectPassedOver(
        [](auto& b) {
            b[4] = 2;
            SealHeader(b);
        },
        "a later version");
    ExpectPassedOver([](auto& b) { b.resize(MaxMapExtrasSize + 1, 0); }, "over 16 MB");
    ExpectPassedOver(Resealed([](auto& body) { body[Count] = 200; }), "more entries than slots");
    ExpectPassedOver(Resealed([](auto& body) { body[Count] = 3; }), "more entries than there are");
    ExpectPassedOver(Resealed([](auto& body) { body[FirstSlot] = 117; }), "a slot past the table");
    ExpectPassedOver(Resealed([](auto& body) { body[FirstSlot] = 40; }), "slots out of order");
    ExpectPassedOver(Resealed([](auto& body) { body[FirstNameLength] = 0; }), "an empty name");
    ExpectPassedOver(Resealed([](auto& body) { body[FirstNameLength] = 255; }), "a name too long");
    ExpectPassedOver(Resealed([](auto& body) { body[FirstName] = 0xFF; }), "broken UTF-8");
    ExpectPassedOver(Resealed([](auto& body) { body[FirstName] = '\n'; }), "a control character");
    ExpectPassedOver(Resealed([](auto& body) { body[FirstWaypointCount] = 0; }), "no waypoints");
    ExpectPassedOver(Resealed([](auto& body) { body[FirstWaypointCount] = 32; }), "32 waypoints");
    ExpectPassedOver(Resealed([](auto& body) { body.resize(body.size() - 1); }), "a cut section");
    ExpectPassedOver(Resealed([](auto& body) { body.push_back(0); }), "a cut section header");
    ExpectPassedOver(Resealed([](auto& body) {
                         const std::vector<std::uint8_t> again = body;
                         body.insert(body.end(), again.begin(), again.end());
                     }),
                     "the names twice");
}

TEST(MapExtras, EveryCutAndEveryFlippedByteIsPassedOverWithoutACrash) {
    TNamedCity city;
    const std::vector<std::uint8_t> sound = EncodeMapExtras(*city.Map);
    const TMapFileContents contents = city.Map->StoredContents();
    ASSERT_FALSE(sound.empty());
    TMapExtras extras;
    std::string why;
    ASSERT_TRUE(DecodeMapExtras(sound, contents, extras, why)) << why;
    for (std::size_t n = 0; n < sound.size(); ++n) {
        const std::vector<std::uint8_t> cut(sound.begin(), sound.begin() + long(n));
        EXPECT_FALSE(DecodeMapExtras(cut, contents, extras, why)) << n;
        EXPECT_FALSE(why.empty());
    }
    // Flipped bytes in a resealed body: whatever they mean, the reader checks them.
    for (std::size_t at = SealedHeaderBytes; at < sound.size(); ++at)
        for (std::uint8_t flip : {0x01, 0x80, 0xFF}) {
            std::vector<std::uint8_t> bytes = sound;
            bytes[at] ^= flip;
            SealHeader(bytes);
            TMapExtras read;
            if (!DecodeMapExtras(bytes, contents, read, why)) continue;
            for (int i = 0; i < RouteRows; ++i)
                for (int j = 0; j < RouteColumns; ++j) {
                    EXPECT_LE(read.Lines[i][j].Waypoints.size(), std::size_t(MaxWaypoints));
                }
        }
}

TEST(MapExtras, AMissingFileIsSilent) {
    TTempDir dir;
    TNamedCity city;
    city.Map->FileName = dir.Path("city.vl");
    ASSERT_TRUE(city.Map->SaveToFile());
    fs::remove(dir.Path("city.vlx"));
    auto read = NewMap();
    read->FileName = dir.Path("city.vl");
    ASSERT_TRUE(read->LoadFromFile());
    EXPECT_EQ(read->ExtrasWarning, "");
    EXPECT_EQ(LineName(*read, 2, 11), std::nullopt);
}

TEST(MapExtras, AMapWithoutNamesHasNoFileBesideIt) {
    TTempDir dir;
    auto map = NewMap();
    AddRing(*map, 1000, 1000, 2000, 1600);
    SetRoute(*map, 0, 0, {0, 2});
    map->FileName = dir.Path("plain.vl");
    ASSERT_TRUE(map->SaveToFile());
    EXPECT_FALSE(fs::exists(dir.Path("plain.vlx")));
    EXPECT_TRUE(EncodeMapExtras(*map).empty());
}

TEST(MapExtras, AMapWrittenToAStreamGetsNone) {
    TTempDir dir;
    const bool was = StreamTargetsAllowed();
    AllowStreamTargets(true);
    const std::string fifo = dir.Path("city.vl");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0) << std::strerror(errno);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    TNamedCity city;
    city.Map->FileName = fifo;
    EXPECT_TRUE(city.Map->SaveToFile());
    std::vector<std::uint8_t> got(1 << 16);
    const ssize_t n = ::read(reader, got.data(), got.size());
    ::close(reader);
    AllowStreamTargets(was);
    ASSERT_GT(n, 0);
    got.resize(std::size_t(n));
    EXPECT_EQ(got, SerializeMapFile(city.Map->StoredContents()));
    EXPECT_FALSE(fs::exists(dir.Path("city.vlx")));
}

TEST(MapExtras, SectionsItDoesNotKnowAreKeptThroughASave) {
    TTempDir dir;
    TNamedCity city;
    city.Map->FileName = dir.Path("city.vl");
    ASSERT_TRUE(city.Map->SaveToFile());
    // A later program's section (id 3), after the names.
    const std::vector<std::uint8_t> later = {3, 0, 3, 0, 0, 0, 'a', 'b', 'c'};
    std::vector<std::uint8_t> bytes = ReadBytes(dir.Path("city.vlx"));
    bytes.insert(bytes.end(), later.begin(), later.end());
    SealHeader(bytes);
    WriteBytes(dir.Path("city.vlx"), bytes);

    auto read = NewMap();
    read->FileName = dir.Path("city.vl");
    ASSERT_TRUE(read->LoadFromFile());
    EXPECT_EQ(read->ExtrasWarning, "");
    EXPECT_EQ(LineName(*read, 2, 11), std::optional<std::string>("M10"));
    ASSERT_EQ(read->Extras.Others.size(), 1u);
    read->FileName = dir.Path("kept.vl");
    ASSERT_TRUE(read->SaveToFile());
    EXPECT_EQ(ReadBytes(dir.Path("kept.vlx")), bytes);
}

TEST(MapExtras, ARecoveryCopyCarriesTheNames) {
    TNamedCity city;
    const std::vector<std::uint8_t> copy = RecoveryCopyBytes(
        "/maps/city.vl", SerializeMapFile(city.Map->StoredContents()), EncodeMapExtras(*city.Map));
    std::string path;
    TMapFileContents contents;
    TMapExtras extras;
    ASSERT_TRUE(ParseRecoveryCopy(copy, path, contents, &extras));
    EXPECT_EQ(path, "/maps/city.vl");
    EXPECT_EQ(extras, city.Map->Extras);
    // A copy of an older editor ends with the map: it comes back without names.
    const std::vector<std::uint8_t> old =
        RecoveryCopyBytes("/maps/city.vl", SerializeMapFile(city.Map->StoredContents()));
    ASSERT_TRUE(ParseRecoveryCopy(old, path, contents, &extras));
    EXPECT_EQ(extras, TMapExtras{});
}

TEST(MapExtras, TheFileIsNamedAfterTheMap) {
    EXPECT_EQ(MapExtrasPath("/a/city.vl"), "/a/city.vlx");
    EXPECT_EQ(MapExtrasPath("CITY.VL"), "CITY.vlx");
    EXPECT_EQ(MapExtrasPath("city.map"), "city.map.vlx");
    EXPECT_EQ(MapExtrasPath("a.vl/city"), "a.vl/city.vlx");
}

} // namespace
} // namespace vell::test
