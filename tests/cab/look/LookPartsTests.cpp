// The detailed look's parts on a real imported city (Porto): poles, wires and lamps as the import
// put its arches, stops at the extract's own stop nodes, and the trams of a running world. Nothing
// stands within 1.7 m of a track's centre line between 0.35 m and 4.5 m up, the trams stand where
// the classic look puts their cars, and their signs say their lines' real names.
#include "cab/look/LookParts.h"
#include "cab/scene/Scene.h"
#include "import/Import.h"
#include "model/Geometry.h"
#include "model/MapExtras.h"
#include "model/Random.h"
#include "model/RouteTable.h"
#include "model/Units.h"
#include "sim/Vell.h"
#include "sim/World.h"
#include "tests/cab/look/LookCheck.h"
#include "tests/cab/look/LookTextReader.h"
#include "tests/import/OsmDataFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>

namespace vell::test {
namespace {

// Porto imported as VellSim imports it, without buildings (the parts do not use them), and its
// stops from the extract's own stop nodes, where the city-look import puts them; every third
// has a platform outline beside its track, as mapped platforms are.
struct TCity {
    std::unique_ptr<TMap> Map;
    TCityLook Look;
    TLookBox Area;
};

TLookPoint Ahead(TLookPoint p, double ux, double uy, double along, double across) {
    return {float(p.X + along * ux - across * uy), float(p.Y + along * uy + across * ux)};
}

TCity Import(const std::string& file) {
    TCity made;
    import::TImportOptions options;
    options.Buildings = false;
    const import::TOsmInput input = import::TOsmInput::File(import::test::OsmFile(file));
    import::TImportResult result = import::ImportCity(input, options);
    made.Map = std::move(result.Map);
    const TMap& map = *made.Map;
    const import::TProjection projection(result.Report.Centre);
    const TRailCells rails(map);
    int k = 0;
    for (const import::TOsmStop& stop : import::ReadTramNetwork(input).Stops) {
        const import::TPointM at = projection.ToMap(stop.At);
        if (stop.Name.empty() || rails.Nearest(at.X, at.Y) > 15) continue;
        TLookStop look{stop.Name, {float(at.X), float(at.Y)}, {}};
        if (k++ % 3 == 0) {
            // The nearest rail's direction, the outline on the stop's side of it.
            const TMapObject* nearest = nullptr;
            double least = 1e9;
            for (const TMapObject& o : map.Objects) {
                if (!o.IsRail() || (o.X1 == o.X2 && o.Y1 == o.Y2)) continue;
                const double d =
                    Distance({double(o.X1), double(o.Y1), double(o.X2), double(o.Y2)}, at.X, at.Y);
                if (d < least) least = d, nearest = &o;
            }
            const double length = Length(*nearest);
            const double ux = (nearest->X2 - nearest->X1) / length,
                         uy = (nearest->Y2 - nearest->Y1) / length;
            const double side = (at.X - nearest->X1) * -uy + (at.Y - nearest->Y1) * ux;
            const double s = side >= 0 ? 1 : -1;
            const TLookPoint foot = Ahead(look.At, ux, uy, 0, -side);
            for (const auto& [along, across] :
                 {std::pair{-10.0, 1.6}, {10.0, 1.6}, {10.0, 4.6}, {-10.0, 4.6}})
                look.Platform.push_back(Ahead(foot, ux, uy, along, s * across));
        }
        made.Look.Stops.push_back(look);
    }
    made.Area = {1e9f, 1e9f, -1e9f, -1e9f};
    for (const TMapObject& o : map.Objects) {
        if (!o.IsRail()) continue;
        made.Area.MinX = std::min({made.Area.MinX, float(o.X1) - 50, float(o.X2) - 50});
        made.Area.MinY = std::min({made.Area.MinY, float(o.Y1) - 50, float(o.Y2) - 50});
        made.Area.MaxX = std::max({made.Area.MaxX, float(o.X1) + 50, float(o.X2) + 50});
        made.Area.MaxY = std::max({made.Area.MaxY, float(o.Y1) + 50, float(o.Y2) + 50});
    }
    return made;
}

// Each city imported once for all the tests.
const TCity& City(const std::string& file) {
    static std::map<std::string, TCity> cities;
    auto it = cities.find(file);
    if (it == cities.end()) it = cities.emplace(file, Import(file)).first;
    return it->second;
}

// The whole city in tiles of 200 m, as the scene builds it.
TLookMesh WholeCity(const TCity& city, const TLookLight& light) {
    TLookMesh mesh;
    for (float x = city.Area.MinX; x < city.Area.MaxX; x += 200)
        for (float y = city.Area.MinY; y < city.Area.MaxY; y += 200)
            BuildTileParts(*city.Map, city.Look, {x, y, x + 200, y + 200}, light, mesh);
    return mesh;
}

TLookLight Night() {
    TLookLight light;
    light.DayLight = 0.1;
    light.Night = true;
    return light;
}

class LookPartsOnCity : public ::testing::TestWithParam<const char*> {
  protected:
    void SetUp() override { VELL_NEED_OSM_FOLDER(); }
    const TCity& Imported() const { return City(GetParam()); }
};

INSTANTIATE_TEST_SUITE_P(RealCities, LookPartsOnCity,
                         ::testing::Values("porto.osm.pbf", "prague_itinero.osm.pbf",
                                           "munchen.osm.pbf"));

TEST_P(LookPartsOnCity, NothingStandsInTheTrack) {
    const TCity& city = Imported();
    ASSERT_GT(city.Look.Stops.size(), 10u);
    const TRailCells rails(*city.Map);
    for (const bool night : {false, true}) {
        SCOPED_TRACE(night ? "night" : "day");
        const TLookMesh mesh = WholeCity(city, night ? Night() : TLookLight{});
        const TIntrusions found = Intrusions(mesh, rails);
        EXPECT_EQ(found.Count, 0) << found.First;
        EXPECT_EQ(mesh.Glow.empty(), !night);
    }
}

// Each pole of the import stands 7 m tall where the map has it, every track has its contact
// wire at about 5.5 m, and most stops have a sign with their name.
TEST_P(LookPartsOnCity, PolesWiresAndStopNamesAreWhereTheMapHasThem) {
    const TCity& city = Imported();
    const TRailCells rails(*city.Map);
    const TLookMesh mesh = WholeCity(city, Night());
    std::vector<std::pair<float, float>> tops;
    for (const TLookVertex& v : mesh.Solid[NoTexture])
        if (std::fabs(v.Z - 7) < 1e-4) tops.push_back({v.X, -v.Y});
    int poles = 0, standing = 0;
    for (const TMapObject& o : city.Map->Objects) {
        if (o.Kind() != HighWall || o.X1 != o.X2 || o.Y1 != o.Y2) continue;
        ++poles;
        standing += std::any_of(tops.begin(), tops.end(), [&](const auto& t) {
            return std::hypot(t.first - o.X1, t.second - o.Y1) < 0.2;
        });
    }
    EXPECT_GT(poles, 100);
    EXPECT_EQ(standing, poles);

    double wire = 0;
    for (std::size_t k = 0; k + 2 <= mesh.Lines.size(); k += 2) {
        const TLookVertex &a = mesh.Lines[k], &b = mesh.Lines[k + 1];
        if (std::fabs(a.Z - b.Z) > 0.3 || rails.Nearest(a.X, -a.Y) > 0.05 ||
            rails.Nearest(b.X, -b.Y) > 0.05)
            continue;
        EXPECT_GE(std::min(a.Z, b.Z), 5.35);
        EXPECT_LE(std::max(a.Z, b.Z), 5.65);
        wire += std::hypot(a.X - b.X, a.Y - b.Y);
    }
    EXPECT_NEAR(wire, rails.Length, 0.01 * rails.Length);

    std::vector<std::u32string> texts;
    for (const TReadText& t : ReadLookTexts(mesh.Shining[GlyphTexture]))
        texts.push_back(t.Text);
    int signed_ = 0;
    for (const TLookStop& stop : city.Look.Stops)
        signed_ += std::count(texts.begin(), texts.end(), AsDrawn(stop.Name)) > 0;
    EXPECT_GE(signed_, int(city.Look.Stops.size()) * 9 / 10);
    EXPECT_TRUE(mesh.Solid[GlyphTexture].empty()); // lit at night
}

// A tile is built the same to the byte each time, and a tile's parts are those whose place is
// in it: two halves make the whole.
TEST_P(LookPartsOnCity, TilesAreTheSameEachTimeAndAddUp) {
    const TCity& city = Imported();
    const TLookBox box = city.Area;
    const float middle = (box.MinX + box.MaxX) / 2;
    TLookMesh whole, again, halves;
    BuildTileParts(*city.Map, city.Look, box, Night(), whole);
    BuildTileParts(*city.Map, city.Look, box, Night(), again);
    BuildTileParts(*city.Map, city.Look, {box.MinX, box.MinY, middle, box.MaxY}, Night(), halves);
    BuildTileParts(*city.Map, city.Look, {middle, box.MinY, box.MaxX, box.MaxY}, Night(), halves);
    ASSERT_FALSE(whole.Empty());
    auto same = [](const std::vector<TLookVertex>& a, const std::vector<TLookVertex>& b) {
        return a.size() == b.size() &&
               (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(TLookVertex)) == 0);
    };
    for (int t = 0; t < LookTextureCount; ++t) {
        const std::size_t k = std::size_t(t);
        EXPECT_TRUE(same(whole.Solid[k], again.Solid[k])) << t;
        EXPECT_TRUE(same(whole.Shining[k], again.Shining[k])) << t;
        EXPECT_EQ(halves.Solid[k].size(), whole.Solid[k].size()) << t;
        EXPECT_EQ(halves.Shining[k].size(), whole.Shining[k].size()) << t;
    }
    EXPECT_TRUE(same(whole.Lines, again.Lines));
    EXPECT_TRUE(same(whole.Glow, again.Glow));
    EXPECT_EQ(halves.Lines.size(), whole.Lines.size());
}

// ---- Trams ----

struct TCarBox {
    const TVell* Tram;
    int Car;
    TCarAxisXY Pose;
    bool Holds(const TLookVertex& v) const {
        const double dx = v.X - Pose.Centre.X, dy = -v.Y - Pose.Centre.Y;
        const double along = dx * Pose.Dir.X + dy * Pose.Dir.Y;
        const double across = -dx * Pose.Dir.Y + dy * Pose.Dir.X;
        return std::fabs(along) <= 5.05 && std::fabs(across) <= 1.25 && v.Z >= 0 && v.Z <= 5.45;
    }
};

// The city's world after 90 minutes, one line renamed in Czech.
class LookTramsOnCity : public LookPartsOnCity {
  protected:
    void SetUp() override {
        LookPartsOnCity::SetUp();
        if (IsSkipped()) return;
        Map = std::make_unique<TMap>(*Imported().Map);
        ASSERT_EQ(SelectMap(*Map).NetworkResult, -1);
        for (int row = 0; row < RouteRows && !Renamed; ++row)
            for (int col = 0; col < RouteColumns && !Renamed; ++col)
                if (Map->Route(row, col).WaypointsUsed() > 0) {
                    NameLine(*Map, row, col, "Hlavní nádraží – Ďáblice");
                    Renamed = true;
                }
        World = std::make_unique<TWorld>(*Map, Random);
        World->StartWorld();
        for (long long s = 0; s < std::llround(90 * TicksPerMinute); ++s)
            World->WorldStep();
    }

    std::vector<TCarBox> CarsWithin(const TSceneView& view) const {
        std::vector<TCarBox> cars;
        for (int k = 0; k < World->VellCount; ++k) {
            const TVell* tram = World->VellTable[k].get();
            if (!tram || !tram->Active || !tram->Route || tram == view.PlayerTram) continue;
            for (int i = 0; i < tram->Cars(); ++i) {
                const TCarAxisXY pose = tram->CarPose(i);
                if (std::hypot(pose.Centre.X - view.CamX, pose.Centre.Y - view.CamY) <=
                    view.ViewDistVell)
                    cars.push_back({tram, i, pose});
            }
        }
        return cars;
    }

    std::unique_ptr<TMap> Map;
    TRandom Random{1};
    std::unique_ptr<TWorld> World;
    bool Renamed = false;
};

INSTANTIATE_TEST_SUITE_P(RealCities, LookTramsOnCity,
                         ::testing::Values("porto.osm.pbf", "munchen.osm.pbf"));

TEST_P(LookTramsOnCity, CarsStandOnTheirTrackAsTheClassicLookPutsThem) {
    ASSERT_TRUE(Renamed);
    const TRailCells rails(*Map);
    TSceneView view;
    view.CamX = (Imported().Area.MinX + Imported().Area.MaxX) / 2;
    view.CamY = (Imported().Area.MinY + Imported().Area.MaxY) / 2;
    view.ViewDistVell = 5000;
    TLookMesh mesh;
    BuildLookTrams(*Map, *World, view, Night(), mesh);
    const std::vector<TCarBox> cars = CarsWithin(view);
    ASSERT_GE(cars.size(), 6u);
    for (const TCarBox& car : cars) {
        // Both bogies over the track.
        // The track's joints are drawn as arcs inside the corner between two rails: a bogie on
        // such an arc stands up to about half a metre off the rails' centre lines.
        for (const double x : {-2.4, 2.4}) {
            const double px = car.Pose.Centre.X + x * car.Pose.Dir.X;
            const double py = car.Pose.Centre.Y + x * car.Pose.Dir.Y;
            EXPECT_LT(rails.Nearest(px, py), 0.8)
                << "car " << car.Car << " at " << px << ", " << py;
        }
    }
    // Every point of a body, a sign or a pantograph lies in a car's box.
    std::map<std::pair<const TVell*, int>, int> inCar;
    auto within = [&](const std::vector<TLookVertex>& list) {
        for (const TLookVertex& v : list) {
            const auto car = std::find_if(cars.begin(), cars.end(),
                                          [&](const TCarBox& c) { return c.Holds(v); });
            ASSERT_NE(car, cars.end()) << v.X << ", " << -v.Y << " at " << v.Z;
            ++inCar[{car->Tram, car->Car}];
        }
    };
    for (int t = 0; t < LookTextureCount; ++t) {
        within(mesh.Solid[std::size_t(t)]);
        within(mesh.Shining[std::size_t(t)]);
    }
    within(mesh.Lines);
    EXPECT_EQ(inCar.size(), cars.size());
    EXPECT_FALSE(mesh.Glow.empty());
}

// The front of the first car and the rear of the last show the line's name as riders know it.
TEST_P(LookTramsOnCity, SignsShowTheLinesRealNames) {
    TSceneView view;
    view.CamX = (Imported().Area.MinX + Imported().Area.MaxX) / 2;
    view.CamY = (Imported().Area.MinY + Imported().Area.MaxY) / 2;
    view.ViewDistVell = 5000;
    TLookMesh mesh;
    BuildLookTrams(*Map, *World, view, TLookLight{}, mesh);
    std::vector<std::u32string> expected, shown;
    bool czech = false;
    const std::vector<TCarBox> cars = CarsWithin(view);
    for (const TCarBox& car : cars) {
        const std::string name = LineDisplayName(*Map, car.Tram->RouteRow, car.Tram->RouteCol);
        czech = czech || name == "Hlavní nádraží – Ďáblice";
        if (car.Car == 0) expected.push_back(AsDrawn(name));
        if (car.Car == car.Tram->Cars() - 1) expected.push_back(AsDrawn(name));
    }
    for (const TReadText& text : ReadLookTexts(mesh.Shining[GlyphTexture])) {
        shown.push_back(text.Text);
        // Read from outside the end it is on, left to right.
        const TLookVertex first{text.X, text.Y, text.Z, 0, 0, 0, 0, 0, 0};
        const auto car = std::find_if(cars.begin(), cars.end(),
                                      [&](const TCarBox& c) { return c.Holds(first); });
        ASSERT_NE(car, cars.end());
        const double along = (text.X - car->Pose.Centre.X) * car->Pose.Dir.X +
                             (-text.Y - car->Pose.Centre.Y) * car->Pose.Dir.Y;
        const double out = along < 0 ? -1 : 1; // the front is at -5
        EXPECT_GT(std::fabs(along), 5);
        EXPECT_TRUE(text.ReadsFrom(out * car->Pose.Dir.X, -out * car->Pose.Dir.Y));
    }
    std::sort(expected.begin(), expected.end());
    std::sort(shown.begin(), shown.end());
    EXPECT_TRUE(czech);
    EXPECT_GE(expected.size(), 6u);
    EXPECT_TRUE(shown == expected) << shown.size() << " signs, " << expected.size() << " expected";
    EXPECT_TRUE(mesh.Glow.empty()); // no headlights' glow by day
}

// A car whose centre is beyond ViewDistVell is left out, as the classic pass leaves it; the
// player's own tram is never drawn.
TEST_P(LookTramsOnCity, OnlyCarsWithinViewAndNotThePlayers) {
    const TVell* first = nullptr;
    for (int k = 0; k < World->VellCount && !first; ++k)
        if (World->VellTable[k] && World->VellTable[k]->Active) first = World->VellTable[k].get();
    ASSERT_NE(first, nullptr);
    TSceneView view;
    view.CamX = first->CarPose(0).Centre.X + 20;
    view.CamY = first->CarPose(0).Centre.Y;
    view.ViewDistVell = 25;
    const std::vector<TCarBox> cars = CarsWithin(view);
    TLookMesh mesh;
    BuildLookTrams(*Map, *World, view, TLookLight{}, mesh);
    for (const TLookVertex& v : mesh.Solid[NoTexture])
        ASSERT_TRUE(
            std::any_of(cars.begin(), cars.end(), [&](const TCarBox& c) { return c.Holds(v); }));
    EXPECT_FALSE(mesh.Solid[NoTexture].empty());

    // Points that only the first tram's cars hold.
    auto onlyFirst = [&](const TLookMesh& built) {
        int count = 0;
        for (const TLookVertex& v : built.Solid[NoTexture]) {
            bool first_ = false, other = false;
            for (const TCarBox& c : cars) {
                if (!c.Holds(v)) continue;
                (c.Tram == first ? first_ : other) = true;
            }
            count += first_ && !other;
        }
        return count;
    };
    EXPECT_GT(onlyFirst(mesh), 100);
    view.PlayerTram = first;
    TLookMesh without;
    BuildLookTrams(*Map, *World, view, TLookLight{}, without);
    EXPECT_EQ(onlyFirst(without), 0);
}

} // namespace
} // namespace vell::test
