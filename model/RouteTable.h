// Selecting a map as the game does, and the route table with its figures.
#pragma once

#include "model/Map.h"

#include <optional>
#include <string>
#include <vector>

namespace vell {

// Why a route listed in the table runs no trams.
enum class TRouteFault {
    None,
    NoCircuit,   // its walk does not close: no figures either
    BadCars,     // Cars is not 1..3 (only from hand-made or damaged files)
    BadInterval, // Interval is 0
};
// The reason as VellSim prints it beside the row ("маршрут не замыкается"); empty for None.
std::string RouteFaultText(TRouteFault fault);

struct TRouteFigures {
    int Stops = 0;                   // StopCount
    int LengthM = 0;                 // rounded
    std::optional<int> MeanSpacingM; // none ("-") without stops
    int CircuitMin = 0;
    std::optional<int> MeanSpeedKmh; // none ("-") when RunTime is 0
    int IntervalMin = 0;
    int Cars = 0;
    bool Usable = false; // runs trams: the walk closes and Cars and Interval are sound
    bool Closes = false; // the walk closes: the figures above are known
    TRouteFault Fault = TRouteFault::NoCircuit;
};

struct TRouteTableRow {
    int Row = 0, Column = 0; // the route slot
    std::string Name;        // as the table writes it: "1 " keeps its blank
    TRouteFigures Figures;
};

struct TMapSelection {
    int NetworkResult = -1; // BuildNetwork's result
    std::vector<TRouteTableRow> Rows;
    int TotalTrams = 0;
};

// The route table's slot order: 1, 1А, 1Б, 2, ..., 9Б, then 10..19, ..., 90..99.
std::vector<std::pair<int, int>> RouteTableOrder();

// Trams a route runs: its circuit in minutes over its interval, rounded, and at least one.
// The interval must not be 0.
std::int32_t TramCountFor(std::int32_t runTime, int intervalMin);

// Lays and times one slot and computes its figures (also StopCount and TramCount).
TRouteFigures ComputeRouteFigures(TMap& map, int row, int column);

// What choosing a map in the game does after opening it: catchments, network, every route laid
// with its figures, in table order. The view origin moves off the overview (-1000, -1000).
TMapSelection SelectMap(TMap& map);

// The table's column headers: "№", "Остановок", ...
std::vector<std::string> RouteTableHeaders();
// The texts of one row's eight cells, "-" where a figure is missing.
std::vector<std::string> RouteTableCells(const TRouteTableRow& row, const TRouteRec& route);

} // namespace vell
