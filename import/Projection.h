// From degrees to the map's metres: a local equirectangular projection around the centre of the
// imported square, with the WGS 84 ellipsoid's radii of curvature, each point's own latitude
// for its east-west scale (about 2 m off over 10 km).
#pragma once

#include "import/OsmData.h"

namespace vell::import {

// Metres on the map's plane: X east, Y south (as the map's Y grows downwards).
struct TPointM {
    double X = 0, Y = 0;
};

// The side of the imported square, and where its centre lies on the map.
constexpr double SquareSide = 10000;
constexpr double MapCentre = 5000;

// Whether a map point lies `margin` metres or more inside the square's edges.
constexpr bool InsideMargin(TPointM p, double margin) {
    return p.X >= margin && p.X <= SquareSide - margin && p.Y >= margin &&
           p.Y <= SquareSide - margin;
}

class TProjection {
  public:
    explicit TProjection(TGeoPoint centre);
    TGeoPoint Centre() const { return CentrePoint; }
    // The map point of a location: the centre at (5000, 5000).
    TPointM ToMap(TGeoPoint p) const;
    // The location of a map point (the inverse of ToMap to well under a centimetre).
    TGeoPoint ToGeo(TPointM p) const;

  private:
    TGeoPoint CentrePoint;
    double MeridianRadius = 0; // at the centre's latitude
};

// The south-west and north-east corners of the square around a projection's centre.
struct TGeoBox {
    TGeoPoint SouthWest, NorthEast;
    bool Contains(TGeoPoint p) const {
        return p.Lat >= SouthWest.Lat && p.Lat <= NorthEast.Lat && p.Lon >= SouthWest.Lon &&
               p.Lon <= NorthEast.Lon;
    }
};
TGeoBox SquareBox(const TProjection& projection);

} // namespace vell::import
