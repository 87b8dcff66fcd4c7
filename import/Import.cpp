// The import's steps in order: circuits, rails, network check, routes.
#include "import/Import.h"

#include "import/NetworkMend.h"
#include "import/RouteLaying.h"
#include "import/RunCheck.h"
#include "import/TrackLines.h"
#include "import/TrackSquare.h"
#include "model/Geometry.h"
#include "model/RouteTable.h"
#include "model/Texts.h"
#include "model/Units.h"
#include "model/Utf8.h"

#include <algorithm>
#include <cmath>
#include <future>
#include <optional>
#include <set>
#include <stdexcept>

namespace vell::import {

std::string FormatDegrees(double degrees) {
    return FormatFixed(degrees, 5);
}

namespace {

// Metres of the track in the square that no plan's direction runs on.
double UnusedTrack(const TTrackGraph& graph, const std::vector<TCircuitPlan>& plans) {
    std::set<std::pair<TOsmId, TOsmId>> used;
    for (const TCircuitPlan& plan : plans)
        for (const TDirection* d : {&plan.Forward, &plan.Backward})
            for (std::size_t k = 0; k + 1 < d->Nodes.size(); ++k)
                used.insert(std::minmax(d->Nodes[k], d->Nodes[k + 1]));
    double unused = 0;
    for (const auto& [a, neighbours] : graph.Neighbours)
        for (TOsmId b : neighbours) {
            if (b <= a || used.count({a, b})) continue;
            const TPointM pa = graph.Points.at(a), pb = graph.Points.at(b);
            if (InsideMargin(pa, 0) && InsideMargin(pb, 0))
                unused += std::hypot(pb.X - pa.X, pb.Y - pa.Y);
        }
    return unused;
}

// The city added to a map of rails, and the network and the routes laid again over it.
void AddCityAndRoutes(TImportResult& result, const TOsmExtract& network,
                      const TProjection& projection, const TImportOptions& options) {
    TImportReport& report = result.Report;
    TMap& map = *result.Map;
    report.Read = network.Counts;
    report.City = AddCity(map, network, projection, options.Buildings, &map.Extras.Look);
    map.FreeNetwork();
    if (map.BuildNetwork() != report.NetworkResult)
        throw std::logic_error("the city changed the rail network");
    map.ClearMarks();
    for (const TImportedRoute& route : report.Routes) {
        map.LayRoute(route.Row, route.Column);
        NameLine(map, route.Row, route.Column, route.Name);
    }
}

// Two runs of two hours, on two threads: most jams of our own making show within the first
// (the deadlocks of five cities formed at minutes 12-150 of 180), and together they cost about
// as much as one four-hour run, 0.3-0.9 s of CPU on a city centre of up to 24 trams. A map of
// more trams runs shorter (down to half an hour), so that the check costs no more on a whole
// city's network.
const TRunCheckPlan RunCheck{{1, 2}, 120, 120 * 24, 30};
// Places kept clear for jams; past them a jam costs its worst line at once, until the runs are
// clear, the rounds are spent or only one line is left, whose jam is then reported as it stands.
constexpr int MostClearZones = 4;
constexpr int MostJamRounds = 16;
constexpr double MostZoneRadius = 100; // metres: a wider jam is a line too many there

std::vector<std::string> RefsOfSlots(const TImportReport& report,
                                     const std::vector<std::pair<int, int>>& slots) {
    std::vector<std::string> refs;
    for (auto [row, col] : slots)
        for (const TImportedRoute& route : report.Routes)
            if (route.Row == row && route.Column == col) refs.push_back(route.Ref);
    return refs;
}

std::string TroubleWords(const TRunTrouble& trouble) {
    return trouble.Accident ? translate("Import", "авария")
                            : translate("Import", "трамваи вечно ждут друг друга");
}

TNetworkMend DescribeTrouble(const TRunTrouble& trouble, const TImportReport& report,
                             const TProjection& projection) {
    return {ArgList(translate("Import", "%1 на %2-й минуте прогона (зерно %3)"),
                    {TroubleWords(trouble), FormatFixed(trouble.Minute, 0),
                     std::to_string(trouble.Seed)}),
            PlaceOf(projection, trouble.X, trouble.Y), RefsOfSlots(report, trouble.Slots)};
}

// Where a deadlock formed: the rails its trams wait for, and 30 m around them.
struct TClearZone {
    double X = 0, Y = 0, Radius = 0;
};

TClearZone ZoneOf(const TMap& map, const TRunTrouble& trouble) {
    TClearZone zone{trouble.X, trouble.Y, 0};
    for (int r : trouble.Rails) {
        const TMapObject& o = map.Objects[std::size_t(r)];
        zone.Radius = std::max({zone.Radius, std::hypot(o.X1 - zone.X, o.Y1 - zone.Y),
                                std::hypot(o.X2 - zone.X, o.Y2 - zone.Y)});
    }
    zone.Radius += 30;
    return zone;
}

// No tram comes to rest on a rail of the zone: it goes through or waits before it.
void KeepZoneClear(TMap& map, const TClearZone& zone) {
    for (TMapObject& o : map.Objects)
        if (o.IsRail() &&
            PointSegmentDistSq(zone.X, zone.Y, o.X1, o.Y1, o.X2, o.Y2) <= zone.Radius * zone.Radius)
            o.SetKeepClear(true);
}

// The line whose trams make most of the jam; of equals, the last in the table.
TLineLeftOut LineToLeaveOut(const TRunTrouble& trouble, const TImportReport& report,
                            const TProjection& projection) {
    std::size_t worst = 0;
    for (std::size_t k = 1; k < trouble.Slots.size(); ++k)
        if (trouble.TramsOfSlot[k] >= trouble.TramsOfSlot[worst]) worst = k;
    const auto [row, col] = trouble.Slots[worst];
    std::string ref;
    for (const TImportedRoute& route : report.Routes)
        if (route.Row == row && route.Column == col) ref = route.Ref;
    const TGeoPoint place = PlaceOf(projection, trouble.X, trouble.Y);
    return {row,
            col,
            {Arg(translate("Import", "маршрут %1"), ref),
             ArgList(translate("Import", "у %1, %2: %3"),
                     {FormatDegrees(place.Lat), FormatDegrees(place.Lon),
                      DescribeTrouble(trouble, report, projection).What}),
             ref}};
}

} // namespace

TImportResult BuildTramMap(const TOsmExtract& network, const TProjection& projection,
                           const TImportOptions& options,
                           const std::vector<TLineLeftOut>& leaveOut) {
    TImportResult result;
    result.Map = std::make_unique<TMap>();
    TMap& map = *result.Map;
    TImportReport& report = result.Report;
    report.Square = SquareBox(projection);
    report.Read = network.Counts;

    const TTrackGraph graph = BuildTrackGraph(network, projection);
    TCircuitOptions circuitOptions;
    circuitOptions.Refs = options.Routes;
    circuitOptions.IntervalMinutes = options.IntervalMinutes;
    TCircuits circuits = PlanCircuits(network, graph, projection, circuitOptions);
    AddTrackLines(network, graph, projection, circuitOptions, circuits);
    report.LeftOut = circuits.LeftOut;
    for (const TLineLeftOut& left : leaveOut)
        for (std::size_t p = 0; p < circuits.Plans.size(); ++p)
            if (circuits.Plans[p].Row == left.Row && circuits.Plans[p].Column == left.Column) {
                report.LeftOut.push_back(left.Why);
                circuits.Plans.erase(circuits.Plans.begin() + long(p));
                break;
            }
    report.UnusedTrackM = UnusedTrack(graph, circuits.Plans);
    if (report.UnusedTrackM >= 100)
        report.LeftOut.push_back(
            {translate("Import", "пути без маршрутов"),
             Arg(translate("Import", "%1 км в квадрате: депо, служебные пути и пути, по которым не "
                                     "идёт ни один взятый маршрут"),
                 FormatFixed(report.UnusedTrackM / 1000, 1))});

    TMendedRails mended = LayMendedRails(map, graph, circuits.Plans, projection);
    const TRailNetwork& rails = mended.Rails;
    report.Mends = mended.Mends;
    report.LeftOut.insert(report.LeftOut.end(), mended.LeftOut.begin(), mended.LeftOut.end());
    report.Rails = rails.Rails;
    report.StopRails = rails.StopRails;
    report.Loops = rails.Loops;
    report.CrowdedLoops = rails.CrowdedLoops;
    report.SingleTrackBothWaysM = rails.SingleTrackBothWays;
    report.TrackLengthM = rails.TrackLength;
    report.LeftOut.insert(report.LeftOut.end(), rails.LeftOut.begin(), rails.LeftOut.end());

    report.NetworkResult = mended.NetworkResult;
    report.FaultyRails = mended.FaultyRails;
    if (map.NetworkOk) MarkKeepClear(map);

    for (std::size_t p = 0; p < circuits.Plans.size(); ++p) {
        const TCircuitPlan& plan = circuits.Plans[p];
        const TLaidCircuit& laid = rails.Circuits[p];
        const std::string what = Arg(translate("Import", "маршрут %1"), plan.Ref);
        if (laid.Failed) {
            report.LeftOut.push_back({what, laid.Why, plan.Ref});
            continue;
        }
        if (!map.NetworkOk) {
            report.LeftOut.push_back(
                {what, translate("Import", "рельсовая сеть не прошла проверку"), plan.Ref});
            continue;
        }
        const TRouteLaid set = SetRouteToCircuit(map, plan.Row, plan.Column, laid.Rails,
                                                 options.Cars, plan.IntervalMinutes);
        if (!set.Ok) {
            report.LeftOut.push_back({what, set.Why, plan.Ref});
            continue;
        }
        TImportedRoute route;
        route.Ref = plan.Ref;
        route.Name = plan.Name;
        route.Source = plan.Source;
        route.Row = plan.Row;
        route.Column = plan.Column;
        const TRouteFigures figures = ComputeRouteFigures(map, plan.Row, plan.Column);
        route.Stops = figures.Stops;
        route.LengthM = figures.LengthM;
        route.CircuitMinutes = map.Route(plan.Row, plan.Column).RunTime / TicksPerMinute;
        route.RelationLengthM = plan.RelationLength;
        route.RelationStops = plan.RelationStops;
        route.Waypoints = set.Waypoints;
        route.LoopAtStart = laid.LoopAtStart;
        route.LoopAtEnd = laid.LoopAtEnd;
        route.DrivenBack = plan.BackwardReversed;
        route.OneWayLoop = plan.OneWayLoop;
        route.FoundWayBack = plan.BackwardFound;
        route.Cut = plan.CutAtSquare;
        route.Cars = options.Cars;
        route.IntervalMinutes = plan.IntervalMinutes;
        route.Variants = plan.Variants;
        report.Routes.push_back(route);
    }
    map.Modified = true;
    return result;
}

TImportPreview PreviewImport(const TOsmExtract& network, const TImportOptions& options) {
    const TProjection projection(SquareCentre(network, options.Center));
    TImportPreview preview;
    preview.Centre = projection.Centre();
    preview.Square = SquareBox(projection);
    preview.TrackInSquareM = TrackLengthInSquare(network, projection);
    TCircuitOptions circuitOptions;
    circuitOptions.Refs = options.Routes;
    circuitOptions.IntervalMinutes = options.IntervalMinutes;
    const TTrackGraph graph = BuildTrackGraph(network, projection);
    TCircuits circuits = PlanCircuits(network, graph, projection, circuitOptions);
    AddTrackLines(network, graph, projection, circuitOptions, circuits);
    for (const TCircuitPlan& plan : circuits.Plans)
        preview.Routes.push_back({plan.Ref, plan.Name, plan.Row, plan.Column, plan.RelationLength,
                                  plan.RelationStops, ""});
    for (const TLeftOut& left : circuits.LeftOut)
        if (!left.Ref.empty())
            preview.Routes.push_back(
                {left.Ref, CutUtf8(left.Ref, LineNameLength), -1, -1, 0, 0, left.Why});
    return preview;
}

TImportResult ImportCity(const TOsmInput& input, const TImportOptions& options,
                         TImportProgress* progress) {
    return ImportFromNetwork(ReadTramNetwork(input, progress), input, options, progress);
}

TImportResult ImportFromNetwork(TOsmExtract network, const TOsmInput& input,
                                const TImportOptions& options, TImportProgress* progress) {
    auto step = [progress](EImportStage stage, double within) {
        if (!progress) return;
        progress->Check();
        progress->Report(stage, within);
    };
    step(EImportStage::LayingTrack, 0);
    const TProjection projection(SquareCentre(network, options.Center));
    const double inSquare = TrackLengthInSquare(network, projection);
    if (inSquare <= 0)
        throw TReadError(Arg(translate("Import", "В квадрате 10 км вокруг %1, %2 нет трамвайных "
                                                 "путей выписки %3."),
                             FormatDegrees(projection.Centre().Lat),
                             FormatDegrees(projection.Centre().Lon), input.Name()));
    // Without a progress to report to, the city is read while the rails are laid (two cores
    // at work): into an extract of its own, which then gives the network's extract the city as
    // reading it there would have. Its error, if any, comes after the rails, as it would.
    std::future<TOsmExtract> city;
    if (!progress)
        city = std::async(std::launch::async, [&input, box = SquareBox(projection)] {
            TOsmExtract read;
            ReadCity(input, box, read);
            return read;
        });
    TImportResult result = BuildTramMap(network, projection, options);
    // The city goes after the rails, which keep their numbers: the network and the routes are
    // laid again only so that they know of every object.
    step(EImportStage::LayingTrack, 1);
    if (city.valid()) {
        TOsmExtract read = city.get();
        network.Buildings = std::move(read.Buildings);
        network.TreeRows = std::move(read.TreeRows);
        network.Parks = std::move(read.Parks);
        network.Trees = std::move(read.Trees);
        network.Streets = std::move(read.Streets);
        network.Areas = std::move(read.Areas);
        network.AreasLeftOpen = read.AreasLeftOpen;
        network.Counts.Buildings = read.Counts.Buildings;
        network.Counts.BuildingsClipped = read.Counts.BuildingsClipped;
        network.Counts.Trees = read.Counts.Trees;
        network.Counts.TreeRows = read.Counts.TreeRows;
        network.Counts.Parks = read.Counts.Parks;
    } else {
        ReadCity(input, SquareBox(projection), network, progress);
    }
    step(EImportStage::BuildingCity, 0);
    // The trams run before the map is handed over; a line whose trams jam for good or crash is
    // left out and the rest laid again, a few rounds at most.
    std::vector<TLineLeftOut> jammed;
    std::vector<TNetworkMend> jamMends;
    std::vector<TClearZone> zones;
    std::optional<TRunTrouble> lastZone; // the jam the last zone was made for, until checked
    for (int round = 0;; ++round) {
        if (progress) progress->Check();
        if (round > 0) result = BuildTramMap(network, projection, options, jammed);
        for (const TClearZone& zone : zones)
            KeepZoneClear(*result.Map, zone);
        AddCityAndRoutes(result, network, projection, options);
        TImportReport& report = result.Report;
        report.Mends.insert(report.Mends.end(), jamMends.begin(), jamMends.end());
        if (!result.Map->NetworkOk || report.Routes.empty()) break;
        const std::optional<TRunTrouble> trouble = FindRunTrouble(*result.Map, RunCheck);
        if (!trouble) break;
        if (round == MostJamRounds || report.Routes.size() == 1) {
            report.Troubles.push_back(DescribeTrouble(*trouble, report, projection));
            break;
        }
        // A deadlock is first given a place where no tram may stop; one that forms there
        // again costs a line.
        // A zone after which trams crash is taken back: the jam it was for costs its line.
        std::optional<TRunTrouble> jam = trouble;
        const bool zoneTakenBack = trouble->Accident && lastZone;
        if (zoneTakenBack) {
            zones.pop_back();
            jamMends.pop_back();
            jam = lastZone;
        }
        lastZone.reset();
        const TClearZone zone = ZoneOf(*result.Map, *jam);
        const bool known = std::any_of(zones.begin(), zones.end(), [&](const TClearZone& z) {
            return std::hypot(z.X - zone.X, z.Y - zone.Y) <= z.Radius;
        });
        if (!jam->Accident && !known && !zoneTakenBack && zone.Radius <= MostZoneRadius &&
            int(zones.size()) < MostClearZones) {
            zones.push_back(zone);
            lastZone = jam;
            jamMends.push_back(
                {Arg(translate("Import", "трамваи здесь вечно ждали друг друга (зерно %1): на "
                                         "путях в %2 м вокруг им не дано останавливаться"),
                     std::to_string(trouble->Seed), FormatFixed(zone.Radius, 0)),
                 PlaceOf(projection, zone.X, zone.Y), RefsOfSlots(report, trouble->Slots)});
            continue;
        }
        jammed.push_back(LineToLeaveOut(*jam, report, projection));
        TNetworkMend mend = DescribeTrouble(*jam, report, projection);
        mend.What =
            Arg(translate("Import", "маршрут %1 не взят: %2"), jammed.back().Why.Ref, mend.What);
        jamMends.push_back(mend);
    }
    TImportReport& report = result.Report;
    report.Extract = input.Name();
    report.Centre = projection.Centre();
    report.TrackReadM = TrackLength(network);
    report.TrackInSquareM = inSquare;
    step(EImportStage::BuildingCity, 1);
    return result;
}

} // namespace vell::import
