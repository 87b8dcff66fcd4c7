// The world save: a world saved at any moment and continued in a fresh world over the same map
// steps on exactly as the run that went on, and a save that does not fit is refused unchanged.
#include "sim/Jams.h"
#include "sim/RunStatistics.h"
#include "sim/Trace.h"
#include "sim/save/WorldSave.h"
#include "tests/sim/SimTestSupport.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>

#include <sstream>

namespace vell::test {
namespace {

constexpr long long EpisodeSteps = 5462;

// A world with the run's watchers, stepped as VellSim runs it, its trace kept.
struct TWatchedRun {
    TWatchedRun(TMap& map, TRandom& random)
        : World(map, random), Statistics(World), Jams(World, EpisodeSteps), Trace(Out, World) {
        Run.Statistics = &Statistics;
        Run.Jams = &Jams;
    }
    void Step() {
        World.WorldStep();
        Statistics.Observe();
        Jams.Observe();
        Trace.WriteStep(++Run.Steps);
    }
    TWorld World;
    TRunStatistics Statistics;
    TJamWatch Jams;
    std::ostringstream Out;
    TTraceWriter Trace;
    TRunState Run;
};

// The ring with a bypass through a switch, a stop on the bypass and one on the ring; route 1
// takes the bypass, route 1А the ring, both every 5 minutes. Written to `path`.
std::unique_ptr<TMap> SwitchAndStopsMap(const std::string& path) {
    TBypassMap m = BypassMap(true);
    m.Map->Objects[m.Rails[7]].SetStopType(3);
    SetRoute(*m.Map, 0, 0, {m.Rails[0], m.Bypass[1]}, 2, 5);
    SetRoute(*m.Map, 0, 11, {m.Rails[1], RingBottom}, 1, 5);
    m.Map->FileName = path;
    EXPECT_TRUE(m.Map->SaveToFile());
    return std::move(m.Map);
}

struct TContinued {
    std::unique_ptr<TMap> Map = NewMap();
    TRandom Random{12345};
    std::unique_ptr<TWatchedRun> Run;
};

// A fresh map, generator and world, the save put into them.
std::string Continue(const std::vector<std::uint8_t>& bytes, TContinued& c) {
    TWorldSave save;
    std::string error;
    if (!DecodeWorldSave(bytes, save, error) || !LoadSavedMap(save, *c.Map, error)) return error;
    SelectMap(*c.Map);
    c.Run = std::make_unique<TWatchedRun>(*c.Map, c.Random);
    if (!RestoreWorld(save, c.Run->World, c.Run->Run, error)) return error;
    return {};
}

bool DoorsOpenAtStop(const TWorld& world) {
    for (int k = 0; k < world.VellCount; ++k) {
        const TVell& t = *world.VellTable[k];
        if (t.DoorOpening > 0.3 && world.Map.Objects[t.Front[0].Obj].IsStop()) return true;
    }
    return false;
}

bool LeadOnSwitch(const TWorld& world) {
    for (int k = 0; k < world.VellCount; ++k) {
        const auto& next = world.Rails()[world.VellTable[k]->Front[0].Obj].Link.Next;
        if (world.VellTable[k]->Active && next[0] != next[1]) return true;
    }
    return false;
}

// The start of a run, while the routes still dispatch their first trams.
bool FirstTramDispatched(const TWorld& world) {
    return world.VellCount == 1;
}

TEST(WorldSave, ContinuedWorldStepsOnBitForBit) {
    TTempDir dir;
    std::unique_ptr<TMap> map = SwitchAndStopsMap(dir.Path("city.vl"));
    SelectMap(*map);
    TRandom random(7);
    TWatchedRun original(*map, random);
    original.World.StartWorld();
    const std::vector<std::pair<const char*, bool (*)(const TWorld&)>> moments = {
        {"the first tram just dispatched", FirstTramDispatched},
        {"doors open at a stop", DoorsOpenAtStop},
        {"a lead point on a switch", LeadOnSwitch}};
    for (const auto& [moment, reached] : moments) {
        SCOPED_TRACE(moment);
        for (int s = 0; s < 40000 && !reached(original.World); ++s)
            original.Step();
        ASSERT_TRUE(reached(original.World));
        const std::string path = dir.Path("run.vls");
        ASSERT_EQ(WriteWorldSave(path, original.World, original.Run), "");
        const std::vector<std::uint8_t> bytes = ReadBytes(path);
        TContinued continued;
        ASSERT_EQ(Continue(bytes, continued), "");
        TWatchedRun& copy = *continued.Run;
        EXPECT_EQ(copy.Run.Steps, original.Run.Steps);
        EXPECT_EQ(WorldStateDigest(copy.World, copy.Run),
                  WorldStateDigest(original.World, original.Run));
        TWorldSave save;
        std::string error;
        ASSERT_TRUE(DecodeWorldSave(bytes, save, error));
        EXPECT_EQ(EncodeWorldSave(copy.World, copy.Run, save.MapPath, save.MapHash), bytes);
        original.Out.str("");
        copy.Out.str("");
        for (int s = 0; s < 3000; ++s) {
            original.Step();
            copy.Step();
        }
        EXPECT_GT(original.World.VellCount, 0);
        EXPECT_TRUE(copy.Out.str() == original.Out.str()) << "the traces differ";
        EXPECT_EQ(WorldStateDigest(copy.World, copy.Run),
                  WorldStateDigest(original.World, original.Run));
        EXPECT_EQ(WorldDigest(copy.World), WorldDigest(original.World));
        EXPECT_TRUE(OccupancyConsistent(copy.World));
    }
}

TEST(WorldSave, RefusesASaveThatDoesNotFitAndChangesNothing) {
    TTempDir dir;
    const std::string mapPath = dir.Path("city.vl");
    std::unique_ptr<TMap> map = SwitchAndStopsMap(mapPath);
    SelectMap(*map);
    TRandom random(3);
    TWatchedRun original(*map, random);
    original.World.StartWorld();
    for (int s = 0; s < 8000; ++s)
        original.Step();
    ASSERT_GE(original.World.VellCount, 2);
    ASSERT_EQ(WriteWorldSave(dir.Path("run.vls"), original.World, original.Run), "");
    const std::vector<std::uint8_t> good = ReadBytes(dir.Path("run.vls"));
    // Where the first tram's record starts: after the header, the map's name and hash, seed,
    // steps, the program's state and the shift's flag, the generator, 117 routes' counters and
    // the tram count.
    const std::size_t firstTram =
        22 + 2 + mapPath.size() + 8 + 4 + 8 + 1 + 4 + 1 + 4 + 117 * 12 + 2;
    auto changed = [&](auto change) {
        std::vector<std::uint8_t> bytes = good;
        change(bytes);
        return bytes;
    };
    auto crafted = [&](std::size_t at, std::vector<std::uint8_t> values) {
        return changed([&](std::vector<std::uint8_t>& b) {
            std::copy(values.begin(), values.end(), b.begin() + std::ptrdiff_t(at));
            SealWorldSave(b);
        });
    };
    // A field of the first tram found by its value, set to another value.
    auto withDouble = [&](double now, double then) {
        std::uint8_t from[8], to[8];
        std::memcpy(from, &now, 8);
        std::memcpy(to, &then, 8);
        const auto at =
            std::search(good.begin() + std::ptrdiff_t(firstTram), good.end(), from, from + 8);
        EXPECT_NE(at, good.end());
        return crafted(std::size_t(at - good.begin()), std::vector<std::uint8_t>(to, to + 8));
    };
    const TVell& first = *original.World.VellTable[0];
    const struct {
        const char* Case;
        std::vector<std::uint8_t> Bytes;
        const char* Says;
    } cases[] = {
        // A drag that speeds the tram up, or a top speed past any tram's, would run it away
        // over the rails without end.
        {"dragSpeedsUp", withDouble(first.CarState[0].SpeedDrag, 0.5), "вне пределов"},
        {"topSpeedPastAnyTram", withDouble(first.TopSpeed, 1e12), "вне пределов"},
        {"anotherVersion", changed([](auto& b) { b[4] = 3; }), "другой версии формата (3)"},
        {"truncated", changed([](auto& b) { b.resize(b.size() - 9); }), "обрывается"},
        {"corrupt", changed([](auto& b) { b[b.size() / 2] ^= 0x40; }), "контрольная сумма"},
        {"routeSlotOutOfTable", crafted(firstTram + 4, {9}), "не ходит"},
        {"routeNotInPlay", crafted(firstTram + 4, {3}), "не ходит"},
        {"tramNumberZero", crafted(firstTram, {0, 0, 0, 0}), "неверный номер трамвая"},
        {"tooManyTrams", crafted(firstTram - 2, {0x01, 0x04}), "больше 1024"},
        {"railOutOfMap", crafted(firstTram + 33, {0xFF, 0xFF}), "не на рельсе"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Case);
        TContinued continued;
        const std::string error = Continue(c.Bytes, continued);
        EXPECT_NE(error.find(c.Says), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
        if (continued.Run) {
            EXPECT_FALSE(continued.Run->World.Running());
            EXPECT_EQ(continued.Random.GetState(), 12345u);
            for (const TMapObject& o : continued.Map->Objects)
                EXPECT_EQ(o.Waiting(), 0);
        }
    }
    // The map: its bytes changed, then gone.
    std::vector<std::uint8_t> mapBytes = ReadBytes(mapPath);
    mapBytes[10] ^= 1;
    WriteBytes(mapPath, mapBytes);
    TContinued changedMap;
    EXPECT_NE(Continue(good, changedMap).find("изменилась после сохранения"), std::string::npos);
    std::filesystem::remove(mapPath);
    TContinued noMap;
    EXPECT_NE(Continue(good, noMap).find("Нет карты сохранения"), std::string::npos);
}

// Figures no world reaches are refused, each with its line, while the same fields at the edge
// of what a world does reach are taken: a run's own saves must always continue.
TEST(WorldSave, RefusesFiguresNoWorldReaches) {
    TTempDir dir;
    const std::string mapPath = dir.Path("city.vl");
    std::unique_ptr<TMap> map = SwitchAndStopsMap(mapPath);
    SelectMap(*map);
    TRandom random(3);
    TWatchedRun original(*map, random);
    original.World.StartWorld();
    for (int s = 0; s < 8000; ++s)
        original.Step();
    ASSERT_GE(original.World.VellCount, 2);
    std::uint64_t hash = 0;
    ASSERT_TRUE(MapFileHash(mapPath, hash));
    const std::vector<std::uint8_t> good =
        EncodeWorldSave(original.World, original.Run, mapPath, hash);
    const long long steps = original.Run.Steps;
    // The good save continued, changed by `change`, saved again and continued: its line.
    auto continuedWith = [&](auto change) {
        TContinued base;
        EXPECT_EQ(Continue(good, base), "");
        TWatchedRun& run = *base.Run;
        change(run, *run.World.VellTable[0], run.World.Map.Route(0, 0));
        TContinued again;
        return Continue(EncodeWorldSave(run.World, run.Run, mapPath, hash), again);
    };
    using TChange = std::function<void(TWatchedRun&, TVell&, TRouteRec&)>;
    const std::string tramOut = "вне пределов";
    const struct {
        const char* Case;
        TChange Change;
        std::string Says; // empty: taken
    } cases[] = {
        {"fullPlusOne", [](auto&, TVell& t, auto&) { t.Passengers = t.Capacity() + 1.5; }, tramOut},
        {"belowMinusOne", [](auto&, TVell& t, auto&) { t.Passengers = -1.5; }, tramOut},
        {"overshootTaken", [](auto&, TVell& t, auto&) { t.Passengers = t.Capacity() + 0.54; }, ""},
        {"doorsWide", [](auto&, TVell& t, auto&) { t.DoorTarget = 0.95; }, tramOut},
        {"doorsOpenPastAny", [](auto&, TVell& t, auto&) { t.DoorOpening = 2; }, tramOut},
        {"doorsAtMostTaken", [](auto&, TVell& t, auto&) { t.DoorTarget = t.DoorOpening = 0.9; },
         ""},
        {"clockPastBillion", [](auto&, TVell& t, auto&) { t.Clock = 1000000001; }, tramOut},
        {"clockIntMin", [](auto&, TVell& t, auto&) { t.Clock = INT32_MIN; }, tramOut},
        {"clockBillionTaken", [](auto&, TVell& t, auto&) { t.Clock = -1000000000; }, ""},
        {"deviationIntMin", [](auto&, TVell& t, auto&) { t.Deviation = INT32_MIN; }, tramOut},
        {"maxLateNegative", [](auto&, TVell& t, auto&) { t.MaxLate = -1; }, tramOut},
        {"nextDispatchIntMin", [](auto&, auto&, TRouteRec& r) { r.NextDispatch = INT32_MIN; },
         "счётчики маршрута"},
        {"nextDispatchPastInterval",
         [](auto&, auto&, TRouteRec& r) { r.NextDispatch = IntervalTicks(r) + 1; },
         "счётчики маршрута"},
        {"nextDispatchPassedTaken", [](auto&, auto&, TRouteRec& r) { r.NextDispatch = -1; }, ""},
        // Earlier versions counted on below -1, one a step, while the table was full.
        {"nextDispatchCountedOnTaken", [](auto&, auto&, TRouteRec& r) { r.NextDispatch = -5000; },
         ""},
        {"boardedAstronomic",
         [](TWatchedRun& run, TVell& t, auto&) { run.Statistics.Boarded(t, 1e300); },
         "статистика прогона вне пределов"},
        {"servedMoreThanEveryTramEveryStep",
         [&](TWatchedRun& run, TVell& t, auto&) {
             for (long long k = 0; k <= steps * run.World.VellCount; ++k)
                 run.Statistics.StopServed(t);
         },
         "статистика прогона вне пределов"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Case);
        const std::string error = continuedWith(c.Change);
        if (c.Says.empty())
            EXPECT_EQ(error, "");
        else
            EXPECT_NE(error.find(c.Says), std::string::npos) << error;
    }

    // The jam watch cannot have seen more steps than the world ran: its episode length (5462)
    // and its step count, side by side in the save.
    std::uint8_t seen[16];
    const long long watched[2] = {EpisodeSteps, steps};
    std::memcpy(seen, watched, 16);
    const auto at = std::search(good.begin(), good.end(), seen, seen + 16);
    ASSERT_NE(at, good.end());
    std::vector<std::uint8_t> bytes = good;
    const long long more = steps + 1;
    std::memcpy(bytes.data() + (at - good.begin()) + 8, &more, 8);
    SealWorldSave(bytes);
    TContinued jams;
    EXPECT_NE(Continue(bytes, jams).find("наблюдение за заторами вне пределов"), std::string::npos);
}

// Saves of a long run of the demo city, at many steps, whole minutes or not, all continue.
TEST(WorldSave, EverySaveOfALongRealRunContinues) {
    const std::string mapPath = VELL_MAPS_DIR "/demo.vl";
    std::unique_ptr<TMap> map = NewMap();
    map->FileName = mapPath;
    ASSERT_TRUE(map->LoadFromFile());
    SelectMap(*map);
    TRandom random(17);
    // Watched as VellSim watches a run, without the trace.
    TWorld world(*map, random);
    TRunStatistics statistics(world);
    TJamWatch jams(world, EpisodeSteps);
    TRunState run{17, 0, &statistics, &jams, {}};
    world.StartWorld();
    std::uint64_t hash = 0;
    ASSERT_TRUE(MapFileHash(mapPath, hash));
    int saves = 0;
    for (run.Steps = 1; run.Steps <= 3 * 60 * 1093; ++run.Steps) {
        world.WorldStep();
        statistics.Observe();
        jams.Observe();
        if (run.Steps % 4999 != 0) continue;
        SCOPED_TRACE(run.Steps);
        TContinued continued;
        ASSERT_EQ(Continue(EncodeWorldSave(world, run, mapPath, hash), continued), "");
        EXPECT_EQ(WorldStateDigest(continued.Run->World, continued.Run->Run),
                  WorldStateDigest(world, run));
        ++saves;
    }
    EXPECT_GT(world.VellCount, 10);
    EXPECT_EQ(saves, 39);
}

} // namespace
} // namespace vell::test
