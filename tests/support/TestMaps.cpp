// Helpers for tests.
#include "tests/support/TestMaps.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace vell::test {

int AddObject(TMap& map, std::uint8_t kind, int x1, int y1, int x2, int y2) {
    map.Objects.push_back(MakeObject(kind, x1, y1, x2, y2));
    return map.ObjectCount() - 1;
}

int AddRail(TMap& map, int x1, int y1, int x2, int y2, std::uint8_t speedGrade,
            std::uint8_t stopType) {
    int i = AddObject(map, Rail, x1, y1, x2, y2);
    map.Objects[i].SetSpeedGrade(speedGrade);
    map.Objects[i].SetStopType(stopType);
    return i;
}

std::vector<int> AddRing(TMap& map, int x1, int y1, int x2, int y2, int topPieces,
                         std::uint8_t grade, int cut) {
    std::vector<std::pair<int, int>> points;
    for (int k = 0; k < topPieces; ++k)
        points.push_back({x1 + cut + (x2 - x1 - 2 * cut) * k / topPieces, y1});
    for (auto p : std::vector<std::pair<int, int>>{{x2 - cut, y1},
                                                   {x2, y1 + cut},
                                                   {x2, y2 - cut},
                                                   {x2 - cut, y2},
                                                   {x1 + cut, y2},
                                                   {x1, y2 - cut},
                                                   {x1, y1 + cut}})
        points.push_back(p);
    std::vector<int> rails;
    for (std::size_t k = 0; k < points.size(); ++k) {
        auto [ax, ay] = points[k];
        auto [bx, by] = points[(k + 1) % points.size()];
        rails.push_back(AddRail(map, ax, ay, bx, by, grade));
    }
    return rails;
}

void SetRoute(TMap& map, int row, int column, std::initializer_list<int> waypoints,
              std::uint8_t cars, std::uint8_t interval) {
    TRouteRec& r = map.Route(row, column);
    r.WaypointCount = std::int8_t(waypoints.size());
    int k = 0;
    for (int w : waypoints)
        r.Waypoints[k++] = std::uint16_t(w);
    r.Cars = cars;
    r.Interval = interval;
}

std::vector<int> Waypoints(const TMap& map, int row, int column) {
    const TRouteRec& r = map.Route(row, column);
    return std::vector<int>(r.Waypoints.begin(), r.Waypoints.begin() + r.WaypointsUsed());
}

std::unique_ptr<TMap> NewMap() {
    return std::make_unique<TMap>();
}

TTempDir::TTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vell-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    RootPath = pattern;
}

TTempDir::~TTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(RootPath, ec);
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

} // namespace vell::test
