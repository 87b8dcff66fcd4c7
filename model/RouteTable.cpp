// Choosing a map as the game does, and the route table's rows and figures.
#include "model/RouteTable.h"

#include "model/Geometry.h"
#include "model/RouteWalk.h"
#include "model/Texts.h"
#include "model/Units.h"

namespace vell {

std::vector<std::pair<int, int>> RouteTableOrder() {
    std::vector<std::pair<int, int>> order;
    for (int i = 0; i < RouteRows; ++i)
        for (int j : {0, 11, 12})
            order.emplace_back(i, j);
    for (int i = 0; i < RouteRows; ++i)
        for (int j = 1; j <= 10; ++j)
            order.emplace_back(i, j);
    return order;
}

TRouteFigures ComputeRouteFigures(TMap& map, int row, int column) {
    map.LayRoute(row, column);
    map.ComputeSchedule(row, column);
    TRouteRec& route = map.Route(row, column);
    TRouteFigures f;
    f.IntervalMin = route.Interval;
    f.Cars = route.Cars;
    f.Closes = route.Usable;
    // Trains of no car or of more than three are never built, and a route with no interval
    // would need endless trams: such routes are measured but plan and run no trams.
    if (!f.Closes)
        f.Fault = TRouteFault::NoCircuit;
    else if (route.Cars < 1 || route.Cars > 3)
        f.Fault = TRouteFault::BadCars;
    else if (route.Interval == 0)
        f.Fault = TRouteFault::BadInterval;
    else
        f.Fault = TRouteFault::None;
    f.Usable = f.Fault == TRouteFault::None;
    route.StopCount = 0;
    route.TramCount = 0;
    if (!f.Closes) {
        route.RunTime = 0;
        return f;
    }

    const double stops = map.SumAlongRoute(row, column, IsStopMeasure);
    route.StopCount = std::int32_t(RoundHalfEven(stops));
    const double length = map.SumAlongRoute(row, column, Length);

    f.Stops = route.StopCount;
    f.LengthM = int(RoundHalfEven(length));
    if (stops > 0) f.MeanSpacingM = int(RoundHalfEven(length / stops));
    f.CircuitMin = int(RoundHalfEven(route.RunTime / TicksPerMinute));
    if (route.RunTime > 0)
        f.MeanSpeedKmh = int(RoundHalfEven(length / route.RunTime * TicksPerSecond * 3.6));
    if (f.Usable) route.TramCount = TramCountFor(route.RunTime, route.Interval);
    return f;
}

std::string RouteFaultText(TRouteFault fault) {
    switch (fault) {
    case TRouteFault::NoCircuit:
        return translate("RouteTable", "маршрут не замыкается");
    case TRouteFault::BadCars:
        return translate("RouteTable", "неверное число вагонов");
    case TRouteFault::BadInterval:
        return translate("RouteTable", "неверный интервал");
    case TRouteFault::None:
        break;
    }
    return "";
}

std::int32_t TramCountFor(std::int32_t runTime, int intervalMin) {
    const auto count = std::int32_t(RoundHalfEven(runTime / TicksPerMinute / intervalMin));
    return count == 0 ? 1 : count;
}

TMapSelection SelectMap(TMap& map) {
    TMapSelection selection;
    map.FreeNetwork();
    map.ViewX = map.ViewY = -1000; // keeps the view rectangle off the overview
    map.ComputeCatchment();
    selection.NetworkResult = map.BuildNetwork();
    if (selection.NetworkResult != -1) return selection;
    for (auto [i, j] : RouteTableOrder()) {
        if (!map.Route(i, j).InUse()) continue;
        TRouteTableRow row;
        row.Row = i;
        row.Column = j;
        row.Name = RouteName(i, j);
        row.Figures = ComputeRouteFigures(map, i, j);
        selection.TotalTrams += map.Route(i, j).TramCount;
        selection.Rows.push_back(std::move(row));
    }
    return selection;
}

std::vector<std::string> RouteTableHeaders() {
    static const char* const headers[] = {QT_TRANSLATE_NOOP("RouteTable", "№"),
                                          QT_TRANSLATE_NOOP("RouteTable", "Остановок"),
                                          QT_TRANSLATE_NOOP("RouteTable", "Длина (м)"),
                                          QT_TRANSLATE_NOOP("RouteTable", "Ср. перегон"),
                                          QT_TRANSLATE_NOOP("RouteTable", "Время(мин)"),
                                          QT_TRANSLATE_NOOP("RouteTable", "Ср. скорость"),
                                          QT_TRANSLATE_NOOP("RouteTable", "Интервал (мин)"),
                                          QT_TRANSLATE_NOOP("RouteTable", "Вагонов")};
    std::vector<std::string> translated;
    for (const char* header : headers)
        translated.push_back(translate("RouteTable", header));
    return translated;
}

std::vector<std::string> RouteTableCells(const TRouteTableRow& row, const TRouteRec& route) {
    const TRouteFigures& f = row.Figures;
    auto orDash = [](const std::optional<int>& v) { return v ? std::to_string(*v) : "-"; };
    // Interval and cars are shown as they stand unless they are what keeps the route idle.
    const bool badTrains = f.Fault == TRouteFault::BadCars || f.Fault == TRouteFault::BadInterval;
    const std::string interval = badTrains ? "-" : std::to_string(f.IntervalMin);
    const std::string cars = badTrains ? "-" : std::to_string(f.Cars);
    if (!f.Closes) return {row.Name, "-", "-", "-", "-", "-", interval, cars};
    return {row.Name,
            std::to_string(route.StopCount),
            std::to_string(f.LengthM),
            orDash(f.MeanSpacingM),
            std::to_string(f.CircuitMin),
            orDash(f.MeanSpeedKmh),
            interval,
            cars};
}

} // namespace vell
