// Setting the world up, the world step with its dispatching, and tearing the world down.
#include "sim/World.h"

#include "model/RouteWalk.h"
#include "model/Units.h"
#include "sim/Passengers.h"

#include <algorithm>
#include <tuple>
#include <utility>

namespace vell {

std::int32_t IntervalTicks(const TRouteRec& route) {
    return std::int32_t(RoundHalfEven(route.Interval * TicksPerMinute));
}

void TWorld::StartWorld() {
    StopWorld();
    RailData.Build(Map);
    for (int i = 0; i < RouteRows; ++i)
        for (int j = 0; j < RouteColumns; ++j)
            PrepareRoute(i, j);
    Occupancy.assign(Map.Objects.size(), 0);
    VellCount = 0;
    ResetWaiting(Map);
    Started = true;
}

void TWorld::PrepareRoute(int row, int col) {
    TRouteRec& route = Map.Route(row, col);
    TRouteRun& run = RouteRuns[row][col];
    run = TRouteRun{};
    if (!route.InUse()) return;
    route.TramsStarted = 0;
    route.TramsInService = 0;
    // The first tram of each route leaves at a random moment within its first interval.
    route.NextDispatch = Random.Below(IntervalTicks(route));
    Map.ComputeSchedule(row, col);
    // A route whose walk does not close, or whose trains could not be built, runs nothing.
    run.Dispatchable = Map.NetworkOk && route.Usable && route.Interval > 0 && route.Cars >= 1 &&
                       route.Cars <= MaxCars;
    if (run.Dispatchable) WalkRoute(Map, route, [&](int) { ++run.CircuitRails; });
}

void TWorld::WorldStep() {
    if (!Started) return;
    SortVells(0, VellCount - 1);
    Dispatch();
    StepTrams();
    GatherPassengers(Map, Random, RailData.StopRails());
}

void TWorld::Dispatch() {
    for (int i = 0; i < RouteRows; ++i)
        for (int j = 0; j < RouteColumns; ++j) {
            TRouteRec& route = Map.Route(i, j);
            if (!route.InUse() || route.TramsStarted >= route.TramCount || !CanDispatch(i, j))
                continue;
            // A full table dispatches nothing, and the countdown then passes 0 for good: it
            // stays at -1, which every reader takes as never, rather than count down for ever.
            if (route.NextDispatch == 0 && VellCount < MaxVells) {
                auto tram = std::make_unique<TVell>(*this);
                tram->Create(i, j);
                tram->Number = VellCount + 1;
                VellTable[VellCount++] = std::move(tram);
                route.NextDispatch = IntervalTicks(route);
            }
            route.NextDispatch = route.NextDispatch > 0 ? route.NextDispatch - 1 : -1;
        }
}

// The trams' records and their rails lie all over memory; each tram's lines are asked for a
// tram or two before its step, so that the step does not wait for them one by one.
void TWorld::StepTrams() {
    for (int k = 0; k < VellCount; ++k) {
        if (k + 2 < VellCount) VellTable[k + 2]->PrefetchRecord();
        if (k + 1 < VellCount) VellTable[k + 1]->PrefetchTrack();
        TVell& tram = *VellTable[k];
        tram.Step();
        if (!tram.OnRoute) PlayerTram = &tram;
        if (!tram.AutoDrive && !tram.Accident)
            if (const int other = CollidingTram(k); other >= 0)
                tram.NoteCollision(*VellTable[other]);
    }
}

void TWorld::StopWorld() {
    Occupancy.clear();
    Occupancy.shrink_to_fit();
    for (auto& slot : VellTable)
        slot.reset();
    VellCount = 0;
    // The tram it named is gone.
    PlayerTram = nullptr;
    RailData.Clear();
    RouteRuns = {};
    Started = false;
}

// A quicksort with a random pivot, latest trams first; equal deviations keep no order. It runs
// on a compact copy of the keys and then moves the trams, which makes the same comparisons,
// swaps and random draws as sorting the table in place.
void TWorld::SortVells(int l, int r) {
    if (l >= r) return;
    SortKeys.resize(std::size_t(r - l + 1));
    for (int k = l; k <= r; ++k)
        SortKeys[std::size_t(k - l)] = {VellTable[k]->Deviation, std::uint16_t(k)};
    SortKeyRange(0, r - l);
    // Only the stretch between the first and the last tram that changed place is moved.
    std::size_t first = 0, last = SortKeys.size();
    while (first < last && SortKeys[first].Slot == l + int(first))
        ++first;
    while (last > first && SortKeys[last - 1].Slot == l + int(last - 1))
        --last;
    if (first == last) return;
    SortedTrams.resize(last - first);
    for (std::size_t k = first; k < last; ++k)
        SortedTrams[k - first] = std::move(VellTable[SortKeys[k].Slot]);
    for (std::size_t k = first; k < last; ++k)
        VellTable[l + int(k)] = std::move(SortedTrams[k - first]);
}

void TWorld::SortKeyRange(int l, int r) {
    if (l >= r) return;
    // The table comes in sorted from the step before but for the few trams that served a stop
    // since: most ranges are in order already, and those take the short way.
    if (KeysAscending(l, r)) {
        SortAscendingKeys(l, r);
        return;
    }
    const std::int32_t v = SortKeys[std::size_t(l + Random.Below(r - l + 1))].Deviation;
    int i = l, j = r;
    do {
        while (SortKeys[std::size_t(i)].Deviation < v)
            ++i;
        while (SortKeys[std::size_t(j)].Deviation > v)
            --j;
        if (i <= j) {
            std::swap(SortKeys[std::size_t(i)], SortKeys[std::size_t(j)]);
            ++i;
            --j;
        }
    } while (i <= j);
    if (l < j) SortKeyRange(l, j);
    if (i < r) SortKeyRange(i, r);
}

bool TWorld::KeysAscending(int l, int r) const {
    for (int k = l; k < r; ++k)
        if (SortKeys[std::size_t(k)].Deviation > SortKeys[std::size_t(k + 1)].Deviation)
            return false;
    return true;
}

// What the partition above does to a range already in order: the scans stop at the ends of
// the run of keys equal to the pivot, the swaps reverse that run and nothing else, and both
// parts stay in order. Same draws, same result, without scanning the range.
//
// A thousand trams make six to seven hundred ranges a tick, each waiting on the draw before it,
// so the loop is kept short and without branches the processor cannot foresee: the generator's
// state and the pointers stay in registers (a store into the keys could otherwise alias the
// state), and both parts go onto a stack of our own, the right one below the left one as the
// recursion would take them, the stack growing only by the parts that still need sorting.
void TWorld::SortAscendingKeys(int l, int r) {
    if (l >= r) return;
    TRandom random = Random;
    TSortKey* const keys = SortKeys.data();
    // Waiting parts hold two keys or more and do not overlap, so there are at most half as many
    // as keys; each round writes its two entries before it knows whether they count.
    const std::size_t most = std::size_t(r - l + 1) / 2 + 2;
    if (SortParts.size() < most) SortParts.resize(most);
    std::pair<int, int>* const parts = SortParts.data();
    std::size_t waiting = 0;
    int low = l, high = r;
    while (true) {
        const int pivot = low + random.Below(high - low + 1);
        const std::int32_t v = keys[pivot].Deviation;
        int leftEnd = pivot - 1, rightStart = pivot + 1;
        if ((pivot > low && keys[pivot - 1].Deviation == v) ||
            (pivot < high && keys[pivot + 1].Deviation == v)) [[unlikely]] {
            int first = pivot, last = pivot;
            while (first > low && keys[first - 1].Deviation == v)
                --first;
            while (last < high && keys[last + 1].Deviation == v)
                ++last;
            const int swaps = (last - first) / 2 + 1;
            std::reverse(keys + first, keys + last + 1);
            leftEnd = last - swaps;
            rightStart = first + swaps;
        }
        parts[waiting] = {rightStart, high};
        waiting += rightStart < high;
        parts[waiting] = {low, leftEnd};
        waiting += low < leftEnd;
        if (waiting == 0) break;
        std::tie(low, high) = parts[--waiting];
    }
    Random = random;
}

} // namespace vell
