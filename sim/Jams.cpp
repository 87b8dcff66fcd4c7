// Finding who blocks whom: the tram's own scan ahead, run again without reserving anything,
// names the first rail that another tram's marks make not free.
#include "sim/Jams.h"

#include "model/Units.h"
#include "sim/ScanAhead.h"
#include "sim/Speed.h"
#include "sim/TrackHolders.h"

#include <algorithm>
#include <cstddef>
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
    // Calls visit(Number) for each mark on `object` held by a tram other than `self`.
    template <class Visit> void ForEachHolder(int object, int self, Visit visit) const {
        if (object < 0 || std::size_t(object) >= Last.size()) return;
        for (int k = Last[std::size_t(object)]; k >= 0; k = Before[std::size_t(k)])
            if (Numbers[std::size_t(k)] != self) visit(Numbers[std::size_t(k)]);
    }
    // The lowest Number other than `self` holding a mark on `object`; 0 when none.
    int Holder(int object, int self) const {
        int lowest = 0;
        ForEachHolder(object, self, [&](int number) {
            if (lowest == 0 || number < lowest) lowest = number;
        });
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
// do not count: it takes them off before it scans. The Number of every tram holding a mark that
// makes the rail waited for not free is appended to `waitsFor` (once per mark).
TWait WaitOf(const TWorld& world, const TVell& tram, const THolders& holders,
             std::vector<int>& waitsFor) {
    TWait wait{tram.Front[0].Obj, 0};
    if (!tram.OnRoute) return wait; // off its route it brakes for good, whatever the track
    TRailPos front = tram.Front[0];
    tram.ScanAhead(front, [&](int object, int except) {
        const std::size_t before = waitsFor.size();
        const auto note = [&](int number) { waitsFor.push_back(number); };
        holders.ForEachHolder(object, tram.Number, note);
        ForEachNearRail(world, object, [&](int m) {
            if (m != except) holders.ForEachHolder(m, tram.Number, note);
        });
        if (waitsFor.size() == before) return true;
        // The one named: the lowest holder of the rail itself, else of its first near rail held.
        int heldBy = holders.Holder(object, tram.Number);
        ForEachNearRail(world, object, [&](int m) {
            if (heldBy == 0 && m != except) heldBy = holders.Holder(m, tram.Number);
        });
        wait = {object, heldBy};
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

// Who waits for whom among the trams that are slow (the others are moving, so nobody waits for
// them for good): node i waits for the nodes Next[Start[i] .. Start[i + 1]), by ascending
// Number, without repeats.
struct TWaitGraph {
    std::vector<int> Start{0}, Next;
    int Size() const { return int(Start.size()) - 1; }
};

// `waitsFor` holds Numbers, node i's from firstWait[i] on; `node` maps a Number to its node or
// -1.
TWaitGraph BuildWaitGraph(const std::vector<std::size_t>& firstWait,
                          const std::vector<int>& waitsFor, const std::vector<int>& node,
                          const std::vector<TBlockedTram>& slow) {
    TWaitGraph graph;
    for (std::size_t i = 0; i + 1 < firstWait.size(); ++i) {
        const std::size_t begin = graph.Next.size();
        for (std::size_t k = firstWait[i]; k < firstWait[i + 1]; ++k) {
            const int number = waitsFor[k];
            if (number > 0 && std::size_t(number) < node.size() && node[std::size_t(number)] >= 0)
                graph.Next.push_back(node[std::size_t(number)]);
        }
        const auto first = graph.Next.begin() + std::ptrdiff_t(begin);
        std::sort(first, graph.Next.end(), [&](int a, int b) {
            return slow[std::size_t(a)].Number < slow[std::size_t(b)].Number;
        });
        graph.Next.erase(std::unique(first, graph.Next.end()), graph.Next.end());
        graph.Start.push_back(int(graph.Next.size()));
    }
    return graph;
}

// The strongly connected sets of more than one node (Tarjan's algorithm, without recursion: a
// circle may pass through hundreds of trams).
std::vector<std::vector<int>> WaitingSets(const TWaitGraph& graph) {
    const int n = graph.Size();
    std::vector<int> index(std::size_t(n), -1), low(std::size_t(n), 0), stack;
    std::vector<bool> onStack(std::size_t(n), false);
    std::vector<std::pair<int, int>> path; // node, its next edge to follow
    std::vector<std::vector<int>> sets;
    int count = 0;
    auto enter = [&](int v) {
        index[std::size_t(v)] = low[std::size_t(v)] = count++;
        stack.push_back(v);
        onStack[std::size_t(v)] = true;
        path.push_back({v, graph.Start[std::size_t(v)]});
    };
    for (int root = 0; root < n; ++root) {
        if (index[std::size_t(root)] >= 0) continue;
        enter(root);
        while (!path.empty()) {
            const int v = path.back().first;
            const int edge = path.back().second;
            if (edge < graph.Start[std::size_t(v) + 1]) {
                ++path.back().second;
                const int w = graph.Next[std::size_t(edge)];
                if (index[std::size_t(w)] < 0)
                    enter(w);
                else if (onStack[std::size_t(w)])
                    low[std::size_t(v)] = std::min(low[std::size_t(v)], index[std::size_t(w)]);
                continue;
            }
            path.pop_back();
            if (!path.empty()) {
                int& parentLow = low[std::size_t(path.back().first)];
                parentLow = std::min(parentLow, low[std::size_t(v)]);
            }
            if (low[std::size_t(v)] != index[std::size_t(v)]) continue;
            if (stack.back() == v) { // a set of one, as most are: no list for it
                stack.pop_back();
                onStack[std::size_t(v)] = false;
                continue;
            }
            std::vector<int> set;
            int w = -1;
            do {
                w = stack.back();
                stack.pop_back();
                onStack[std::size_t(w)] = false;
                set.push_back(w);
            } while (w != v);
            sets.push_back(std::move(set));
        }
    }
    return sets;
}

// A shortest circle through `first` within `set` (a breadth-first search that tries lower
// Numbers first), from `first`.
std::vector<int> CircleThrough(const TWaitGraph& graph, const std::vector<int>& set, int first) {
    std::vector<int> from(std::size_t(graph.Size()), -2); // -2 outside the set, -1 not reached
    for (int v : set)
        from[std::size_t(v)] = -1;
    std::vector<int> queue{first};
    from[std::size_t(first)] = first;
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const int v = queue[head];
        for (int e = graph.Start[std::size_t(v)]; e < graph.Start[std::size_t(v) + 1]; ++e) {
            const int w = graph.Next[std::size_t(e)];
            if (w == first) {
                std::vector<int> circle;
                for (int u = v; u != first; u = from[std::size_t(u)])
                    circle.push_back(u);
                circle.push_back(first);
                std::reverse(circle.begin(), circle.end());
                return circle;
            }
            if (from[std::size_t(w)] != -1) continue;
            from[std::size_t(w)] = v;
            queue.push_back(w);
        }
    }
    return {first}; // not reached: every node of a strongly connected set lies on a circle
}

// One deadlock per strongly connected set of the waits, by their lowest Number.
std::vector<TDeadlock> DeadlocksOf(const TWaitGraph& graph, const std::vector<TBlockedTram>& slow) {
    std::vector<TDeadlock> deadlocks;
    for (const std::vector<int>& set : WaitingSets(graph)) {
        TDeadlock d;
        for (int v : set)
            d.Members.push_back(slow[std::size_t(v)].Number);
        std::sort(d.Members.begin(), d.Members.end());
        const int first = *std::min_element(set.begin(), set.end(), [&](int a, int b) {
            return slow[std::size_t(a)].Number < slow[std::size_t(b)].Number;
        });
        for (int v : CircleThrough(graph, set, first))
            d.Trams.push_back(slow[std::size_t(v)]);
        deadlocks.push_back(std::move(d));
    }
    std::sort(deadlocks.begin(), deadlocks.end(),
              [](const TDeadlock& a, const TDeadlock& b) { return a.Members[0] < b.Members[0]; });
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
    std::vector<int> waitsFor;
    std::vector<std::size_t> firstWait;
    std::vector<int> node(std::size_t(world.VellCount) + 1, -1); // by Number
    for (int k = 0; k < world.VellCount; ++k) {
        const TVell& tram = *world.VellTable[k];
        if (!Slow(tram)) continue;
        if (tram.Number > 0 && tram.Number <= world.VellCount)
            node[std::size_t(tram.Number)] = int(slow.size());
        firstWait.push_back(waitsFor.size());
        slow.push_back(Describe(tram, WaitOf(world, tram, holders, waitsFor)));
        blocked.push_back(StandsStill(world, tram));
    }
    firstWait.push_back(waitsFor.size());
    for (std::size_t i = 0; i < slow.size(); ++i)
        if (blocked[i]) picture.Blocked.push_back(slow[i]);
    std::sort(picture.Blocked.begin(), picture.Blocked.end(),
              [](const TBlockedTram& a, const TBlockedTram& b) { return a.Number < b.Number; });
    picture.Deadlocks = DeadlocksOf(BuildWaitGraph(firstWait, waitsFor, node, slow), slow);
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
    // A step in which no tram stands breaks every deadlock: its trams all moved.
    if (!anySlow && !Holding.empty()) EndDeadlocks();
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
    // A deadlock the last look found goes on while this one finds the same trams; the others
    // form now.
    std::map<std::vector<int>, TSeenDeadlock> holding;
    for (const TDeadlock& d : picture.Deadlocks) {
        auto found = Holding.extract(d.Members);
        TSeenDeadlock seen;
        if (found) {
            seen = std::move(found.mapped());
        } else {
            seen.Deadlock = d;
            seen.Deadlock.Formed = StepCount;
            seen.Order = Formings++;
        }
        seen.LastSeen = StepCount;
        holding.emplace(d.Members, std::move(seen));
    }
    EndDeadlocks();
    Holding = std::move(holding);
}

void TJamWatch::EndDeadlocks() {
    for (auto& [members, seen] : Holding)
        if (seen.LastSeen - seen.Deadlock.Formed >= RoundHalfEven(TicksPerMinute))
            Ended.push_back(std::move(seen));
    Holding.clear();
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
        if (auto it = Holding.find(d.Members); it != Holding.end())
            d.Formed = it->second.Deadlock.Formed;
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
    std::vector<const TSeenDeadlock*> seen;
    for (const TSeenDeadlock& d : Ended)
        seen.push_back(&d);
    for (const auto& [members, d] : Holding)
        seen.push_back(&d);
    std::sort(seen.begin(), seen.end(),
              [](const TSeenDeadlock* a, const TSeenDeadlock* b) { return a->Order < b->Order; });
    std::vector<TDeadlock> deadlocks;
    for (const TSeenDeadlock* d : seen)
        deadlocks.push_back(d->Deadlock);
    return deadlocks;
}

} // namespace vell
