// Jams and deadlocks in words.
#include "sim/JamText.h"

#include "model/Texts.h"
#include "model/Units.h"

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
    return Arg(translate("Jams", "поезд %1, маршрут %2"), std::to_string(t.Number),
               RouteDisplayName(t.Row, t.Col));
}

std::string RailAndPlace(const TMap& map, int rail) {
    std::string text = Arg(translate("Jams", "путь %1"), std::to_string(rail));
    if (rail >= 0 && std::size_t(rail) < map.Objects.size()) {
        const TMapObject& o = map.Objects[std::size_t(rail)];
        text +=
            " (" + Coordinate((o.X1 + o.X2) / 2.0) + ", " + Coordinate((o.Y1 + o.Y2) / 2.0) + ")";
    }
    return text;
}

std::string WaitsFor(int heldBy, bool past) {
    if (heldBy == 0)
        return past ? translate("Jams", "ждал: никто") : translate("Jams", "ждёт: никто");
    return Arg(past ? translate("Jams", "ждал поезд %1") : translate("Jams", "ждёт поезд %1"),
               std::to_string(heldBy));
}

} // namespace

std::string StepsAsMinutes(long long steps) {
    return OneDecimal(steps / TicksPerMinute);
}

std::string BlockedTramLine(const TMap& map, const TBlockedTram& t) {
    std::string text = TramAndRoute(t) + ": " + RailAndPlace(map, t.Rail);
    if (t.Since >= 0) text += Arg(translate("Jams", ", с %1 мин"), StepsAsMinutes(t.Since));
    return text + ", " + WaitsFor(t.HeldBy, false);
}

std::string EpisodeLine(const TMap& map, const TJamEpisode& e) {
    const std::string stand = e.Ongoing ? translate("Jams", ", с %1 мин стоит %2 мин, ")
                                        : translate("Jams", ", с %1 мин стоял %2 мин, ");
    return TramAndRoute(e.Tram) + ": " + RailAndPlace(map, e.Tram.Rail) +
           Arg(stand, StepsAsMinutes(e.Tram.Since), StepsAsMinutes(e.Steps)) +
           WaitsFor(e.Tram.HeldBy, !e.Ongoing);
}

std::string DeadlockLine(const TDeadlock& d) {
    std::string text =
        d.Formed >= 0 ? Arg(translate("Jams", "с %1 мин: "), StepsAsMinutes(d.Formed)) : "";
    for (const TBlockedTram& t : d.Trams)
        text +=
            Arg(translate("Jams", "поезд %1 (маршрут %2, путь %3) → "), std::to_string(t.Number),
                RouteDisplayName(t.Row, t.Col), std::to_string(t.Rail));
    if (!d.Trams.empty())
        text += Arg(translate("Jams", "поезд %1"), std::to_string(d.Trams[0].Number));
    return text;
}

std::string JamPictureText(const TMap& map, const TJamPicture& picture,
                           const std::string& newline) {
    std::string text;
    if (picture.Blocked.empty()) {
        text += translate("Jams", "Стоящих поездов нет") + newline;
    } else {
        text += translate("Jams", "Стоят сейчас:") + newline;
        for (const TBlockedTram& t : picture.Blocked)
            text += "  " + BlockedTramLine(map, t) + newline;
    }
    if (picture.Deadlocks.empty()) {
        text += translate("Jams", "Взаимных блокировок нет") + newline;
    } else {
        text += translate("Jams", "Взаимные блокировки:") + newline;
        for (const TDeadlock& d : picture.Deadlocks)
            text += "  " + DeadlockLine(d) + newline;
    }
    return text;
}

} // namespace vell
