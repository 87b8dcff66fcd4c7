// The import's steps in order: circuits, rails, network check, routes.
#include "import/Import.h"

#include "import/RouteLaying.h"
#include "import/TrackSquare.h"
#include "model/RouteTable.h"
#include "model/Texts.h"
#include "model/Units.h"

#include <algorithm>
#include <cmath>
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
    auto inside = [](TPointM p) {
        return p.X >= 0 && p.Y >= 0 && p.X <= SquareSide && p.Y <= SquareSide;
    };
    double unused = 0;
    for (const auto& [a, neighbours] : graph.Neighbours)
        for (TOsmId b : neighbours) {
            if (b <= a || used.count({a, b})) continue;
            const TPointM pa = graph.Points.at(a), pb = graph.Points.at(b);
            if (inside(pa) && inside(pb)) unused += std::hypot(pb.X - pa.X, pb.Y - pa.Y);
        }
    return unused;
}

} // namespace

TImportResult BuildTramMap(const TOsmExtract& network, const TProjection& projection,
                           const TImportOptions& options) {
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
    report.LeftOut = circuits.LeftOut;
    report.UnusedTrackM = UnusedTrack(graph, circuits.Plans);
    if (report.UnusedTrackM >= 100)
        report.LeftOut.push_back(
            {translate("Import", "пути без маршрутов"),
             Arg(translate("Import", "%1 км в квадрате: депо, служебные пути и пути, по которым не "
                                     "идёт ни один взятый маршрут"),
                 FormatFixed(report.UnusedTrackM / 1000, 1))});

    const TRailNetwork rails = LayRails(map, graph, circuits.Plans);
    report.Rails = rails.Rails;
    report.StopRails = rails.StopRails;
    report.Loops = rails.Loops;
    report.CrowdedLoops = rails.CrowdedLoops;
    report.SingleTrackBothWaysM = rails.SingleTrackBothWays;
    report.TrackLengthM = rails.TrackLength;
    report.LeftOut.insert(report.LeftOut.end(), rails.LeftOut.begin(), rails.LeftOut.end());

    map.FreeNetwork();
    report.NetworkResult = map.BuildNetwork();
    for (int i = 0; i < map.ObjectCount(); ++i)
        if (map.Objects[i].IsRail() && map.Objects[i].Selected()) report.FaultyRails.push_back(i);
    map.ClearMarks();

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
    const TCircuits circuits =
        PlanCircuits(network, BuildTrackGraph(network, projection), projection, circuitOptions);
    for (const TCircuitPlan& plan : circuits.Plans)
        preview.Routes.push_back({plan.Ref, plan.Name, plan.Row, plan.Column, plan.RelationLength,
                                  plan.RelationStops, ""});
    for (const TLeftOut& left : circuits.LeftOut)
        if (!left.Ref.empty())
            preview.Routes.push_back({left.Ref, left.Ref, -1, -1, 0, 0, left.Why});
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
    TImportResult result = BuildTramMap(network, projection, options);
    TImportReport& report = result.Report;
    TMap& map = *result.Map;

    // The city goes after the rails, which keep their numbers: the network and the routes are
    // laid again only so that they know of every object.
    step(EImportStage::LayingTrack, 1);
    ReadCity(input, SquareBox(projection), network, progress);
    step(EImportStage::BuildingCity, 0);
    report.Read = network.Counts;
    report.City = AddCity(map, network, projection, options.Buildings);
    map.FreeNetwork();
    if (map.BuildNetwork() != report.NetworkResult)
        throw std::logic_error("the city changed the rail network");
    map.ClearMarks();
    for (const TImportedRoute& route : report.Routes) {
        map.LayRoute(route.Row, route.Column);
        NameLine(map, route.Row, route.Column, route.Name);
    }
    report.Extract = input.Name();
    report.Centre = projection.Centre();
    report.TrackReadM = TrackLength(network);
    report.TrackInSquareM = inSquare;
    step(EImportStage::BuildingCity, 1);
    return result;
}

} // namespace vell::import
