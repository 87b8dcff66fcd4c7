// The projection against the ellipsoid's known figures, and the choice of the square.
#include "import/OsmRead.h"
#include "import/Projection.h"
#include "import/TrackSquare.h"
#include "tests/import/OsmDataFolder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vell::import {
namespace {

using test::OsmFile;

// Metres in one degree of latitude and of longitude on WGS 84, as geodesy tables give them.
TEST(Projection, ScalesAsTheEllipsoidAndRoundTrips) {
    struct TRow {
        double Lat, LatDegree, LonDegree;
    };
    for (const TRow row : {TRow{0, 110574, 111320}, TRow{30, 110852, 96486},
                           TRow{50, 111229, 71696}, TRow{60, 111412, 55800}}) {
        SCOPED_TRACE(row.Lat);
        const TProjection projection({row.Lat, 10});
        const TPointM south = projection.ToMap({row.Lat - 0.5, 10});
        const TPointM north = projection.ToMap({row.Lat + 0.5, 10});
        const TPointM east = projection.ToMap({row.Lat, 10.5});
        EXPECT_NEAR(south.Y - north.Y, row.LatDegree, 1.0);
        EXPECT_NEAR((east.X - MapCentre) * 2, row.LonDegree, 1.0);
        EXPECT_NEAR(south.X, MapCentre, 1e-9);
    }
    // Across the square and beyond it, at each latitude, and over the date line.
    for (const TGeoPoint centre :
         {TGeoPoint{0, 0}, TGeoPoint{41.1447, -8.6182}, TGeoPoint{60.1716, 24.9436},
          TGeoPoint{-33.87, 151.21}, TGeoPoint{64.5, 179.99}}) {
        const TProjection projection(centre);
        EXPECT_NEAR(projection.ToMap(centre).X, MapCentre, 1e-9);
        for (double x = -5000; x <= 15000; x += 2500)
            for (double y = -5000; y <= 15000; y += 2500) {
                const TGeoPoint p = projection.ToGeo({x, y});
                EXPECT_LE(std::abs(p.Lon), 180);
                const TPointM back = projection.ToMap(p);
                EXPECT_NEAR(back.X, x, 1e-6);
                EXPECT_NEAR(back.Y, y, 1e-6);
            }
    }
}

// The box holds the whole square and hardly more: at most the 10 m that the parallels' scale
// changes over 10 km at 50 degrees.
TEST(Projection, SquareBoxHoldsTheSquare) {
    const TProjection projection({49.41, 8.69});
    const TGeoBox box = SquareBox(projection);
    for (double t = 0; t <= SquareSide; t += 500)
        for (const TPointM edge :
             {TPointM{t, 0}, TPointM{t, SquareSide}, TPointM{0, t}, TPointM{SquareSide, t}})
            EXPECT_TRUE(box.Contains(projection.ToGeo(edge))) << edge.X << " " << edge.Y;
    const TPointM southWest = projection.ToMap(box.SouthWest);
    const TPointM northEast = projection.ToMap(box.NorthEast);
    EXPECT_NEAR(southWest.Y, SquareSide, 1e-6);
    EXPECT_NEAR(northEast.Y, 0, 1e-6);
    EXPECT_LE(southWest.X, 0);
    EXPECT_GE(southWest.X, -10);
    EXPECT_GE(northEast.X, SquareSide);
    EXPECT_LE(northEast.X, SquareSide + 10);
}

TEST(DensestTrackSquare, HoldsAsMuchTrackAsAnySquareAndIsTheSameEveryTime) {
    VELL_NEED_OSM_FOLDER();
    const TOsmExtract heidelberg = ReadTramNetwork(TOsmInput::File(OsmFile("heidelberg.test.pbf")));
    const TGeoPoint centre = DensestTrackSquare(heidelberg);
    EXPECT_EQ(centre,
              DensestTrackSquare(ReadTramNetwork(TOsmInput::File(OsmFile("heidelberg.test.pbf")))));
    const TProjection projection(centre);
    // The network spans 10.4 km north to south: all but 0.5 km of its 43.8 km fits.
    const double held = TrackLengthInSquare(heidelberg, projection);
    EXPECT_GT(held, TrackLength(heidelberg) - 500);
    for (double dx = -2000; dx <= 2000; dx += 500)
        for (double dy = -2000; dy <= 2000; dy += 500) {
            const TProjection moved(projection.ToGeo({MapCentre + dx, MapCentre + dy}));
            EXPECT_LT(TrackLengthInSquare(heidelberg, moved), held + 100) << dx << " " << dy;
        }

    // A network smaller than the square lies in its middle; track far out of place, or where
    // the projection does not hold, changes nothing.
    TOsmExtract oslo = ReadTramNetwork(TOsmInput::File(OsmFile("oslo-skoyen.osm.pbf")));
    const TGeoPoint osloCentre = DensestTrackSquare(oslo);
    const TProjection osloProjection(osloCentre);
    double west = 1e9, east = -1e9, north = 1e9, south = -1e9;
    for (const auto& [id, at] : oslo.Locations) {
        const TPointM p = osloProjection.ToMap(at);
        west = std::min(west, p.X), east = std::max(east, p.X);
        north = std::min(north, p.Y), south = std::max(south, p.Y);
    }
    EXPECT_NEAR((west + east) / 2, MapCentre, 150);
    EXPECT_NEAR((north + south) / 2, MapCentre, 150);
    const double length = TrackLength(oslo);
    oslo.Locations[-1] = {89.5, 10.68};
    oslo.Locations[-2] = {89.5, 10.70};
    oslo.Locations[-3] = {59.92, 10.68};
    oslo.Locations[-4] = {2.0, 10.68}; // 6,000 km away
    oslo.Tracks.push_back({-5, {-1, -2}, "", 0, 0});
    oslo.Tracks.push_back({-6, {-3, -4}, "", 0, 0});
    EXPECT_EQ(TrackLength(oslo), length);
    EXPECT_EQ(DensestTrackSquare(oslo), osloCentre);
    oslo.Tracks.erase(oslo.Tracks.begin(), oslo.Tracks.end() - 2);
    EXPECT_THROW(DensestTrackSquare(oslo), TReadError);
}

TEST(ParseCentre, TakesLatitudeCommaLongitude) {
    TGeoPoint centre;
    ASSERT_TRUE(ParseCentre("60.1699,24.9384", centre));
    EXPECT_EQ(centre, (TGeoPoint{60.1699, 24.9384}));
    ASSERT_TRUE(ParseCentre("-33.87,151.21", centre));
    EXPECT_EQ(centre, (TGeoPoint{-33.87, 151.21}));
    for (const char* wrong : {"", "60.17", "60.17;24.94", "60.17,24.94,1", "91,0", "0,181", "86,0",
                              "60.17, 24.94", "1e1,2", "nan,0"})
        EXPECT_FALSE(ParseCentre(wrong, centre)) << wrong;
    EXPECT_EQ(SquareCentre({}, TGeoPoint{1, 2}), (TGeoPoint{1, 2}));
}

} // namespace
} // namespace vell::import
