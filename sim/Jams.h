// Why a tram is stuck: the trams that stand still away from stops, the rail each waits for and
// the tram that holds it, and the circles of such waits (deadlocks), which never clear by
// themselves. Read beside the world: nothing here changes it or draws a random number.
#pragma once

#include "sim/World.h"

#include <map>
#include <vector>

namespace vell {

struct TWorldSaveAccess;

// A tram that stands and the reason, as far as the track tells it.
struct TBlockedTram {
    int Number = 0;       // the tram's Number
    int Row = 0, Col = 0; // its route slot
    int Rail = 0;         // the rail it waits for (its lead rail when nothing holds it)
    int HeldBy = 0;       // the Number of the tram whose marks cover that rail; 0: none
    long long Since = -1; // the world step after which it was first seen standing; -1 unknown
};

// Trams that wait for one another: a set of standing trams in which each waits, through the
// trams covering the rails they wait for, for every other. It is told by one circle of waits
// from the set's lowest Number, each tram waiting for the next and the last for the first.
struct TDeadlock {
    std::vector<TBlockedTram> Trams; // the circle, from the set's lowest Number
    std::vector<int> Members;        // the Numbers of every tram of the set, ascending
    long long Formed = -1;           // the world step after which it was first seen; -1 unknown
};

// A stand longer than a watch's threshold.
struct TJamEpisode {
    TBlockedTram Tram; // Rail and HeldBy: the last tram it was seen waiting for, if any
    long long Steps = 0;
    bool Ongoing = false; // still standing when asked
};

struct TJamPicture {
    std::vector<TBlockedTram> Blocked; // by Number
    std::vector<TDeadlock> Deadlocks;  // by their lowest Number
};

// Active, below 1 km/h, with its lead point neither on a stop rail nor on its route's first
// waypoint (where trams wait their turn): the trams a jam is made of.
bool StandsStill(const TWorld& world, const TVell& tram);

// The blocked trams and deadlocks of the world as it stands now (Since and Formed unknown).
// A tram waits for every tram whose marks make the rail it waits for not free, though only the
// lowest Number is named as the one it waits for. A deadlock may pass through a tram that stands
// at a stop or at its route start: it waits for the track ahead as much as any other.
TJamPicture LookForJams(const TWorld& world);

// Watches the world step by step, to tell since when trams stand, which stands lasted long and
// which deadlocks formed (to a simulated second). Costs a pass over the trams per step, and
// while some tram stands (at a stop too) a look at who waits for whom once a simulated second.
class TJamWatch {
  public:
    // Stands of more than `episodeSteps` world steps are kept as episodes.
    TJamWatch(const TWorld& world, long long episodeSteps);

    // Looks at the world after a world step.
    void Observe();
    long long Steps() const { return StepCount; }

    // The blocked trams and deadlocks now, with Since and Formed.
    TJamPicture Now() const;
    // Every stand longer than the threshold: the finished ones in the order they ended, then
    // the ongoing ones by Number.
    std::vector<TJamEpisode> Episodes() const;
    // Every deadlock seen forming, in the order of forming. A deadlock lasts while every look
    // finds the same set of trams waiting for one another; one that breaks and forms again is
    // another, formed anew. One that lasted less than a simulated minute was a standoff, not a
    // deadlock, and is left out unless it still holds.
    std::vector<TDeadlock> Deadlocks() const;

  private:
    friend struct TWorldSaveAccess; // the world save reads and restores the private state
    struct TStand {
        TBlockedTram Tram; // Since < 0: not standing
    };
    struct TSeenDeadlock {
        TDeadlock Deadlock;     // as first seen, with Formed
        long long LastSeen = 0; // the last look that found it
        long long Order = 0;    // how many deadlocks formed before it
    };
    void Analyse();
    // The deadlocks not found again end: those that lasted a simulated minute are kept.
    void EndDeadlocks();

    const TWorld& World;
    long long EpisodeSteps;
    long long StepCount = 0;
    long long LastAnalysis = -1000000; // the step of the last look at who waits for whom
    std::vector<TStand> Stands;        // by Number - 1
    std::vector<TJamEpisode> Finished;
    std::map<std::vector<int>, TSeenDeadlock> Holding; // found by the last look, by Members
    std::vector<TSeenDeadlock> Ended;                  // those that lasted, in the order of ending
    long long Formings = 0; // deadlocks formed so far: the next one's Order
};

} // namespace vell
