// Reading the tram network of real extracts, and refusing what is none.
#include "import/IdSet.h"
#include "import/OsmRead.h"
#include "import/OsmTags.h"
#include "import/TrackSquare.h"
#include "tests/import/OsmDataFolder.h"
#include "tests/import/SmallExtract.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>

namespace vell::import {
namespace {

using test::OsmFile;

TOsmExtract Read(const std::string& name) {
    return ReadTramNetwork(TOsmInput::File(OsmFile(name)));
}

std::string ErrorOf(const TOsmInput& input) {
    try {
        ReadTramNetwork(input);
    } catch (const TReadError& error) {
        return error.what();
    }
    return "no error";
}

long long StopsOfKind(const TOsmExtract& extract, TStopKind kind) {
    return std::count_if(extract.Stops.begin(), extract.Stops.end(),
                         [&](const TOsmStop& stop) { return stop.Kind == kind; });
}

// Ids asked in any order are found: a relation lists its members as it likes (a way going back
// lists its ways backwards), and an unsorted file brings its ids in any order.
TEST(IdSet, FindsIdsAskedInAnyOrder) {
    TIdSet ids;
    for (TOsmId id : {300, 100, 200, 100})
        ids.Add(id);
    ids.Seal();
    ASSERT_EQ(ids.Size(), 3u);
    EXPECT_EQ(ids.Find(200), 1);
    EXPECT_EQ(ids.Find(100), 0);
    EXPECT_EQ(ids.Find(300), 2);
    EXPECT_EQ(ids.Find(300), 2);
    EXPECT_EQ(ids.Find(200), 1);
    EXPECT_EQ(ids.Find(150), -1);
    EXPECT_EQ(ids.Find(100), 0);
    EXPECT_EQ(ids.Find(400), -1);
    EXPECT_EQ(ids.Find(300), 2);
}

// The counts of ../shared/osm/README.md, and what the extracts lack (clipped by their boxes): the
// members missing as osmium's own listing of each file counts them (Oslo's and 8 of Heidelberg's
// 10 relations are whole).
TEST(ReadTramNetwork, ReadsTheCountsOfEachExtract) {
    VELL_NEED_OSM_FOLDER();
    struct TRow {
        const char* File;
        long long Ways;
        double Km;
        long long Routes, TramStops, StopPositions, Platforms, NodesWithoutLocation, Missing;
    };
    const TRow rows[] = {
        {"munchen.osm.pbf", 43, 22.4, 24, 13, 59, 31, 0, 1580},
        {"heidelberg.test.pbf", 248, 43.8, 10, 50, 45, 34, 0, 16},
        {"oslo-skoyen.osm.pbf", 2, 0.9, 4, 3, 3, 3, 0, 0},
        {"poznan-map.osm.gz", 11, 6.3, 7, 15, 0, 0, 0, 311},
        {"Helsinki.osm.pbf", 182, 12.0, 20, 40, 0, 0, 162, 1567},
        {"porto.osm.pbf", 25, 5.2, 6, 19, 17, 0, 0, 64},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.File);
        const TOsmExtract extract = Read(row.File);
        const TReadCounts& counts = extract.Counts;
        EXPECT_EQ(counts.TrackWays, row.Ways);
        EXPECT_EQ(static_cast<long long>(extract.Tracks.size()), row.Ways);
        EXPECT_NEAR(TrackLength(extract) / 1000, row.Km, 0.05);
        EXPECT_EQ(counts.RouteRelations, row.Routes);
        EXPECT_EQ(static_cast<long long>(extract.Routes.size()), row.Routes);
        EXPECT_EQ(counts.TramStops, row.TramStops);
        EXPECT_EQ(counts.StopPositions, row.StopPositions);
        EXPECT_EQ(counts.TramPlatforms, row.Platforms);
        EXPECT_EQ(counts.TrackNodesWithoutLocation, row.NodesWithoutLocation);
        EXPECT_EQ(counts.RouteMembersMissing, row.Missing);
        long long flagged = 0;
        for (const TOsmRoute& route : extract.Routes)
            for (const TOsmMember& member : route.Members)
                flagged += member.Missing ? 1 : 0;
        EXPECT_EQ(flagged, row.Missing);
        // Every stop has its place, and every located track node is kept.
        for (const TOsmStop& stop : extract.Stops)
            EXPECT_TRUE(IsUsableLocation(stop.At)) << stop.Id;
        long long located = 0, nodes = 0;
        for (const TOsmTrack& track : extract.Tracks)
            for (TOsmId node : track.Nodes) {
                ++nodes;
                located += extract.Locations.contains(node) ? 1 : 0;
            }
        EXPECT_EQ(located == nodes, row.NodesWithoutLocation == 0);
    }
}

TEST(ReadTramNetwork, KeepsRoutesWithTheirMembersInOrderAndTheStops) {
    VELL_NEED_OSM_FOLDER();
    const TOsmExtract oslo = Read("oslo-skoyen.osm.pbf");
    const TOsmRoute& route = oslo.Routes.front();
    EXPECT_EQ(route.Id, 1004434);
    EXPECT_EQ(route.Ref, "13");
    EXPECT_EQ(route.From, "Grefsen stasjon");
    EXPECT_EQ(route.To, "Bekkestua");
    EXPECT_EQ(route.IntervalMinutes, 20);
    EXPECT_TRUE(route.Version2);
    const std::vector<std::tuple<char, TOsmId, std::string>> members = {
        {'n', 2454616599, "stop"},
        {'w', 237581840, "platform"},
        {'n', 2454616593, "stop"},
        {'w', 237581831, "platform"},
        {'w', 237581809, ""}};
    ASSERT_EQ(route.Members.size(), members.size());
    for (std::size_t k = 0; k < members.size(); ++k) {
        EXPECT_EQ(route.Members[k].Type, std::get<0>(members[k]));
        EXPECT_EQ(route.Members[k].Ref, std::get<1>(members[k]));
        EXPECT_EQ(route.Members[k].Role, std::get<2>(members[k]));
    }
    // The stop positions (also tagged railway=tram_stop) and the three platform ways.
    EXPECT_EQ(StopsOfKind(oslo, TStopKind::StopPosition), 3);
    EXPECT_EQ(StopsOfKind(oslo, TStopKind::Platform), 3);
    const auto thune = std::find_if(oslo.Stops.begin(), oslo.Stops.end(),
                                    [](const TOsmStop& stop) { return stop.Id == 2454616599; });
    ASSERT_NE(thune, oslo.Stops.end());
    EXPECT_EQ(thune->Name, "Thune");
    EXPECT_NEAR(thune->At.Lat, 59.921965, 1e-7);
    EXPECT_NEAR(thune->At.Lon, 10.6874314, 1e-7);

    // OSM XML in gzip, with relations of the older kind: forward and backward roles, stops as
    // members without a role.
    const TOsmExtract poznan = Read("poznan-map.osm.gz");
    EXPECT_EQ(std::count_if(poznan.Routes.begin(), poznan.Routes.end(),
                            [](const TOsmRoute& r) { return r.Version2; }),
              0);
    long long forward = 0, backward = 0;
    for (const TOsmRoute& r : poznan.Routes)
        for (const TOsmMember& member : r.Members) {
            forward += member.Role == "forward" ? 1 : 0;
            backward += member.Role == "backward" ? 1 : 0;
        }
    EXPECT_EQ(forward, 9);
    EXPECT_EQ(backward, 3);
}

// Porto's extract: a route master with a ref lists both directions of line 1; the
// funicular's master has none; the circular line's one-way ways say so.
TEST(ReadTramNetwork, ReadsTheRouteMastersRefAndOneway) {
    VELL_NEED_OSM_FOLDER();
    const TOsmExtract porto = Read("porto.osm.pbf");
    std::map<TOsmId, std::string> masterRefs;
    for (const TOsmRoute& route : porto.Routes)
        masterRefs[route.Id] = route.MasterRef;
    EXPECT_EQ(masterRefs.at(1649744), "1");
    EXPECT_EQ(masterRefs.at(6077696), "1");
    EXPECT_EQ(masterRefs.at(4670301), "");
    EXPECT_EQ(masterRefs.at(2772495), "");
    std::map<TOsmId, int> oneway;
    for (const TOsmTrack& track : porto.Tracks)
        oneway[track.Id] = track.Oneway;
    EXPECT_EQ(oneway.at(156209010), 1);
    EXPECT_EQ(oneway.at(165660770), 1);
    EXPECT_EQ(oneway.at(26119502), 0);
    EXPECT_EQ(std::count_if(oneway.begin(), oneway.end(), [](auto& w) { return w.second != 0; }),
              3);
}

// A small extract cut at every length: a clean error, unless what is left is a whole file (PBF
// cut between blocks, XML without its last newline, bzip2 without its end mark and checksum);
// and the same bytes read as a file and from memory alike.
TEST(ReadTramNetwork, EveryTruncationIsACleanErrorOrAWholeFile) {
    VELL_NEED_OSM_FOLDER();
    // The number of cuts that leave a whole file: PBF between the ways and relations blocks
    // (read without routes), the XML's last newline, the 10 bytes of bzip2's end of stream.
    const std::pair<std::string, int> formats[] = {
        {"pbf", 1}, {"osm", 1}, {"osm.gz", 0}, {"osm.bz2", 10}};
    for (const auto& [format, wholeCuts] : formats) {
        SCOPED_TRACE(format);
        const std::string bytes = test::SmallTramExtract(OsmFile("oslo-skoyen.osm.pbf"), format);
        const TOsmExtract whole = ReadTramNetwork(TOsmInput::Memory(bytes, format));
        ASSERT_EQ(whole.Tracks.size(), 2u);
        ASSERT_EQ(whole.Routes.size(), 4u);
        int read = 0;
        for (std::size_t size = 0; size < bytes.size(); ++size) {
            try {
                const TOsmExtract cut = ReadTramNetwork(
                    TOsmInput::Memory(std::string_view(bytes).substr(0, size), format));
                ++read;
                EXPECT_EQ(cut.Tracks.size(), whole.Tracks.size()) << size;
                EXPECT_EQ(cut.Locations, whole.Locations) << size;
                EXPECT_TRUE(cut.Routes.empty() || cut.Routes.size() == whole.Routes.size()) << size;
            } catch (const TReadError& error) {
                EXPECT_EQ(std::string(error.what()).find('\n'), std::string::npos);
            }
        }
        EXPECT_EQ(read, wholeCuts);

        const auto path = std::filesystem::temp_directory_path() / ("vell-cut.osm." + format);
        std::ofstream(path, std::ios::binary) << bytes.substr(0, bytes.size() / 2);
        EXPECT_EQ(ErrorOf(TOsmInput::File(path.string())),
                  "Выписка OpenStreetMap " + path.string() + " повреждена или оборвана.");
        std::filesystem::remove(path);
    }
}

TEST(ReadTramNetwork, RefusesWhatHoldsNoTramTrack) {
    const std::string noTrack =
        R"(<osm version="0.6"><node id="1" lat="50" lon="8"/>)"
        R"(<way id="2"><nd ref="1"/><tag k="railway" v="rail"/></way></osm>)";
    EXPECT_EQ(ErrorOf(TOsmInput::Memory(noTrack, "osm")),
              "В выписке [osm] нет трамвайных путей (railway=tram).");
    const std::string noNodes = R"(<osm version="0.6"><way id="2"><nd ref="1"/><nd ref="3"/>)"
                                R"(<tag k="railway" v="tram"/></way></osm>)";
    EXPECT_EQ(ErrorOf(TOsmInput::Memory(noNodes, "osm")),
              "В выписке [osm] нет ни одной точки трамвайных путей: их узлов нет в файле.");
    EXPECT_EQ(ErrorOf(TOsmInput::Memory("not a protocol buffer", "pbf")),
              "Выписка OpenStreetMap [pbf] повреждена или оборвана.");
    EXPECT_EQ(ErrorOf(TOsmInput::Memory("<osm version=\"0.6\">", "osm.gz")),
              "Выписка OpenStreetMap [osm.gz] повреждена или оборвана.");

    // Names libosmium would read from standard input or fetch with curl are local files here.
    for (const char* missing : {"no-such-city.osm.pbf", "http://example.org/city.osm.pbf"})
        EXPECT_EQ(ErrorOf(TOsmInput::File(missing)),
                  std::string("Не удалось прочитать ") + missing + ". Файл не найден.");
    EXPECT_EQ(ErrorOf(TOsmInput::File("city.o5m")),
              "Не удалось прочитать city.o5m. Файл не найден.");
    const auto folder = std::filesystem::temp_directory_path() / "vell-folder.osm";
    std::filesystem::create_directories(folder);
    EXPECT_EQ(ErrorOf(TOsmInput::File(folder.string())),
              "Не удалось прочитать " + folder.string() + ". Это папка, а не файл.");
    std::filesystem::remove(folder);
}

// Extracts are read by what they hold, whatever they are called: each format of a real extract
// under a name that says another, or none, reads as under its own name.
TEST(ReadTramNetwork, ReadsEachFormatByWhatItHoldsWhateverItsName) {
    VELL_NEED_OSM_FOLDER();
    const vell::test::TTempDir dir;
    const std::pair<const char*, const char*> renamed[] = {
        {"berlin_mitte_sumo.osm.xml.gz", "x.pbf"},  // OSM XML in gzip, as SUMO's wizard names it
        {"oslo-skoyen.osm.pbf", "oslo"},            // PBF
        {"leipzig_hbf_kosm.osm", "leipzig.osm.gz"}, // OSM XML
        {"poznan-map.osm.gz", "poznan.osm.xml.bz2"},
    };
    for (const auto& [name, to] : renamed) {
        SCOPED_TRACE(name);
        std::filesystem::copy_file(OsmFile(name), dir.Path(to));
        const TOsmExtract original = Read(name);
        const TOsmExtract copy = ReadTramNetwork(TOsmInput::File(dir.Path(to)));
        EXPECT_GT(copy.Tracks.size(), 0u);
        EXPECT_EQ(copy.Tracks.size(), original.Tracks.size());
        EXPECT_EQ(copy.Routes.size(), original.Routes.size());
        EXPECT_EQ(copy.Locations, original.Locations);
        EXPECT_TRUE(HoldsExtract(dir.Path(to)));
    }
    // OSM XML in bzip2, in a file and in memory with no format named.
    const std::string bzip2 = test::SmallTramExtract(OsmFile("oslo-skoyen.osm.pbf"), "osm.bz2");
    std::ofstream(dir.Path("small.pbf"), std::ios::binary) << bzip2;
    EXPECT_EQ(ReadTramNetwork(TOsmInput::File(dir.Path("small.pbf"))).Tracks.size(), 2u);
    EXPECT_EQ(ReadTramNetwork(TOsmInput::Memory(bzip2, "")).Routes.size(), 4u);
}

// What holds no extract is one line, whatever it is called: a PBF file packed with gzip (which
// no tool writes), text, bytes, nothing; a pipe or a device is refused without waiting for it.
TEST(ReadTramNetwork, RefusesWhatHoldsNoExtractInOneLine) {
    VELL_NEED_OSM_FOLDER();
    const vell::test::TTempDir dir;
    const std::string pbf = test::SmallTramExtract(OsmFile("oslo-skoyen.osm.pbf"), "pbf");
    const std::string packed = dir.Path("small.osm.gz");
    gzFile gz = gzopen(packed.c_str(), "wb");
    ASSERT_NE(gz, nullptr);
    ASSERT_EQ(gzwrite(gz, pbf.data(), unsigned(pbf.size())), int(pbf.size()));
    ASSERT_EQ(gzclose(gz), Z_OK);
    EXPECT_EQ(ErrorOf(TOsmInput::File(packed)),
              packed + ": выписка PBF, сжатая ещё раз (gzip или bzip2), не читается; "
                       "распакуйте её.");
    const std::string notOne = " не выписка OpenStreetMap: в нём нет ни PBF, ни OSM XML (в том "
                               "числе сжатого gzip или bzip2).";
    std::string bytes;
    for (int k = 0; k < 1000; ++k)
        bytes += char(k % 256);
    const std::pair<const char*, std::string> files[] = {
        {"text.osm.pbf", "Это не выписка, а просто текст.\n"},
        {"bytes.osm.pbf", bytes},
        {"empty.osm", ""},
        {"text.osm.gz", std::string("\x1F\x8B", 2) + "not gzip at all"},
    };
    for (const auto& [name, content] : files) {
        SCOPED_TRACE(name);
        std::ofstream(dir.Path(name), std::ios::binary) << content;
        EXPECT_EQ(ErrorOf(TOsmInput::File(dir.Path(name))),
                  name == std::string("text.osm.gz")
                      ? "Выписка OpenStreetMap " + dir.Path(name) + " повреждена или оборвана."
                      : dir.Path(name) + notOne);
        // Damaged gzip is still taken for packed XML: its reader says what is wrong.
        EXPECT_EQ(HoldsExtract(dir.Path(name)), name == std::string("text.osm.gz"));
    }

    // The read runs aside; should it wait for a writer, one is let in to end it.
    const std::string fifo = dir.Path("pipe.osm.pbf");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto read = std::async(std::launch::async, [&] { return ErrorOf(TOsmInput::File(fifo)); });
    const bool waited = read.wait_for(std::chrono::seconds(3)) != std::future_status::ready;
    if (waited) {
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (writer >= 0) ::close(writer);
    }
    EXPECT_FALSE(waited) << "the read waited for a writer";
    EXPECT_EQ(read.get(), "Не удалось прочитать " + fifo + ". Это не обычный файл.");
    EXPECT_FALSE(HoldsExtract(fifo));
    EXPECT_EQ(ErrorOf(TOsmInput::File("/dev/null")),
              "Не удалось прочитать /dev/null. Это не обычный файл.");
}

TEST(OsmTags, ReadsTheNumbersOfCommonValuesAndZeroForTheRest) {
    EXPECT_EQ(MaxSpeedOfTag("50"), 50);
    EXPECT_EQ(MaxSpeedOfTag("30 mph"), 48);
    EXPECT_EQ(MaxSpeedOfTag("40 km/h"), 40);
    EXPECT_EQ(MaxSpeedOfTag("60;40"), 60);
    EXPECT_EQ(MaxSpeedOfTag("RU:urban"), 0);
    EXPECT_EQ(MaxSpeedOfTag("signals"), 0);
    EXPECT_EQ(IntervalMinutesOfTag("20"), 20);
    EXPECT_EQ(IntervalMinutesOfTag("00:15"), 15);
    EXPECT_EQ(IntervalMinutesOfTag("1:00"), 60);
    EXPECT_EQ(IntervalMinutesOfTag("00:07:30"), 8);
    EXPECT_EQ(IntervalMinutesOfTag("5-10"), 0);
    EXPECT_EQ(IntervalMinutesOfTag("1:2:3:4"), 0);
    EXPECT_EQ(LevelsOfTag("5"), 5);
    EXPECT_EQ(LevelsOfTag("2.5"), 3);
    EXPECT_EQ(LevelsOfTag("3;4"), 3);
    EXPECT_EQ(LevelsOfTag("many"), 0);
    EXPECT_DOUBLE_EQ(HeightOfTag("12.5 m"), 12.5);
    EXPECT_DOUBLE_EQ(HeightOfTag("40'"), 40 * 0.3048);
    EXPECT_DOUBLE_EQ(HeightOfTag("tall"), 0);
    EXPECT_EQ(OnewayOfTag("yes"), 1);
    EXPECT_EQ(OnewayOfTag(" 1"), 1);
    EXPECT_EQ(OnewayOfTag("-1"), -1);
    EXPECT_EQ(OnewayOfTag("reverse"), -1);
    EXPECT_EQ(OnewayOfTag("no"), 0);
    EXPECT_EQ(OnewayOfTag("alternating"), 0);
}

} // namespace
} // namespace vell::import
