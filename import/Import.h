// Making a playable map of a city's tram network read from OpenStreetMap: the square, the
// track as directed rails with switches, stops and turning loops, the routes, and a report of
// what was made and what was left out.
#pragma once

#include "import/Circuits.h"
#include "import/City.h"
#include "import/ImportProgress.h"
#include "import/NetworkMend.h"
#include "import/OsmData.h"
#include "import/OsmRead.h"
#include "import/Projection.h"
#include "import/RailNetwork.h"
#include "model/Map.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vell::import {

struct TImportOptions {
    std::optional<TGeoPoint> Center; // the square's centre; else where the most track is
    std::vector<std::string> Routes; // refs to import; empty: all
    int Cars = 2;
    int IntervalMinutes = 10; // for routes whose relation gives none
    bool Buildings = true;
};

struct TImportedRoute {
    std::string Ref;
    std::string Name; // the name riders know, at most 24 characters
    ELineSource Source = ELineSource::Relation;
    int Row = 0, Column = 0;
    int Stops = 0;
    double LengthM = 0, CircuitMinutes = 0;
    double RelationLengthM = 0; // of its relations' track inside the square
    int RelationStops = 0;
    int Waypoints = 0;
    bool LoopAtStart = false, LoopAtEnd = false;
    bool DrivenBack = false;   // no opposite relation: its track is driven both ways
    bool OneWayLoop = false;   // a closed path driven one way round
    bool FoundWayBack = false; // no opposite relation, oneway forbids its own track back
    bool Cut = false;          // its relations leave the square or the extract
    int Cars = 2, IntervalMinutes = 10;
    std::vector<TOsmId> Variants; // relations of the same ref not imported
};

struct TImportReport {
    std::string Extract; // the file's name as given
    TGeoPoint Centre;
    TGeoBox Square;
    TReadCounts Read;
    double TrackReadM = 0, TrackInSquareM = 0; // tram track read, and inside the square
    double UnusedTrackM = 0;                   // track in the square no imported route runs on
    int Rails = 0, StopRails = 0, Loops = 0;
    int CrowdedLoops = 0;            // crossing or within 5 m of other track
    double SingleTrackBothWaysM = 0; // single track used both ways, laid as double track
    double TrackLengthM = 0;
    TCityMade City;
    std::vector<TImportedRoute> Routes;
    std::vector<TLeftOut> LeftOut;
    int NetworkResult = -1; // BuildNetwork's result: -1 sound, else the last faulty rail
    std::vector<int> FaultyRails;
    std::vector<TNetworkMend> Mends; // local changes made so that the network runs
    // Deadlocks or accidents the import's runs still found, each with its place and lines.
    std::vector<TNetworkMend> Troubles;
};

// A line the import leaves out of the plans, and why.
struct TLineLeftOut {
    int Row = 0, Column = 0;
    TLeftOut Why;
};

struct TImportResult {
    std::unique_ptr<TMap> Map;
    TImportReport Report;
};

// Degrees with five decimals (about a metre), a point whatever the locale: "49.40861".
std::string FormatDegrees(double degrees);

// The whole import of an extract: the tram network read, the square chosen (around
// `options.Center`, else where the most track is), the track, stops and routes laid, the city
// read inside the square and added. Throws TReadError when the file cannot be read, holds no
// tram track or the square holds none; TImportCancelled when `progress` is cancelled.
TImportResult ImportCity(const TOsmInput& input, const TImportOptions& options,
                         TImportProgress* progress = nullptr);
// The same from the tram network already read from `input` (ReadTramNetwork).
TImportResult ImportFromNetwork(TOsmExtract network, const TOsmInput& input,
                                const TImportOptions& options, TImportProgress* progress = nullptr);

// A route the import would take or skip, as a window lists it before importing.
struct TRoutePreview {
    std::string Ref;
    std::string Name;           // the name riders know, at most 24 characters
    int Row = -1, Column = -1;  // its route slot; -1 when skipped
    double RelationLengthM = 0; // its relations' track in the square
    int RelationStops = 0;
    std::string Why; // why it is skipped ("" when taken), in the user's language
    bool Skipped() const { return !Why.empty(); }
};

// What an import with `options` would take from the tram network read: the square and the
// routes, those taken first in the route table's order, then those skipped. Quick: no rails.
struct TImportPreview {
    TGeoPoint Centre;
    TGeoBox Square;
    double TrackInSquareM = 0;
    std::vector<TRoutePreview> Routes;
};
TImportPreview PreviewImport(const TOsmExtract& network, const TImportOptions& options);

// The map of the tram network in `network` (tracks, routes, stops and locations read), around
// `centre`. The city around the track is added by the caller (AddCity).
// The lines of `leaveOut` are not laid, and named with their reasons.
TImportResult BuildTramMap(const TOsmExtract& network, const TProjection& projection,
                           const TImportOptions& options,
                           const std::vector<TLineLeftOut>& leaveOut = {});

} // namespace vell::import
