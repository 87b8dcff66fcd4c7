// A shift and its evaluation: how well the player's tram was driven, stop by stop. The score reads
// only the world's state after each world step (the player's commands are in the tram), so a
// recording played again gives the same figures, bit for bit, and it changes nothing it reads.
//
// Each stop the shift plans earns up to 100 points when it is served: timetable 40 (measured at
// the departure), and, for the leg that led to it (from the departure before up to this one),
// stopping 20, speed 20 and comfort 20. A fault costs the points its rule says, at most what is
// left of its category in that leg; a stop passed without being served earns nothing, and in a
// player's shift neither does a leg on which the autopilot drove at any moment. The total is the
// points earned divided by the stops the shift plans (an open shift: the stops reached), halved
// by an accident.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vell {

class TWorld;
class TVell;

enum class TShiftKind : std::uint8_t {
    Open,     // as long as the player drives: scored over the stops reached
    Circuits, // 1..5 circuits of the line
    Minutes,  // 15..240 simulated minutes
};

struct TShift {
    TShiftKind Kind = TShiftKind::Open;
    std::int32_t Length = 0; // circuits or minutes; 0 for an open shift

    static constexpr int MinCircuits = 1, MaxCircuits = 5;
    static constexpr int MinMinutes = 15, MaxMinutes = 240;
    // Whether the length is one a shift of its kind may have (the headless autopilot's minutes
    // shift may be shorter: from 1 minute).
    bool Valid(bool anyMinutes = false) const;
    bool operator==(const TShift&) const = default;
};

enum class TScoreCategory : std::uint8_t { Timetable, Stopping, Speed, Comfort };
constexpr int ScoreCategoryCount = 4;
// The most a stop earns in each category.
constexpr std::array<double, ScoreCategoryCount> CategoryPointsPerStop{40, 20, 20, 20};
constexpr double PointsPerStop = 100;

enum class TScoreRule : std::uint8_t {
    Early,                  // timetable: departed early, 1 point a second
    Late,                   // timetable: departed over 120 s late, 1 point per 3 s beyond
    StopPosition,           // stopping: the lead point over 5 m short of the stop rail's end
    DoorsWhileMoving,       // stopping: doors opened while the tram moved
    DoorsAwayFromStop,      // stopping: doors opened at a standstill away from a stop
    DepartedDoorsOpen,      // stopping: moved off with the doors open
    DepartedBeforeBoarding, // stopping: moved off after opening, before boarding ended
    StopPassed,             // stopping: left a stop without serving it: the stop earns nothing
    Overspeed,              // speed: 0.2 a metre above 90 % of the limit ahead
    HardAcceleration,       // comfort: each second above 1.5 m/s², 0.5 + the load
    EmergencyBrake,         // comfort: controller at -0.95 or below for 1 s above 10 km/h, 5
    Autopilot,              // the leg was driven on the autopilot: it earns nothing
    Accident,               // the shift's last event: the total halves, no stars
};
constexpr TScoreRule LastScoreRule = TScoreRule::Accident;

// The category a rule's points come from; Autopilot and Accident have none (-1).
int RuleCategory(TScoreRule rule);

// The rules' figures.
namespace score {
constexpr double FreeLateSeconds = 120;     // late departures up to this are free
constexpr double SecondsLatePerPoint = 3;   // beyond: a point per 3 s
constexpr double SecondsEarlyPerPoint = 1;  // early departures: a point a second
constexpr double StopWindowMetres = 5;      // the lead point within 5 m of the stop rail's end
constexpr double PointsPerMetreShort = 2;   // each metre stopped further short: 2 points
constexpr double StopPositionMost = 10;     // at most
constexpr double DoorFaultPoints = 5;       // each door or departure fault of a stop
constexpr double DoorsOpenWidth = 0.11;     // doors count as open wider than this (the lamp's)
constexpr double OverspeedShare = 0.9;      // of the limit ahead
constexpr double PointsPerMetreOver = 0.2;  //
constexpr double ComfortAcceleration = 1.5; // m/s², averaged over AccelerationSteps
constexpr int AccelerationSteps = 18;       // world steps averaged: just under a second
constexpr double ComfortBase = 0.5;         // a second above costs 0.5 + passengers / capacity
constexpr double EmergencyCommand = -0.95;  // at or below
constexpr double EmergencyKmh = 10;         // above
constexpr int EmergencySteps = 19;          // a second's world steps, rounded up
constexpr double EmergencyPoints = 5;
} // namespace score

// One fault, or the leg it cost.
struct TScoreEvent {
    long long Step = 0; // the run's world step at which it began
    TScoreRule Rule = TScoreRule::Early;
    double Points = 0;     // what it cost; grows while the fault lasts
    double Figure = 0;     // what was measured: seconds, metres, seconds above, km/h
    std::int32_t Stop = 0; // the shift's stop (from 1) whose leg it belongs to
    double X = 0, Y = 0;   // the lead point on the map, metres
};

enum class TShiftEnd : std::uint8_t {
    Running,  // not ended yet
    Done,     // the circuits or the minutes were driven
    Left,     // the player ended the game, or the tram stopped being the player's
    Accident, // the player's tram crashed
};

// A shift's evaluation as it stands: a running one as if it ended now.
struct TEvaluation {
    TShift Shift;
    TShiftEnd End = TShiftEnd::Running;
    bool AutopilotDrives = false; // the autopilot is the driver: its legs count
    bool UsedAutopilot = false;   // a leg of a player's shift was on the autopilot
    bool Continued = false;       // driven on from a saved game
    std::int32_t RouteRow = 0, RouteCol = 0;
    long long StartStep = 0, EndStep = 0;               // the run's steps; EndStep the last scored
    std::int32_t PlannedStops = 0;                      // an open shift: the stops reached
    std::int32_t StopsReached = 0;                      // served or passed
    double Total = 0;                                   // 0..100
    int Stars = 0;                                      // 0..4
    std::array<double, ScoreCategoryCount> Points{};    // earned in each category
    std::array<double, ScoreCategoryCount> MaxPoints{}; // its points per stop x planned stops
    std::vector<TScoreEvent> Events;
};

// Stars of a total: 4 from 90, 3 from 75, 2 from 60, 1 from 40; none after an accident.
int StarsFor(double total, bool accident);

// The shift's stops of a route: an open shift 0 (counted as they are reached); N circuits N
// times the stops of a circuit; N minutes the stops its timetable runs in N minutes, on average
// over the circuit, rounded to the nearest, at least 1.
std::int32_t PlannedStops(const TShift& shift, std::int32_t stopsPerCircuit, std::int32_t runTime);

class TShiftScore {
  public:
    // The most events listed; past them the points still count.
    static constexpr std::size_t MaxEvents = 1 << 16;

    // Starts the shift on the world's player's tram after the run's step `step` (the world
    // running, with the player's tram). `autopilotDrives`: the autopilot is the driver whose
    // legs count (the headless evaluation of the autopilot).
    void Start(const TWorld& world, const TShift& shift, long long step,
               bool autopilotDrives = false);
    bool Started() const { return Begun; }
    // After the world step that brought the run's step count to `step`.
    void AfterStep(const TWorld& world, long long step);
    // The player ended the game at `step`: a running shift ends there.
    void EndByPlayer(long long step);
    bool Finished() const { return Begun && End != TShiftEnd::Running; }
    TShiftEnd Ending() const { return End; }
    const TShift& Shift() const { return Kind; }

    // `allEvents` false: only the last event is listed, for a display that shows no more and is
    // refreshed while the shift runs (the list may hold thousands).
    TEvaluation Evaluation(bool allEvents = true) const;
    // The points earned so far, the stops reached, and the last event (none: null).
    double PointsEarned() const;
    std::int32_t StopsReached() const { return Reached; }
    std::int32_t Planned() const { return PlannedCount; }
    const TScoreEvent* LastEvent() const { return Events.empty() ? nullptr : &Events.back(); }
    // A best shift: a circuits or minutes shift driven to its end by the player alone, in one
    // go.
    bool Eligible() const;
    // The shift goes on in a game continued from a save: it can no longer be a best shift.
    void MarkContinued() { Continued = true; }

    // The fields a save keeps, in order, for the world save's writer and reader.
    template <class A> void Fields(A& a);
    // After reading: every figure within what a shift can reach, every rail within the map's
    // `objects`. False when one is not.
    bool InBounds(int objects) const;

  private:
    struct TLeg {
        std::array<double, ScoreCategoryCount> Lost{};
        bool Autopilot = false;
        std::uint32_t FirstEvent = 0;
    };
    struct TVisit {
        std::int32_t Obj = -1;    // the stop rail under the lead point; -1: none
        bool Scored = false;      // one of the shift's stops (not the one it started at)
        bool DoorsOpened = false; // at a standstill, here
        bool Served = false;
        bool Departed = false; // moved off after serving: the leg to it is closed
    };

    void Observe(const TWorld& world, const TVell& tram, long long step);
    // Charges `points` to the leg's category, at most what it has left, listed as an event (or
    // added to the event of the `episode` going on). `whole`: the leg's remaining points, charged
    // as they are.
    void Charge(TScoreRule rule, double points, double figure, long long step, const TVell& tram,
                std::int32_t* episode = nullptr, double whole = -1);
    void CloseLeg(const TVell& tram, long long step, bool served);
    void PassStop(const TVell& tram, long long step);
    void CheckDone(long long step);

    bool Begun = false;
    TShift Kind;
    TShiftEnd End = TShiftEnd::Running;
    bool AutopilotDrives = false;
    bool UsedAutopilot = false;
    bool Continued = false;
    std::int32_t TramNumber = 0;
    std::uint8_t RouteRow = 0, RouteCol = 0;
    long long StartStep = 0, LastStep = 0;
    std::int32_t PlannedCount = 0;
    std::int32_t Reached = 0;
    std::array<double, ScoreCategoryCount> Earned{};
    TLeg Leg;
    TVisit Visit;
    std::int32_t LeadObj = -1; // the lead point after the last step scored
    std::uint16_t LeadSwitch = 0;
    bool DoorsWereOpening = false;
    std::array<double, score::AccelerationSteps> Speeds{}; // the last steps' speeds, m/tick
    std::int32_t SpeedCount = 0;                           // how many of them are filled
    std::int32_t BrakeSteps = 0;
    std::int32_t OverspeedEvent = -1; // the fault episodes going on: their event; -1 none
    std::int32_t ComfortEvent = -1;
    std::vector<TScoreEvent> Events;
};

// The rule's name as the evaluation lists it, in the program's language.
std::string RuleName(TScoreRule rule);
std::string CategoryName(int category);

template <class A> void TShiftScore::Fields(A& a) {
    a(Begun);
    a(Kind.Length);
    a.Enum(Kind.Kind, TShiftKind::Minutes);
    a.Enum(End, TShiftEnd::Accident);
    a(AutopilotDrives);
    a(UsedAutopilot);
    a(Continued);
    a(TramNumber);
    a(RouteRow);
    a(RouteCol);
    a(StartStep);
    a(LastStep);
    a(PlannedCount);
    a(Reached);
    for (double& e : Earned)
        a(e);
    for (double& l : Leg.Lost)
        a(l);
    a(Leg.Autopilot);
    a(Leg.FirstEvent);
    a(Visit.Obj);
    a(Visit.Scored);
    a(Visit.DoorsOpened);
    a(Visit.Served);
    a(Visit.Departed);
    a(LeadObj);
    a(LeadSwitch);
    a(DoorsWereOpening);
    for (double& v : Speeds)
        a(v);
    a(SpeedCount);
    a(BrakeSteps);
    a(OverspeedEvent);
    a(ComfortEvent);
    std::uint32_t count = std::uint32_t(Events.size());
    if (!a.Count(count, 8 + 1 + 8 + 8 + 4 + 16)) return;
    if constexpr (A::Reading) {
        if (count > MaxEvents) {
            a.Check(false);
            return;
        }
        Events.resize(count);
    }
    for (TScoreEvent& e : Events) {
        a(e.Step);
        a.Enum(e.Rule, LastScoreRule);
        a(e.Points);
        a(e.Figure);
        a(e.Stop);
        a(e.X);
        a(e.Y);
    }
}

} // namespace vell
