// The cause of a crash in words.
#include "sim/CrashText.h"

#include "model/Route.h"
#include "model/Texts.h"
#include "sim/Speed.h"

#include <cmath>

namespace vell {

namespace {

// Converting km/h to m/tick and back is not exact: a value within this many tenths of a whole
// tenth is that tenth, so that 30 km/h does not read as 30.1 or 29.9.
constexpr double Slack = 1e-6;

} // namespace

std::string KmhRoundedUp(double mpt) {
    return FormatFixed(std::ceil(MptToKmh(mpt) * 10 - Slack) / 10, 1);
}

std::string KmhRoundedDown(double mpt) {
    return FormatFixed(std::floor(MptToKmh(mpt) * 10 + Slack) / 10, 1);
}

std::string CrashReason(const TCrash& crash) {
    switch (crash.Cause) {
    case TAccidentCause::None:
        return {};
    case TAccidentCause::Crossing:
        return Arg(translate("Crash", "Сход с рельсов: трамвай пересёк другой рельс на скорости "
                                      "%1 км/ч, а быстрее %2 км/ч пересекать нельзя."),
                   KmhRoundedUp(crash.Speed), KmhRoundedDown(crash.Limit));
    case TAccidentCause::Overspeed:
        return Arg(translate("Crash", "Сход с рельсов: скорость %1 км/ч выше предела этого пути "
                                      "%2 км/ч."),
                   KmhRoundedUp(crash.Speed), KmhRoundedDown(crash.Limit));
    case TAccidentCause::Overturn:
        return Arg(translate("Crash", "Трамвай опрокинулся на повороте: скорость %1 км/ч, а этот "
                                      "поворот проходят не быстрее %2 км/ч."),
                   KmhRoundedUp(crash.Speed), KmhRoundedDown(crash.Limit));
    case TAccidentCause::Collision:
        return Arg(translate("Crash", "Столкновение с поездом %1 маршрута %2."),
                   std::to_string(crash.OtherNumber),
                   RouteDisplayName(crash.OtherRouteRow, crash.OtherRouteCol));
    }
    return {};
}

} // namespace vell
