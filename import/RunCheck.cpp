// Running an imported map's trams to find deadlocks and accidents.
#include "import/RunCheck.h"

#include "model/Random.h"
#include "model/RouteTable.h"
#include "model/Units.h"
#include "sim/Jams.h"
#include "sim/World.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <thread>

namespace vell::import {

namespace {

// As VellSim's run names jams: stands over five minutes.
constexpr double EpisodeMinutes = 5;

void AddTram(TRunTrouble& trouble, int row, int col) {
    const std::pair<int, int> slot{row, col};
    auto it = std::find(trouble.Slots.begin(), trouble.Slots.end(), slot);
    if (it == trouble.Slots.end()) {
        trouble.Slots.push_back(slot);
        trouble.TramsOfSlot.push_back(1);
    } else {
        ++trouble.TramsOfSlot[std::size_t(it - trouble.Slots.begin())];
    }
}

void PlaceAtRails(const TMap& map, TRunTrouble& trouble) {
    if (trouble.Rails.empty()) return;
    double x = 0, y = 0;
    for (int r : trouble.Rails) {
        const TMapObject& o = map.Objects[std::size_t(r)];
        x += (o.X1 + o.X2) / 2.0;
        y += (o.Y1 + o.Y2) / 2.0;
    }
    trouble.X = x / double(trouble.Rails.size());
    trouble.Y = y / double(trouble.Rails.size());
}

std::optional<TRunTrouble> RunOnce(const TMap& original, std::uint32_t seed,
                                   const TRunCheckPlan& plan) {
    TMap map = original;
    const TMapSelection selection = SelectMap(map);
    if (selection.NetworkResult >= 0) return std::nullopt;
    const int minutes =
        std::min(plan.Minutes,
                 std::max(plan.LeastMinutes, plan.TramMinutes / std::max(1, selection.TotalTrams)));
    TRandom random(seed);
    TWorld world(map, random);
    TJamWatch jams(world, RoundHalfEven(EpisodeMinutes * TicksPerMinute));
    world.StartWorld();
    const long long steps = RoundHalfEven(minutes * TicksPerMinute);
    const long long minute = RoundHalfEven(TicksPerMinute);
    for (long long s = 0; s < steps; ++s) {
        world.WorldStep();
        jams.Observe();
        for (int k = 0; k < world.VellCount; ++k) {
            const TVell& tram = *world.VellTable[std::size_t(k)];
            if (!tram.Accident) continue;
            TRunTrouble trouble;
            trouble.Accident = true;
            trouble.Seed = seed;
            trouble.Minute = double(s + 1) / TicksPerMinute;
            AddTram(trouble, tram.RouteRow, tram.RouteCol);
            trouble.Rails.push_back(tram.Front[0].Obj);
            PlaceAtRails(map, trouble);
            return trouble;
        }
        if ((s + 1) % minute != 0) continue;
        const std::vector<TDeadlock> deadlocks = jams.Deadlocks();
        if (deadlocks.empty()) continue;
        const TDeadlock& d = deadlocks.front();
        TRunTrouble trouble;
        trouble.Seed = seed;
        trouble.Minute = double(d.Formed) / TicksPerMinute;
        for (const TBlockedTram& t : d.Trams) {
            AddTram(trouble, t.Row, t.Col);
            trouble.Rails.push_back(t.Rail);
        }
        PlaceAtRails(map, trouble);
        return trouble;
    }
    return std::nullopt;
}

} // namespace

std::optional<TRunTrouble> FindRunTrouble(const TMap& map, const TRunCheckPlan& plan) {
    // Each seed's run on its own thread (each with its own copy of the map, world and random
    // generator); the first seed's trouble is told, whichever thread ends first.
    // A run's failure (memory running out) goes to the import's caller, not to terminate.
    std::vector<std::optional<TRunTrouble>> found(plan.Seeds.size());
    std::vector<std::exception_ptr> failed(plan.Seeds.size());
    auto run = [&](std::size_t k) {
        try {
            found[k] = RunOnce(map, plan.Seeds[k], plan);
        } catch (...) {
            failed[k] = std::current_exception();
        }
    };
    std::vector<std::thread> runs;
    for (std::size_t k = 1; k < plan.Seeds.size(); ++k)
        runs.emplace_back(run, k);
    if (!plan.Seeds.empty()) run(0);
    for (std::thread& thread : runs)
        thread.join();
    for (const std::exception_ptr& failure : failed)
        if (failure) std::rethrow_exception(failure);
    for (const std::optional<TRunTrouble>& trouble : found)
        if (trouble) return trouble;
    return std::nullopt;
}

} // namespace vell::import
