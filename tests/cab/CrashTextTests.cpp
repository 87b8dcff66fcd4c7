// The second line of the crash message: each cause in words with its figures.
#include "sim/CrashText.h"
#include "sim/Speed.h"

#include <gtest/gtest.h>

namespace vell {
namespace {

TCrash Crash(TAccidentCause cause, double kmh, double limitKmh) {
    TCrash c;
    c.Cause = cause;
    c.Speed = KmhToMpt(kmh);
    c.Limit = KmhToMpt(limitKmh);
    return c;
}

TEST(CrashText, EachCauseSaysWhatHappenedWithSpeedsAboveTheirLimits) {
    // The conversion to m/tick and back is not exact: whole tenths stay themselves, a speed a
    // hair above a tenth reads above it, a limit a hair above one reads as it.
    EXPECT_EQ(KmhRoundedUp(KmhToMpt(31)), "31.0");
    EXPECT_EQ(KmhRoundedUp(KmhToMpt(45.02)), "45.1");
    EXPECT_EQ(KmhRoundedDown(KmhToMpt(30)), "30.0");
    EXPECT_EQ(KmhRoundedDown(KmhToMpt(25.0087)), "25.0");

    EXPECT_EQ(CrashReason(TCrash{}), "");
    EXPECT_EQ(CrashReason(Crash(TAccidentCause::Crossing, 31.2, 30)),
              "Сход с рельсов: трамвай пересёк другой рельс на скорости 31.2 км/ч, а быстрее "
              "30.0 км/ч пересекать нельзя.");
    TCrash overspeed = Crash(TAccidentCause::Overspeed, 18.04, 18);
    overspeed.SpeedGrade = 10;
    EXPECT_EQ(CrashReason(overspeed), "Сход с рельсов: скорость 18.1 км/ч выше предела этого пути "
                                      "18.0 км/ч.");
    EXPECT_EQ(CrashReason(Crash(TAccidentCause::Overturn, 28, 25.0087)),
              "Трамвай опрокинулся на повороте: скорость 28.0 км/ч, а этот поворот проходят не "
              "быстрее 25.0 км/ч.");
    TCrash collision = Crash(TAccidentCause::Collision, 12, 0);
    collision.OtherNumber = 7;
    collision.OtherRouteCol = 11;
    EXPECT_EQ(CrashReason(collision), "Столкновение с поездом 7 маршрута 1А.");
}

} // namespace
} // namespace vell
