// Jams and deadlocks in words.
#include "JamText.h"

#include "Units.h"

#include <cstdio>

namespace vell {

namespace {

std::string OneDecimal(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    return buf;
}

// A coordinate that is a whole number or a half: "5100" or "6143.5".
std::string Coordinate(double v) {
    const long long whole = static_cast<long long>(v);
    return v == double(whole) ? std::to_string(whole) : OneDecimal(v);
}

std::string TramAndRoute(const TBlockedTram& t) {
    return "поезд " + std::to_string(t.Number) + ", маршрут " + RouteDisplayName(t.Row, t.Col);
}

std::string RailAndPlace(const TMap& map, int rail) {
    std::string text = "путь " + std::to_string(rail);
    if (rail >= 0 && std::size_t(rail) < map.Objects.size()) {
        const TMapObject& o = map.Objects[std::size_t(rail)];
        text += " (" + Coordinate((o.X1 + o.X2) / 2.0) + ", " + Coordinate((o.Y1 + o.Y2) / 2.0) +
                ")";
    }
    return text;
}

std::string WaitsFor(int heldBy, bool past) {
    const std::string verb = past ? "ждал" : "ждёт";
    return heldBy != 0 ? verb + " поезд " + std::to_string(heldBy) : verb + ": никто";
}

} // namespace

std::string StepsAsMinutes(long long steps) { return OneDecimal(steps / TicksPerMinute); }

std::string BlockedTramLine(const TMap& map, const TBlockedTram& t) {
    std::string text = TramAndRoute(t) + ": " + RailAndPlace(map, t.Rail);
    if (t.Since >= 0) text += ", с " + StepsAsMinutes(t.Since) + " мин";
    return text + ", " + WaitsFor(t.HeldBy, false);
}

std::string EpisodeLine(const TMap& map, const TJamEpisode& e) {
    return TramAndRoute(e.Tram) + ": " + RailAndPlace(map, e.Tram.Rail) + ", с " +
           StepsAsMinutes(e.Tram.Since) + " мин " + (e.Ongoing ? "стоит " : "стоял ") +
           StepsAsMinutes(e.Steps) + " мин, " + WaitsFor(e.Tram.HeldBy, !e.Ongoing);
}

std::string DeadlockLine(const TDeadlock& d) {
    std::string text = d.Formed >= 0 ? "с " + StepsAsMinutes(d.Formed) + " мин: " : "";
    for (const TBlockedTram& t : d.Trams)
        text += "поезд " + std::to_string(t.Number) + " (маршрут " +
                RouteDisplayName(t.Row, t.Col) + ", путь " + std::to_string(t.Rail) + ") → ";
    if (!d.Trams.empty()) text += "поезд " + std::to_string(d.Trams[0].Number);
    return text;
}

std::string JamPictureText(const TMap& map, const TJamPicture& picture,
                           const std::string& newline) {
    std::string text;
    if (picture.Blocked.empty()) {
        text += "Стоящих поездов нет" + newline;
    } else {
        text += "Стоят сейчас:" + newline;
        for (const TBlockedTram& t : picture.Blocked)
            text += "  " + BlockedTramLine(map, t) + newline;
    }
    if (picture.Deadlocks.empty()) {
        text += "Взаимных блокировок нет" + newline;
    } else {
        text += "Взаимные блокировки:" + newline;
        for (const TDeadlock& d : picture.Deadlocks) text += "  " + DeadlockLine(d) + newline;
    }
    return text;
}

} // namespace vell
