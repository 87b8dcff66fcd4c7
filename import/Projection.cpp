// The local equirectangular projection on the WGS 84 ellipsoid.
#include "import/Projection.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vell::import {

namespace {

constexpr double SemiMajorAxis = 6378137;
constexpr double Flattening = 1 / 298.257223563;
constexpr double EccentricitySquared = Flattening * (2 - Flattening);
constexpr double RadiansPerDegree = std::numbers::pi / 180;

double SinSquared(double latDegrees) {
    const double s = std::sin(latDegrees * RadiansPerDegree);
    return s * s;
}

// The radius of curvature along the meridian: metres per radian of latitude.
double MeridianRadiusAt(double latDegrees) {
    const double w = 1 - EccentricitySquared * SinSquared(latDegrees);
    return SemiMajorAxis * (1 - EccentricitySquared) / (w * std::sqrt(w));
}

// The radius of the parallel: metres per radian of longitude at that latitude.
double ParallelRadiusAt(double latDegrees) {
    const double normal =
        SemiMajorAxis / std::sqrt(1 - EccentricitySquared * SinSquared(latDegrees));
    return normal * std::cos(latDegrees * RadiansPerDegree);
}

// A longitude difference in (-180, 180]: the short way round.
double LonDifference(double lon, double from) {
    double d = std::fmod(lon - from, 360.0);
    if (d > 180) d -= 360;
    if (d <= -180) d += 360;
    return d;
}

} // namespace

TProjection::TProjection(TGeoPoint centre)
    : CentrePoint(centre), MeridianRadius(MeridianRadiusAt(centre.Lat)) {}

TPointM TProjection::ToMap(TGeoPoint p) const {
    const double north = (p.Lat - CentrePoint.Lat) * RadiansPerDegree * MeridianRadius;
    const double east =
        LonDifference(p.Lon, CentrePoint.Lon) * RadiansPerDegree * ParallelRadiusAt(p.Lat);
    return {MapCentre + east, MapCentre - north};
}

TGeoPoint TProjection::ToGeo(TPointM p) const {
    const double lat = CentrePoint.Lat + (MapCentre - p.Y) / MeridianRadius / RadiansPerDegree;
    const double parallel = ParallelRadiusAt(lat);
    const double lon = parallel > 1e-6
                           ? CentrePoint.Lon + (p.X - MapCentre) / parallel / RadiansPerDegree
                           : CentrePoint.Lon;
    return {lat, LonDifference(lon, 0)};
}

TGeoBox SquareBox(const TProjection& projection) {
    const double half = SquareSide / 2;
    const double north = MapCentre - half, south = MapCentre + half;
    const double west = MapCentre - half, east = MapCentre + half;
    // East-west the square is widest in degrees on its edge farthest from the equator.
    const TGeoPoint northWest = projection.ToGeo({west, north});
    const TGeoPoint southWest = projection.ToGeo({west, south});
    const TGeoPoint northEast = projection.ToGeo({east, north});
    const TGeoPoint southEast = projection.ToGeo({east, south});
    return {{southWest.Lat, std::min(northWest.Lon, southWest.Lon)},
            {northEast.Lat, std::max(northEast.Lon, southEast.Lon)}};
}

} // namespace vell::import
