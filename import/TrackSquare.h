// Where the imported square lies: around the most tram track, or around a point the user names;
// and how much track a square holds, for the report.
#pragma once

#include "import/OsmData.h"
#include "import/Projection.h"

#include <optional>
#include <string_view>

namespace vell::import {

// A location the import uses: latitude within 85 degrees of the equator (the projection's
// east-west scale holds there), longitude within 180.
bool IsUsableLocation(TGeoPoint p);

// Metres of tram track between located, usable nodes; a segment longer than 10 km (a node far
// out of place) is left out, here and below.
double TrackLength(const TOsmExtract& extract);
// Metres of that track inside the square of `projection`.
double TrackLengthInSquare(const TOsmExtract& extract, const TProjection& projection);

// The centre of the 10 km square that holds the most tram track, found on a 100 m grid; where
// several squares hold as much, the one nearest their middle. The same extract always gives the
// same point. Throws TReadError when no track has two usable located nodes.
TGeoPoint DensestTrackSquare(const TOsmExtract& extract);

// "LAT,LON" in degrees ("60.1699,24.9384"), a usable location; false for anything else.
bool ParseCentre(std::string_view text, TGeoPoint& centre);

// The square's centre: the one asked for, else the densest square's.
TGeoPoint SquareCentre(const TOsmExtract& extract, const std::optional<TGeoPoint>& asked);

} // namespace vell::import
