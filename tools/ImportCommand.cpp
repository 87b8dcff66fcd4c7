// VellSim's import of a city's tram network from an OpenStreetMap extract.
#include "tools/Commands.h"

#include "import/Import.h"
#include "import/ImportReport.h"
#include "import/ImportStep.h"
#include "import/TrackSquare.h"
#include "model/FileName.h"
#include "model/Route.h"
#include "model/Texts.h"
#include "tools/Json.h"
#include "tools/ToolMap.h"

#include <filesystem>
#include <ostream>

namespace vell::tool {

namespace {

using namespace vell::import;

std::string JsonPoint(TGeoPoint p) {
    return TJsonObject().Add("lat", FormatFixed(p.Lat, 6)).Add("lon", FormatFixed(p.Lon, 6)).Str();
}

void PrintImportJson(const TImportReport& r, const std::string& written, std::ostream& out) {
    std::vector<std::string> routes, leftOut, faulty;
    for (const TImportedRoute& route : r.Routes) {
        std::vector<std::string> variants;
        for (TOsmId id : route.Variants)
            variants.push_back(std::to_string(id));
        routes.push_back(
            TJsonObject()
                .AddString("ref", route.Ref)
                .AddString("route", RouteDisplayName(route.Row, route.Column))
                .AddString("slot", RouteDisplayName(route.Row, route.Column))
                .AddString("name", route.Name)
                .AddString("source", route.Source == ELineSource::Track ? "track" : "relation")
                .AddInt("stops", route.Stops)
                .Add("length_m", FormatFixed(route.LengthM, 1))
                .Add("circuit_min", FormatFixed(route.CircuitMinutes, 2))
                .Add("relation_length_m", FormatFixed(route.RelationLengthM, 1))
                .AddInt("relation_stops", route.RelationStops)
                .AddInt("waypoints", route.Waypoints)
                .AddInt("cars", route.Cars)
                .AddInt("interval_min", route.IntervalMinutes)
                .AddBool("loop_at_start", route.LoopAtStart)
                .AddBool("loop_at_end", route.LoopAtEnd)
                .AddBool("cut", route.Cut)
                .AddBool("driven_back", route.DrivenBack)
                .AddBool("one_way_loop", route.OneWayLoop)
                .AddBool("found_way_back", route.FoundWayBack)
                .Add("variants", JsonArray(variants))
                .Str());
    }
    for (const TLeftOut& left : r.LeftOut)
        leftOut.push_back(
            TJsonObject().AddString("what", left.What).AddString("why", left.Why).Str());
    std::vector<std::string> mends, troubles;
    for (const auto& [list, json] : {std::pair{&r.Mends, &mends}, {&r.Troubles, &troubles}})
        for (const TNetworkMend& mend : *list) {
            std::vector<std::string> refs;
            for (const std::string& ref : mend.Refs)
                refs.push_back(JsonString(ref));
            json->push_back(TJsonObject()
                                .AddString("what", mend.What)
                                .Add("lat", FormatDegrees(mend.Place.Lat))
                                .Add("lon", FormatDegrees(mend.Place.Lon))
                                .Add("routes", JsonArray(refs))
                                .Str());
        }
    const TReadCounts& c = r.Read;
    out << TJsonObject()
               .AddString("attribution", Attribution)
               .AddString("extract", r.Extract)
               .AddString("map", written)
               .Add("centre", JsonPoint(r.Centre))
               .Add("south_west", JsonPoint(r.Square.SouthWest))
               .Add("north_east", JsonPoint(r.Square.NorthEast))
               .Add("read", TJsonObject()
                                .Add("track_km", FormatFixed(r.TrackReadM / 1000, 3))
                                .Add("track_in_square_km", FormatFixed(r.TrackInSquareM / 1000, 3))
                                .AddInt("track_ways", c.TrackWays)
                                .AddInt("track_nodes_without_location", c.TrackNodesWithoutLocation)
                                .AddInt("route_relations", c.RouteRelations)
                                .AddInt("route_members_missing", c.RouteMembersMissing)
                                .AddInt("tram_stops", c.TramStops)
                                .AddInt("stop_positions", c.StopPositions)
                                .AddInt("platforms", c.TramPlatforms)
                                .AddInt("buildings", c.Buildings)
                                .AddInt("tree_rows", c.TreeRows)
                                .AddInt("trees", c.Trees)
                                .AddInt("parks", c.Parks)
                                .Str())
               .Add("made", TJsonObject()
                                .AddInt("rails", r.Rails)
                                .Add("rails_km", FormatFixed(r.TrackLengthM / 1000, 3))
                                .AddInt("stop_rails", r.StopRails)
                                .AddInt("loops", r.Loops)
                                .AddInt("crowded_loops", r.CrowdedLoops)
                                .Add("single_track_both_ways_km",
                                     FormatFixed(r.SingleTrackBothWaysM / 1000, 3))
                                .AddInt("borders", r.City.Borders)
                                .AddInt("poles", r.City.Poles)
                                .AddInt("arches", r.City.Arches)
                                .AddInt("buildings", r.City.Buildings)
                                .AddInt("walls", r.City.Walls)
                                .AddInt("high_walls", r.City.HighWalls)
                                .AddInt("tree_rows", r.City.Trees)
                                .AddInt("buildings_left_out", r.City.BuildingsLeftOut)
                                .AddInt("arches_left_out", r.City.ArchesLeftOut)
                                .AddInt("tree_rows_left_out", r.City.TreeRowsLeftOut)
                                .AddInt("walls_cut_at_track", r.City.WallsCutAtTrack)
                                .Str())
               .AddBool("network_ok", r.NetworkResult < 0)
               .Add("faulty_rails", JsonIntArray(r.FaultyRails))
               .Add("routes", JsonArray(routes))
               .Add("left_out", JsonArray(leftOut))
               .Add("mends", JsonArray(mends))
               .Add("run_troubles", JsonArray(troubles))
               .Str()
        << "\n";
}

} // namespace

int RunImport(const TArguments& args, std::ostream& out, std::ostream& err) {
    TImportOptions options;
    if (auto text = args.Value("--center")) {
        TGeoPoint centre;
        if (!ParseCentre(*text, centre)) {
            ReportUsageError(err, "import",
                             "--center takes LAT,LON in degrees, e.g. 49.4094,8.6942");
            return ExitBadInput;
        }
        options.Center = centre;
    }
    if (auto text = args.Value("--routes")) {
        std::string ref;
        for (std::size_t i = 0; i <= text->size(); ++i) {
            if (i == text->size() || (*text)[i] == ',') {
                if (!ref.empty()) options.Routes.push_back(ref);
                ref.clear();
            } else {
                ref += (*text)[i];
            }
        }
        if (options.Routes.empty()) {
            ReportUsageError(err, "import", "--routes takes refs separated by commas, e.g. 1,5,21");
            return ExitBadInput;
        }
    }
    if (auto text = args.Value("--cars")) {
        auto v = ParseInteger(*text, 1, 3);
        if (!v) {
            ReportUsageError(err, "import", "--cars takes 1, 2 or 3");
            return ExitBadInput;
        }
        options.Cars = int(*v);
    }
    if (auto text = args.Value("--interval")) {
        auto v = ParseInteger(*text, 5, 30);
        if (!v) {
            ReportUsageError(err, "import", "--interval takes whole minutes from 5 to 30");
            return ExitBadInput;
        }
        options.IntervalMinutes = int(*v);
    }
    options.Buildings = !args.Has("--no-buildings");

    const std::string& input = args.Positional[0];
    const std::string output = WithDefaultExtension(args.Positional[1], ".vl");
    if (SameFile(input, output)) {
        err << Arg(translate("VellSim", "VellSim: карта %1 записалась бы поверх выписки"), output)
            << "\n";
        return ExitBadInput;
    }
    TImportResult result;
    const TImportStepEnd end =
        RunImportStep(input, [&] { result = ImportCity(TOsmInput::File(input), options); });
    if (end.Stopped()) {
        err << "VellSim: " << end.Error << "\n";
        return ExitBadInput;
    }
    TMap& map = *result.Map;
    map.FileName = output;
    if (TFileFault fault = TFileFault::None; !map.SaveToFile(&fault)) {
        err << WithReason(
                   Arg(translate("VellSim", "VellSim: не удалось записать карту %1"), map.FileName),
                   fault)
            << "\n";
        return ExitBadInput;
    }
    if (args.Has("--json")) {
        PrintImportJson(result.Report, map.FileName, out);
    } else {
        out << ImportReportText(result.Report);
        out << Arg(translate("VellSim", "Карта записана: %1 (объектов: %2)"), map.FileName,
                   std::to_string(map.ObjectCount()))
            << "\n";
    }
    // A map without a route runs nothing: a finding, as a faulty network is.
    // So is a deadlock or an accident the import's runs could not mend.
    const bool sound = result.Report.NetworkResult < 0 && !result.Report.Routes.empty() &&
                       result.Report.Troubles.empty();
    return sound ? ExitOk : ExitFindings;
}

} // namespace vell::tool
