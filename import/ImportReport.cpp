// The import's report as text.
#include "import/ImportReport.h"

#include "model/Route.h"
#include "model/Texts.h"

#include <sstream>

namespace vell::import {

namespace {

std::string Km(double metres) {
    return FormatFixed(metres / 1000, 1);
}

std::string Count(long long n) {
    return std::to_string(n);
}

std::string Point(TGeoPoint p) {
    return FormatDegrees(p.Lat) + ", " + FormatDegrees(p.Lon);
}

} // namespace

std::string RouteNotes(const TImportedRoute& route) {
    std::vector<std::string> notes;
    if (route.LoopAtStart) notes.push_back(translate("Import", "кольцо в начале"));
    if (route.LoopAtEnd) notes.push_back(translate("Import", "кольцо в конце"));
    if (route.Cut) notes.push_back(translate("Import", "обрезан краем квадрата или выписки"));
    if (route.Source == ELineSource::Track)
        notes.push_back(translate("Import", "сделан по путям, в обе стороны"));
    else if (route.DrivenBack)
        notes.push_back(translate("Import", "один маршрут OSM в обе стороны, путь сделан двойным"));
    if (route.OneWayLoop) notes.push_back(translate("Import", "кольцевой, в одну сторону"));
    if (route.FoundWayBack)
        notes.push_back(translate("Import", "один маршрут OSM, его пути односторонние: обратно "
                                            "по кратчайшему пути"));
    if (!route.Variants.empty()) {
        std::string ids;
        for (TOsmId id : route.Variants)
            ids += (ids.empty() ? "" : ", ") + std::to_string(id);
        notes.push_back(Arg(translate("Import", "не взяты варианты: %1"), ids));
    }
    std::string text;
    for (const std::string& note : notes)
        text += (text.empty() ? "" : "; ") + note;
    return text;
}

std::string MendText(const TNetworkMend& mend) {
    std::string refs;
    for (const std::string& ref : mend.Refs)
        refs += (refs.empty() ? "" : ", ") + ref;
    std::string text = Point(mend.Place) + ": " + mend.What;
    if (!refs.empty()) text += " (" + Arg(translate("Import", "маршруты %1"), refs) + ")";
    return text;
}

std::string ImportReportText(const TImportReport& r) {
    std::ostringstream out;
    out << Attribution << "\n";
    out << Arg(translate("Import", "Выписка: %1"), r.Extract) << "\n";
    out << Arg(translate("Import", "Квадрат 10 x 10 км: центр %1; юго-запад %2; северо-восток %3"),
               Point(r.Centre), Point(r.Square.SouthWest), Point(r.Square.NorthEast))
        << "\n";
    out << ArgList(translate("Import",
                             "Прочитано: трамвайных путей %1 км (в квадрате %2 км, "
                             "%3 линий OSM), маршрутов OSM %4, остановок %5, платформ %6"),
                   {Km(r.TrackReadM), Km(r.TrackInSquareM), Count(r.Read.TrackWays),
                    Count(r.Read.RouteRelations), Count(r.Read.TramStops + r.Read.StopPositions),
                    Count(r.Read.TramPlatforms)})
        << "\n";
    if (r.Read.TrackNodesWithoutLocation > 0 || r.Read.RouteMembersMissing > 0)
        out << Arg(translate("Import", "Выписка обрезана: точек путей без координат %1, членов "
                                       "маршрутов нет в файле %2"),
                   Count(r.Read.TrackNodesWithoutLocation), Count(r.Read.RouteMembersMissing))
            << "\n";
    out << ArgList(translate("Import",
                             "В квадрате: зданий %1, рядов деревьев %2, деревьев %3, парков %4"),
                   {Count(r.Read.Buildings), Count(r.Read.TreeRows), Count(r.Read.Trees),
                    Count(r.Read.Parks)})
        << "\n";
    // Each count in its own words, so that the English says "1 route" and "2 routes".
    out << ArgList(translate("Import", "Сделано: %1 (%2 км), %3, %4, %5"),
                   {translate("Import", "рельсов %n", nullptr, r.Rails), Km(r.TrackLengthM),
                    translate("Import", "остановок %n", nullptr, r.StopRails),
                    translate("Import", "разворотных колец %n", nullptr, r.Loops),
                    translate("Import", "маршрутов %n", nullptr, int(r.Routes.size()))})
        << "\n";
    if (r.SingleTrackBothWaysM >= 1)
        out << Arg(translate("Import",
                             "Однопутные участки, по которым трамваи ходят в обе стороны, "
                             "сделаны двухпутными: %1 км"),
                   FormatFixed(r.SingleTrackBothWaysM / 1000, 2))
            << "\n";
    if (r.CrowdedLoops > 0)
        out << Arg(translate("Import",
                             "Разворотных колец, пересекающих другие пути или идущих ближе "
                             "5 м от них: %1 (там трамваи могут ждать друг друга)"),
                   Count(r.CrowdedLoops))
            << "\n";
    const TCityMade& c = r.City;
    out << ArgList(translate("Import",
                             "Город: бордёров %1, столбов %2, арок %3, зданий %4 (стен %5, "
                             "высоких стен %6), рядов деревьев %7"),
                   {Count(c.Borders), Count(c.Poles), Count(c.Arches), Count(c.Buildings),
                    Count(c.Walls), Count(c.HighWalls), Count(c.Trees)})
        << "\n";
    if (c.BuildingsLeftOut > 0 || c.ArchesLeftOut > 0 || c.TreeRowsLeftOut > 0)
        out << ArgList(
                   translate("Import", "Не поместилось в 65535 объектов: зданий %1, арок %2, "
                                       "рядов деревьев %3 (дальние от путей)"),
                   {Count(c.BuildingsLeftOut), Count(c.ArchesLeftOut), Count(c.TreeRowsLeftOut)})
            << "\n";
    if (c.WallsCutAtTrack > 0)
        out << Arg(translate("Import", "Стен зданий, укороченных у путей: %1"),
                   Count(c.WallsCutAtTrack))
            << "\n";
    if (r.NetworkResult < 0) {
        out << translate("Import", "Рельсовая сеть: в порядке") << "\n";
    } else {
        std::string rails;
        for (int i : r.FaultyRails)
            rails += (rails.empty() ? "" : ", ") + std::to_string(i);
        out << Arg(translate("Import", "Рельсовая сеть с ошибками, рельсы: %1"), rails) << "\n";
    }
    if (!r.Mends.empty()) {
        out << translate("Import", "Исправлено на месте, чтобы сеть прошла проверку и трамваи "
                                   "не ждали друг друга вечно:")
            << "\n";
        for (const TNetworkMend& mend : r.Mends)
            out << "  " << MendText(mend) << "\n";
    }
    if (!r.Troubles.empty()) {
        out << translate("Import", "Прогон трамваев на карте нашёл то, что исправить не удалось:")
            << "\n";
        for (const TNetworkMend& trouble : r.Troubles)
            out << "  " << MendText(trouble) << "\n";
    }
    if (r.Routes.empty()) {
        out << translate("Import", "Ни один маршрут не взят: на карте нет маршрутов") << "\n";
    } else {
        out << translate("Import", "Маршруты (остановок, длина, круг; по данным OSM: длина "
                                   "путей в квадрате, остановок):")
            << "\n";
        for (const TImportedRoute& route : r.Routes) {
            const std::string source = route.Source == ELineSource::Track
                                           ? translate("Import", "сделан по путям")
                                           : translate("Import", "из отношений OSM");
            out << "  "
                << ArgList(translate("Import", "%1 «%2» (%3)"),
                           {RouteDisplayName(route.Row, route.Column), route.Name, source})
                << ": "
                << ArgList(translate("Import", "%1 ост., %2 км, %3 мин; OSM: %4 км, %5 ост."),
                           {Count(route.Stops), Km(route.LengthM),
                            FormatFixed(route.CircuitMinutes, 1), Km(route.RelationLengthM),
                            Count(route.RelationStops)});
            if (const std::string notes = RouteNotes(route); !notes.empty())
                out << " (" << notes << ")";
            out << "\n";
        }
    }
    if (!r.LeftOut.empty()) {
        out << translate("Import", "Не взято:") << "\n";
        for (const TLeftOut& left : r.LeftOut)
            out << "  " << left.What << ": " << left.Why << "\n";
    }
    return out.str();
}

} // namespace vell::import
