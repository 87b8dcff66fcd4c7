// Finding who blocks whom: the tram's own scan ahead, run again without reserving anything,
// names the first rail that another tram's marks make not free.
#include "sim/Jams.h"

#include "model/Units.h"
#include "sim/ScanAhead.h"
#include "sim/Speed.h"
#include "sim/TrackHolders.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace vell {

namespace {

// Which trams hold marks on which objects, built once per look at the world: each object's
// marks chained from the last one made. Sorting a full table's two or three thousand marks took
// longer than the rest of the look, which comes once a simulated second.
class THolders {
  public:
    explicit THolders(const TWorld& world) {
        std::vector<int> objects; // each mark's object, beside Numbers
        for (int k = 0; k < world.VellCount; ++k) {
            const TVell& tram = *world.VellTable[k];
            AppendHeldObjects(tram, objects);
            Numbers.resize(objects.size(), tram.Number);
        }
        int size = 0;
        for (int object : objects)
            size = std::max(size, object + 1);
        Last.assign(std::size_t(size), -1);
        Before.resize(objects.size());
        for (std::size_t k = 0; k < objects.size(); ++k) {
            int& last = Last[std::size_t(objects[k])];
            Before[k] = last;
            last = int(k);
        }
    }
    // The lowest Number other than `self` holding a mark on `object`; 0 when none.
    int Holder(int object, int self) const {
        if (object < 0 || std::size_t(object) >= Last.size()) return 0;
        bool found = false;
        int lowest = 0;
        for (int k = Last[std::size_t(object)]; k >= 0; k = Before[std::size_t(k)]) {
            const int number = Numbers[std::size_t(k)];
            if (number == self) continue;
            if (!found || number < lowest) lowest = number;
            found = true;
        }
        return lowest;
    }

  private:
    std::vector<int> Numbers; // by mark: the holder's Number
    std::vector<int> Last;    // by object: its last mark, -1 when none
    std::vector<int> Before;  // by mark: the object's mark before it, -1 when none
};

struct TWait {
    int Rail = 0;
    int HeldBy = 0;
};

// The tram's own reservation scan, each rail taken when another tram holds a mark on it or on
// one of its near rails other than the rail the reservation has reached. The tram's own marks
// do not count: it takes them off before it scans.
TWait WaitOf(const TWorld& world, const TVell& tram, const THolders& holders) {
    TWait wait{tram.Front[0].Obj, 0};
    if (!tram.OnRoute) return wait; // off its route it brakes for good, whatever the track
    TRailPos front = tram.Front[0];
    tram.ScanAhead(front, [&](int object, int except) {
        int holder = holders.Holder(object, tram.Number);
        ForEachNearRail(world, object, [&](int m) {
            if (holder == 0 && m != except) holder = holders.Holder(m, tram.Number);
        });
        if (holder == 0) return true;
        wait = {object, holder};
        return false;
    });
    return wait;
}

bool Slow(const TVell& tram) {
    return tram.Active && tram.Speed < KmhToMpt(1);
}

TBlockedTram Describe(const TVell& tram, const TWait& wait) {
    TBlockedTram b;
    b.Number = tram.Number;
    b.Row = tram.RouteRow;
    b.Col = tram.RouteCol;
    b.Rail = wait.Rail;
    b.HeldBy = wait.HeldBy;
    return b;
}

// Circles in the waits: every standing tram waits for at most one other, so following the waits
// from each tram in turn finds each circle exactly once.
std::vector<TDeadlock> Circles(const std::vector<const TBlockedTram*>& byNumber) {
    std::vector<TDeadlock> deadlocks;
    std::vector<int> state(byNumber.size(), 0); // 0 unseen, 1 on the current path, 2 done
    for (std::size_t start = 1; start < byNumber.size(); ++start) {
        std::vector<int> path;
        int n = int(start);
        while (n > 0 && n < int(byNumber.size()) && byNumber[n] && state[n] == 0) {
            state[n] = 1;
            path.push_back(n);
            n = byNumber[n]->HeldBy;
        }
        if (n > 0 && n < int(byNumber.size()) && byNumber[n] && state[n] == 1) {
            TDeadlock d;
            auto first = std::find(path.begin(), path.end(), n);
            std::rotate(first, std::min_element(first, path.end()), path.end());
            for (auto it = first; it != path.end(); ++it)
                d.Trams.push_back(*byNumber[*it]);
            deadlocks.push_back(std::move(d));
        }
        for (int m : path)
            state[m] = 2;
    }
    return deadlocks;
}

} // namespace

bool StandsStill(const TWorld& world, const TVell& tram) {
    if (!Slow(tram)) return false;
    const int lead = tram.Front[0].Obj;
    return !world.Rails()[lead].Stop && lead != tram.Route->Waypoints[0];
}

TJamPicture LookForJams(const TWorld& world) {
    TJamPicture picture;
    bool anySlow = false;
    for (int k = 0; k < world.VellCount && !anySlow; ++k)
        anySlow = Slow(*world.VellTable[k]);
    if (!anySlow) return picture;
    const THolders holders(world);
    std::vector<TBlockedTram> slow;
    std::vector<bool> blocked;
    for (int k = 0; k < world.VellCount; ++k) {
        const TVell& tram = *world.VellTable[k];
        if (!Slow(tram)) continue;
        slow.push_back(Describe(tram, WaitOf(world, tram, holders)));
        blocked.push_back(StandsStill(world, tram));
    }
    std::vector<const TBlockedTram*> byNumber(std::size_t(world.VellCount) + 1, nullptr);
    for (std::size_t i = 0; i < slow.size(); ++i) {
        byNumber[std::size_t(slow[i].Number)] = &slow[i];
        if (blocked[i]) picture.Blocked.push_back(slow[i]);
    }
    std::sort(picture.Blocked.begin(), picture.Blocked.end(),
              [](const TBlockedTram& a, const TBlockedTram& b) { return a.Number < b.Number; });
    picture.Deadlocks = Circles(byNumber);
    return picture;
}

namespace {
constexpr long long AnalysisSteps = 18; // about a simulated second
} // namespace

TJamWatch::TJamWatch(const TWorld& world, long long episodeSteps)
    : World(world), EpisodeSteps(episodeSteps) {}

void TJamWatch::Observe() {
    ++StepCount;
    if (Stands.size() < std::size_t(World.VellCount)) Stands.resize(std::size_t(World.VellCount));
    bool anySlow = false;
    for (int k = 0; k < World.VellCount; ++k) {
        const TVell& tram = *World.VellTable[k];
        TBlockedTram& stand = Stands[std::size_t(tram.Number - 1)].Tram;
        const bool still = StandsStill(World, tram);
        anySlow = anySlow || Slow(tram); // at a stop too: a circle may pass through it
        if (still && stand.Since < 0) {
            stand = Describe(tram, {tram.Front[0].Obj, 0});
            stand.Since = StepCount;
        } else if (!still && stand.Since >= 0) {
            const long long steps = StepCount - stand.Since;
            if (steps > EpisodeSteps) Finished.push_back({stand, steps, false});
            stand.Since = -1;
        }
    }
    // Who waits for whom changes slowly: a look once a simulated second is enough, and keeps
    // the watch cheap beside a busy city where some tram always queues behind another.
    if (anySlow && StepCount - LastAnalysis >= AnalysisSteps) Analyse();
}

// Names what each standing tram waits for and notes the circles.
void TJamWatch::Analyse() {
    LastAnalysis = StepCount;
    const TJamPicture picture = LookForJams(World);
    for (const TBlockedTram& b : picture.Blocked) {
        TBlockedTram& stand = Stands[std::size_t(b.Number - 1)].Tram;
        // A look right after the tram waited for has moved off finds nobody: the stand keeps
        // the last tram it waited for.
        if (b.HeldBy == 0 && stand.HeldBy != 0) continue;
        stand.Rail = b.Rail;
        stand.HeldBy = b.HeldBy;
    }
    for (const TDeadlock& d : picture.Deadlocks) {
        std::vector<int> key;
        for (const TBlockedTram& t : d.Trams)
            key.push_back(t.Number);
        std::sort(key.begin(), key.end());
        auto [it, added] = Seen.try_emplace(key);
        if (added) {
            it->second.Deadlock = d;
            it->second.Deadlock.Formed = StepCount;
            SeenOrder.push_back(key);
        }
        it->second.LastSeen = StepCount;
    }
}

TJamPicture TJamWatch::Now() const {
    TJamPicture picture = LookForJams(World);
    // A tram created since the last Observe has no stand yet.
    auto since = [&](int number) {
        return std::size_t(number - 1) < Stands.size() ? Stands[std::size_t(number - 1)].Tram.Since
                                                       : -1;
    };
    for (TBlockedTram& b : picture.Blocked)
        b.Since = since(b.Number);
    for (TDeadlock& d : picture.Deadlocks) {
        std::vector<int> key;
        for (const TBlockedTram& t : d.Trams)
            key.push_back(t.Number);
        std::sort(key.begin(), key.end());
        if (auto it = Seen.find(key); it != Seen.end()) d.Formed = it->second.Deadlock.Formed;
        for (TBlockedTram& t : d.Trams)
            t.Since = since(t.Number);
    }
    return picture;
}

std::vector<TJamEpisode> TJamWatch::Episodes() const {
    std::vector<TJamEpisode> episodes = Finished;
    for (const TStand& s : Stands) {
        const long long steps = StepCount - s.Tram.Since + 1;
        if (s.Tram.Since >= 0 && steps > EpisodeSteps) episodes.push_back({s.Tram, steps, true});
    }
    return episodes;
}

std::vector<TDeadlock> TJamWatch::Deadlocks() const {
    std::vector<TDeadlock> deadlocks;
    for (const std::vector<int>& key : SeenOrder) {
        const TSeenDeadlock& seen = Seen.at(key);
        const bool current = seen.LastSeen == LastAnalysis;
        if (current || seen.LastSeen - seen.Deadlock.Formed >= RoundHalfEven(TicksPerMinute))
            deadlocks.push_back(seen.Deadlock);
    }
    return deadlocks;
}

} // namespace vell
