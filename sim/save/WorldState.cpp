// The world's part of a save: every tram's record and marks, the routes' dispatch state, the
// occupancy counters, the waiting passengers, the random generator and the run's watchers.
// Read into temporaries and checked whole before any of it goes into the world.
#include "sim/save/WorldState.h"

#include "model/Random.h"
#include "model/Texts.h"
#include "sim/Jams.h"
#include "sim/RunStatistics.h"
#include "sim/Speed.h"
#include "sim/World.h"
#include "sim/save/SaveArchive.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>

namespace vell {

// The one place that reads and writes the private parts of the tram, the statistics and the
// jam watch (each names it its friend).
struct TWorldSaveAccess {
    using TCounts = TRunStatistics::TCounts;
    using TStand = TJamWatch::TStand;
    using TSeenDeadlock = TJamWatch::TSeenDeadlock;

    struct TRouteState {
        std::int32_t NextDispatch = 0, TramsStarted = 0, TramsInService = 0;
    };
    struct TStatisticsState {
        std::array<std::array<TCounts, RouteColumns>, RouteRows> Counts{};
        std::vector<long long> Standstill;
    };
    struct TJamState {
        long long EpisodeSteps = 0, StepCount = 0, LastAnalysis = 0, Formings = 0;
        std::vector<TStand> Stands;
        std::vector<TJamEpisode> Finished;
        std::vector<TSeenDeadlock> Holding, Ended;
    };
    // The world's part as read, before it is checked against the world.
    struct TDecoded {
        std::uint32_t RandomState = 0;
        std::array<std::array<TRouteState, RouteColumns>, RouteRows> Routes{};
        std::vector<std::unique_ptr<TVell>> Trams;
        std::vector<std::vector<std::uint16_t>> Marks;
        std::int32_t PlayerTram = -1;
        std::vector<std::uint16_t> Occupancy;
        std::vector<std::uint8_t> Waiting;
        bool HasStatistics = false, HasJams = false;
        TStatisticsState Statistics;
        TJamState Jams;
    };

    template <class A, class P> static void Pos(A& a, P& p) {
        a(p.Obj);
        a(p.SwitchNo);
        a(p.Dist);
    }

    // Every field of the record but the route and the world it belongs to, which follow from
    // RouteRow and RouteCol, and ArrivedAtStop, which lives within one step.
    template <class A, class T> static void Tram(A& a, T& t) {
        a(t.Number);
        a(t.RouteRow);
        a(t.RouteCol);
        a(t.Clock);
        a(t.Deviation);
        a(t.MaxLate);
        for (auto* b : {&t.Active, &t.OnRoute, &t.Accident, &t.AutoDrive, &t.StopServed,
                        &t.RulesKept, &t.FullPower, &t.SpeedometerWorks, &t.DoorsOpening,
                        &t.DoorsClosing, &t.LeftLamp, &t.RightLamp, &t.ManualOpen, &t.ManualClose})
            a(*b);
        a(t.ScheduleState);
        for (auto& p : t.Front)
            Pos(a, p);
        for (auto& p : t.Rear)
            Pos(a, p);
        Pos(a, t.LookAhead);
        Pos(a, t.ReservedFront);
        Pos(a, t.ReservedRear);
        for (auto* d :
             {&t.Speed, &t.AllowedSpeed, &t.PrevSpeed, &t.Command, &t.PrevCommand, &t.MaxAccel,
              &t.TopSpeed, &t.Passengers, &t.Alighting, &t.Boarding, &t.DoorOpening, &t.DoorTarget,
              &t.ShakeAmplitude, &t.ShakeGain, &t.ShakeAngle, &t.ManualCommand})
            a(*d);
        for (auto& c : t.CarState)
            for (auto* d : {&c.RollResist, &c.SpeedDrag, &c.DoorWidth, &c.Yaw, &c.YawRate})
                a(*d);
        a(t.StopIndex);
        a(t.Colour);
        a.Enum(t.Crash.Cause, TAccidentCause::Collision);
        a(t.Crash.SpeedGrade);
        a(t.Crash.OtherRouteRow);
        a(t.Crash.OtherRouteCol);
        a(t.Crash.OtherNumber);
        a(t.Crash.Speed);
        a(t.Crash.Limit);
    }

    template <class A, class C> static void Counts(A& a, C& c) {
        for (auto* v : {&c.StopsServed, &c.StopsUnserved, &c.AccidentTicks, &c.LongestStandstill})
            a(*v);
        for (auto* v : {&c.Boarded, &c.Alighted, &c.DeviationSum})
            a(*v);
        a(c.WorstLate);
    }

    template <class A, class B> static void Blocked(A& a, B& b) {
        for (auto* v : {&b.Number, &b.Row, &b.Col, &b.Rail, &b.HeldBy})
            a(*v);
        a(b.Since);
    }

    template <class A, class S> static void Seen(A& a, S& s) {
        std::uint32_t n = std::uint32_t(s.Deadlock.Trams.size());
        if (!a.Count(n, 24)) return;
        if constexpr (A::Reading) s.Deadlock.Trams.resize(n);
        for (auto& b : s.Deadlock.Trams)
            Blocked(a, b);
        n = std::uint32_t(s.Deadlock.Members.size());
        if (!a.Count(n, 4)) return;
        if constexpr (A::Reading) s.Deadlock.Members.resize(n);
        for (auto& m : s.Deadlock.Members)
            a(m);
        a(s.Deadlock.Formed);
        a(s.LastSeen);
        a(s.Order);
    }

    // A list of records: its count, then each record.
    template <class A, class V, class F>
    static void List(A& a, V& list, std::size_t bytes, F each) {
        std::uint32_t n = std::uint32_t(list.size());
        if (!a.Count(n, bytes)) return;
        if constexpr (A::Reading) list.resize(n);
        for (auto& item : list)
            each(item);
    }

    template <class A, class J> static void Jams(A& a, J& j) {
        for (auto* v : {&j.EpisodeSteps, &j.StepCount, &j.LastAnalysis, &j.Formings})
            a(*v);
        List(a, j.Stands, 24, [&](auto& s) { Blocked(a, s.Tram); });
        List(a, j.Finished, 33, [&](auto& e) {
            Blocked(a, e.Tram);
            a(e.Steps);
            a(e.Ongoing);
        });
        List(a, j.Holding, 32, [&](auto& s) { Seen(a, s); });
        List(a, j.Ended, 32, [&](auto& s) { Seen(a, s); });
    }

    static void Write(TSaveWriter& a, const TWorld& world, const TRunState& run);
    static bool Read(std::span<const std::uint8_t> bytes, TWorld& world, TDecoded& d,
                     std::string& error);
    static std::string Check(const TDecoded& d, const TWorld& world, long long steps);
    static void Apply(TDecoded& d, TWorld& world, TRunState& run);
};

namespace {

int SlotOf(const TWorld& world, const TVell* tram) {
    for (int k = 0; k < world.VellCount; ++k)
        if (world.VellTable[k].get() == tram) return k;
    return -1;
}

} // namespace

void TWorldSaveAccess::Write(TSaveWriter& a, const TWorld& world, const TRunState& run) {
    a(world.Random.GetState());
    for (const auto& row : world.Map.Routes)
        for (const TRouteRec& r : row)
            for (std::int32_t v : {r.NextDispatch, r.TramsStarted, r.TramsInService})
                a(v);
    a(std::uint16_t(world.VellCount));
    for (int k = 0; k < world.VellCount; ++k) {
        const TVell& t = *world.VellTable[k];
        Tram(a, t);
        std::vector<std::uint16_t> marks;
        t.Marks.ForEach([&](std::uint16_t object) { marks.push_back(object); });
        List(a, marks, 2, [&](std::uint16_t object) { a(object); });
    }
    a(std::int32_t(SlotOf(world, world.PlayerTram)));
    List(a, world.Occupancy, 2, [&](std::uint16_t c) { a(c); });
    a(std::uint32_t(world.Rails().StopRails().size()));
    for (std::uint16_t stop : world.Rails().StopRails())
        a(world.Map.Objects[stop].Waiting());
    a(run.Statistics != nullptr);
    if (const TRunStatistics* s = run.Statistics) {
        for (const auto& row : s->Counts)
            for (const TCounts& c : row)
                Counts(a, c);
        for (int k = 0; k < world.VellCount; ++k)
            a(s->Standstill[std::size_t(k)]);
    }
    a(run.Jams != nullptr);
    if (const TJamWatch* j = run.Jams) {
        TJamState state{j->EpisodeSteps, j->StepCount, j->LastAnalysis, j->Formings, j->Stands,
                        j->Finished,     {},           j->Ended};
        for (const auto& [members, seen] : j->Holding)
            state.Holding.push_back(seen);
        Jams(a, state);
    }
}

namespace {

std::string Damaged(const std::string& why) {
    return Arg(translate("WorldSave", "Сохранение повреждено: %1."), why);
}
std::string DamagedAt(const char* why, long long value) {
    return Damaged(Arg(translate("WorldSave", why), std::to_string(value)));
}

bool SlotInTable(long long row, long long col) {
    return row >= 0 && row < RouteRows && col >= 0 && col < RouteColumns;
}

// The tram's motion within what a tram can do: a speed past any tram's, a drag that speeds it
// up or a command beyond full would run a tram away, its points racing over the rails for
// ever.
bool PhysicsInBounds(const TVell& t) {
    const double fastest = KmhToMpt(300);
    auto within = [](double v, double low, double high) { return v >= low && v <= high; };
    bool ok = within(t.Speed, -fastest, fastest) && within(t.PrevSpeed, -fastest, fastest) &&
              within(t.AllowedSpeed, -fastest, fastest) && within(t.TopSpeed, 0, fastest) &&
              within(t.MaxAccel, 0, fastest) && within(t.Command, -1, 1) &&
              within(t.PrevCommand, -1, 1) && within(t.ManualCommand, -1, 1);
    for (const auto& car : t.CarState)
        ok = ok && within(car.RollResist, -fastest, 0) && within(car.SpeedDrag, -1, 0);
    return ok;
}

bool Within(double v, double low, double high) {
    return v >= low && v <= high;
}

// Between stops the load may overshoot by one step's flow through the doors (at most 0.81 of a
// passenger out, 0.54 in), which the stop's end takes back.
bool PassengersInBounds(const TVell& t, const TRouteRec& route) {
    const double capacity = route.Cars * 90 - 20;
    return Within(t.Passengers, -1, capacity + 1) && Within(t.DoorTarget, 0, 0.9) &&
           Within(t.DoorOpening, 0, 0.9);
}

// The step keeps the clock within a billion ticks and the deviation within two.
bool TimesInBounds(const TVell& t) {
    return Within(t.Clock, -1e9, 1e9) && Within(t.Deviation, -2e9, 2e9) &&
           Within(t.MaxLate, 0, 2e9);
}

// Each tram adds at most one to a count per step, 0.54 boarded and 0.81 alighted (0.3 or 0.2
// of the door opening, 0.9 at most, per car, 3 at most), and a deviation within two billion
// per stop served.
bool StatisticsInBounds(const TWorldSaveAccess::TStatisticsState& s, int trams, long long steps) {
    const double tramSteps = double(steps) * trams;
    bool ok = true;
    for (const auto& row : s.Counts)
        for (const TWorldSaveAccess::TCounts& c : row)
            ok = ok && Within(double(c.StopsServed), 0, tramSteps) &&
                 Within(double(c.StopsUnserved), 0, tramSteps) &&
                 Within(double(c.AccidentTicks), 0, tramSteps) &&
                 Within(double(c.LongestStandstill), 0, double(steps)) &&
                 Within(c.Boarded, 0, 0.54 * tramSteps) &&
                 Within(c.Alighted, 0, 0.81 * tramSteps) &&
                 Within(std::fabs(c.DeviationSum), 0, 2e9 * double(c.StopsServed)) &&
                 Within(c.WorstLate, 0, 2e9);
    for (long long stand : s.Standstill)
        ok = ok && Within(double(stand), 0, double(steps));
    return ok;
}

// The watch counts the steps it saw, at most the world's; every step it notes is one of them.
bool JamStepsInBounds(const TWorldSaveAccess::TJamState& j, long long steps) {
    const long long seen = j.StepCount;
    auto at = [&](long long step) { return step >= -1 && step <= seen; };
    bool ok = seen >= 0 && seen <= steps && j.EpisodeSteps >= 0 && j.LastAnalysis <= seen &&
              j.LastAnalysis >= -1000000 && j.Formings >= 0 && j.Formings <= seen;
    for (const TWorldSaveAccess::TStand& s : j.Stands)
        ok = ok && at(s.Tram.Since);
    for (const TJamEpisode& e : j.Finished)
        ok = ok && at(e.Tram.Since) && e.Steps >= 0 && e.Steps <= seen + 1;
    for (const auto* list : {&j.Holding, &j.Ended})
        for (const TWorldSaveAccess::TSeenDeadlock& d : *list) {
            ok = ok && at(d.Deadlock.Formed) && at(d.LastSeen) && d.Order >= 0 &&
                 d.Order <= j.Formings;
            for (const TBlockedTram& b : d.Deadlock.Trams)
                ok = ok && at(b.Since);
        }
    return ok;
}

} // namespace

bool TWorldSaveAccess::Read(std::span<const std::uint8_t> bytes, TWorld& world, TDecoded& d,
                            std::string& error) {
    TSaveReader a(bytes);
    a(d.RandomState);
    for (auto& row : d.Routes)
        for (TRouteState& r : row)
            for (auto* v : {&r.NextDispatch, &r.TramsStarted, &r.TramsInService})
                a(*v);
    std::uint16_t count = 0;
    a(count);
    if (a.Ok && count > MaxVells) {
        error = Damaged(translate("WorldSave", "трамваев больше 1024"));
        return false;
    }
    d.Marks.resize(count);
    for (int k = 0; k < count && a.Ok; ++k) {
        d.Trams.push_back(std::make_unique<TVell>(world));
        Tram(a, *d.Trams.back());
        List(a, d.Marks[std::size_t(k)], 2, [&](std::uint16_t& object) { a(object); });
    }
    a(d.PlayerTram);
    List(a, d.Occupancy, 2, [&](std::uint16_t& c) { a(c); });
    List(a, d.Waiting, 1, [&](std::uint8_t& w) { a(w); });
    a(d.HasStatistics);
    if (d.HasStatistics) {
        for (auto& row : d.Statistics.Counts)
            for (TCounts& c : row)
                Counts(a, c);
        d.Statistics.Standstill.resize(count);
        for (long long& s : d.Statistics.Standstill)
            a(s);
    }
    a(d.HasJams);
    if (d.HasJams) Jams(a, d.Jams);
    if (!a.Ok || a.In.Left() != 0) {
        error = Damaged(translate("WorldSave", "данные не складываются в состояние мира"));
        return false;
    }
    return true;
}

// Every index the step, the watchers and the report will follow, against the started world, and
// every figure within what a world that has run `steps` steps can reach.
std::string TWorldSaveAccess::Check(const TDecoded& d, const TWorld& world, long long steps) {
    const TMap& map = world.Map;
    const long long objects = (long long)map.Objects.size();
    const int count = int(d.Trams.size());
    std::vector<bool> numbers(std::size_t(count) + 1, false);
    std::vector<int> marks(std::size_t(objects), 0);
    std::array<std::array<TRouteState, RouteColumns>, RouteRows> counted{};
    for (int k = 0; k < count; ++k) {
        const TVell& t = *d.Trams[std::size_t(k)];
        if (t.Number < 1 || t.Number > count || numbers[std::size_t(t.Number)])
            return DamagedAt(QT_TRANSLATE_NOOP("WorldSave", "неверный номер трамвая %1"), t.Number);
        numbers[std::size_t(t.Number)] = true;
        if (!SlotInTable(t.RouteRow, t.RouteCol) || !world.CanDispatch(t.RouteRow, t.RouteCol))
            return DamagedAt(
                QT_TRANSLATE_NOOP("WorldSave",
                                  "трамвай %1 на маршруте, который на этой карте не ходит"),
                t.Number);
        const TRouteRec& route = map.Route(t.RouteRow, t.RouteCol);
        const int switches = std::max<int>(1, route.ChoiceCount);
        bool placed = true;
        auto onRail = [&](const TRailPos& p) {
            placed = placed && p.Obj < objects && map.Objects[p.Obj].IsRail() &&
                     p.SwitchNo < switches && p.Dist >= -1e5 && p.Dist <= 1e5;
        };
        // The points of cars the train does not have carry no meaning, but stay on the map.
        for (int i = 0; i < MaxCars; ++i)
            for (const TRailPos* p : {&t.Front[std::size_t(i)], &t.Rear[std::size_t(i)]})
                if (i < route.Cars)
                    onRail(*p);
                else
                    placed = placed && p->Obj < objects;
        for (const TRailPos* p : {&t.LookAhead, &t.ReservedFront, &t.ReservedRear})
            onRail(*p);
        if (!placed)
            return DamagedAt(
                QT_TRANSLATE_NOOP("WorldSave", "трамвай %1 стоит не на рельсе своего маршрута"),
                t.Number);
        if (t.StopIndex >= std::max<int>(1, route.StopCount) || t.ScheduleState < -2 ||
            t.ScheduleState > 2 || !SlotInTable(t.Crash.OtherRouteRow, t.Crash.OtherRouteCol) ||
            !PhysicsInBounds(t) || !PassengersInBounds(t, route) || !TimesInBounds(t))
            return DamagedAt(QT_TRANSLATE_NOOP("WorldSave", "состояние трамвая %1 вне пределов"),
                             t.Number);
        for (std::uint16_t object : d.Marks[std::size_t(k)]) {
            if (object >= objects)
                return DamagedAt(
                    QT_TRANSLATE_NOOP("WorldSave", "отметка трамвая %1 за пределами карты"),
                    t.Number);
            ++marks[object];
        }
        TRouteState& c = counted[t.RouteRow][t.RouteCol];
        ++c.TramsStarted;
        c.TramsInService += t.Active;
    }
    for (int i = 0; i < RouteRows; ++i)
        for (int j = 0; j < RouteColumns; ++j) {
            const TRouteState &saved = d.Routes[i][j], &trams = counted[i][j];
            const bool inPlay = world.CanDispatch(i, j);
            // The countdown to the next tram: at most an interval, and -1 once it has passed 0
            // with no tram to send. Saves of earlier versions counted on below -1 while the table
            // stayed full, one a step: such a figure means the same -1 and is read as it.
            if ((inPlay || trams.TramsStarted > 0) &&
                (saved.TramsStarted != trams.TramsStarted ||
                 saved.TramsInService != trams.TramsInService ||
                 saved.TramsStarted > map.Route(i, j).TramCount ||
                 (inPlay && (saved.NextDispatch < -1 - steps ||
                             saved.NextDispatch > IntervalTicks(map.Route(i, j))))))
                return Damaged(Arg(translate("WorldSave", "счётчики маршрута %1 не сходятся с его "
                                                          "трамваями"),
                                   RouteDisplayName(i, j)));
        }
    if (d.PlayerTram < -1 || d.PlayerTram >= count)
        return DamagedAt(QT_TRANSLATE_NOOP("WorldSave", "неверный номер трамвая %1"), d.PlayerTram);
    if ((long long)d.Occupancy.size() != objects ||
        d.Waiting.size() != world.Rails().StopRails().size())
        return Damaged(translate("WorldSave", "число объектов или остановок не то, что на карте"));
    for (long long o = 0; o < objects; ++o)
        if (d.Occupancy[std::size_t(o)] != marks[std::size_t(o)])
            return Damaged(translate("WorldSave", "счётчики занятости не сходятся с отметками "
                                                  "трамваев"));
    if (d.HasStatistics && !StatisticsInBounds(d.Statistics, count, steps))
        return Damaged(translate("WorldSave", "статистика прогона вне пределов"));
    if (d.HasJams && !JamStepsInBounds(d.Jams, steps))
        return Damaged(translate("WorldSave", "наблюдение за заторами вне пределов"));
    if (d.HasJams) {
        auto blockedOk = [&](const TBlockedTram& b) {
            return b.Number >= 0 && b.Number <= count && b.HeldBy >= 0 && b.HeldBy <= count &&
                   SlotInTable(b.Row, b.Col) && b.Rail >= 0 && b.Rail < objects;
        };
        bool ok = d.Jams.Stands.size() <= std::size_t(count);
        for (const TStand& s : d.Jams.Stands)
            ok = ok && blockedOk(s.Tram);
        for (const TJamEpisode& e : d.Jams.Finished)
            ok = ok && blockedOk(e.Tram);
        std::set<std::vector<int>> holding;
        for (const auto* list : {&d.Jams.Holding, &d.Jams.Ended})
            for (const TSeenDeadlock& s : *list) {
                for (const TBlockedTram& b : s.Deadlock.Trams)
                    ok = ok && blockedOk(b);
                for (int m : s.Deadlock.Members)
                    ok = ok && m >= 1 && m <= count;
            }
        for (const TSeenDeadlock& s : d.Jams.Holding)
            ok = ok && holding.insert(s.Deadlock.Members).second;
        if (!ok) return Damaged(translate("WorldSave", "наблюдение за заторами вне пределов"));
    }
    return {};
}

void TWorldSaveAccess::Apply(TDecoded& d, TWorld& world, TRunState& run) {
    TMap& map = world.Map;
    world.Random.Seed(d.RandomState);
    for (int i = 0; i < RouteRows; ++i)
        for (int j = 0; j < RouteColumns; ++j) {
            TRouteRec& route = map.Route(i, j);
            route.NextDispatch = std::max(d.Routes[i][j].NextDispatch, -1);
            route.TramsStarted = d.Routes[i][j].TramsStarted;
            route.TramsInService = d.Routes[i][j].TramsInService;
        }
    world.VellCount = int(d.Trams.size());
    for (std::size_t k = 0; k < d.Trams.size(); ++k) {
        TVell& t = *d.Trams[k];
        t.Route = &map.Route(t.RouteRow, t.RouteCol);
        t.Marks.clear();
        for (std::uint16_t object : d.Marks[k])
            t.Marks.push_back(object);
        world.VellTable[k] = std::move(d.Trams[k]);
    }
    world.PlayerTram =
        d.PlayerTram >= 0 ? world.VellTable[std::size_t(d.PlayerTram)].get() : nullptr;
    world.Occupancy = d.Occupancy;
    const std::vector<std::uint16_t>& stops = world.Rails().StopRails();
    for (std::size_t k = 0; k < stops.size(); ++k)
        map.Objects[stops[k]].SetWaiting(d.Waiting[k]);
    if (TRunStatistics* s = run.Statistics) {
        s->Counts = d.HasStatistics ? d.Statistics.Counts : decltype(s->Counts){};
        std::fill(s->Standstill.begin(), s->Standstill.end(), 0);
        if (d.HasStatistics)
            std::copy(d.Statistics.Standstill.begin(), d.Statistics.Standstill.end(),
                      s->Standstill.begin());
    }
    if (TJamWatch* j = run.Jams; j && d.HasJams) {
        j->EpisodeSteps = d.Jams.EpisodeSteps;
        j->StepCount = d.Jams.StepCount;
        j->LastAnalysis = d.Jams.LastAnalysis;
        j->Formings = d.Jams.Formings;
        j->Stands = std::move(d.Jams.Stands);
        j->Finished = std::move(d.Jams.Finished);
        j->Holding.clear();
        for (TSeenDeadlock& s : d.Jams.Holding) {
            std::vector<int> members = s.Deadlock.Members;
            j->Holding.emplace(std::move(members), std::move(s));
        }
        j->Ended = std::move(d.Jams.Ended);
    }
}

bool ReadsWithPlayerTram(std::span<const std::uint8_t> bytes, bool& player, std::string& error) {
    // The trams' records need a world to belong to; an empty one serves, as nothing is checked
    // against it.
    TMap map;
    TRandom random(0);
    TWorld world(map, random);
    TWorldSaveAccess::TDecoded decoded;
    if (!TWorldSaveAccess::Read(bytes, world, decoded, error)) return false;
    player = decoded.PlayerTram >= 0;
    return true;
}

void WriteWorldState(TSaveWriter& out, const TWorld& world, const TRunState& run) {
    TWorldSaveAccess::Write(out, world, run);
}

bool RestoreWorldState(std::span<const std::uint8_t> bytes, long long steps, TWorld& world,
                       TRunState& run, std::string& error) {
    TWorldSaveAccess::TDecoded decoded;
    if (!TWorldSaveAccess::Read(bytes, world, decoded, error)) return false;
    // Starting the world draws numbers and sets the routes and the stops afresh: what it
    // changes is put back if the save does not fit the started world.
    const std::vector<TMapObject> objects = world.Map.Objects;
    const TRouteTable routes = world.Map.Routes;
    const std::uint32_t randomState = world.Random.GetState();
    world.StartWorld();
    error = TWorldSaveAccess::Check(decoded, world, steps);
    if (!error.empty()) {
        world.StopWorld();
        world.Map.Objects = objects;
        world.Map.Routes = routes;
        world.Random.Seed(randomState);
        return false;
    }
    TWorldSaveAccess::Apply(decoded, world, run);
    return true;
}

} // namespace vell
