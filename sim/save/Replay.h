// A drive's recording (.vlrec): the world as the drive started (a whole world save) and, per world
// step, the player's commands that changed. The world is deterministic, so stepping the start
// state with the same commands at the same steps gives the same world, bit for bit. Little-endian:
// a magic, a format version, the body's length and its FNV-1a 64 checksum, then the body.
#pragma once

#include "sim/Vell.h"
#include "sim/save/WorldSave.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vell {

// Version 2: its start is a world save of version 2, with the shift; version 1 is still read.
constexpr std::uint16_t ReplayVersion = 2;
// A minute played at x1: 1200 world steps of one 50 ms tick each (the crash replay's length, the
// replay bar's clock). Not the simulated minute of the timetables, TicksPerMinute steps.
constexpr long long StepsPerPlayedMinute = 1200;
// The longest recording, in world steps: 2^31 is 29 hours played at x1024, far past any shift.
constexpr long long MaxReplaySteps = 1LL << 31;
// The most events a recording holds: the cab gives at most one a tick (1200 a played minute),
// so 2^22 is 58 hours of a driver changing the commands every tick.
constexpr std::size_t MaxReplayEvents = std::size_t(1) << 22;

// What the player sets in the player's tram and a world step reads: the controller, the two door
// buttons and the autopilot. Nothing in the world writes them.
struct TPlayerCommands {
    double Controller = 0; // the tram's ManualCommand, -1..1
    bool Open = false;     // ManualOpen
    bool Close = false;    // ManualClose
    bool Autopilot = true; // AutoDrive

    static TPlayerCommands Of(const TVell& tram);
    void ApplyTo(TVell& tram) const;
    // Bit for bit: a controller of -0 (the joystick at its neutral point) is not one of +0, and
    // the save keeps the difference.
    bool operator==(const TPlayerCommands&) const;
};

// The commands in force from world step `Step` on (the run's step count before that step), and
// whether the player rang the bell just before it: sound only, which no step reads.
struct TReplayEvent {
    long long Step = 0;
    TPlayerCommands Commands;
    bool Bell = false;
};

struct TReplay {
    std::vector<std::uint8_t> Start;  // a whole world save (.vls bytes): the drive's first state
    long long EndStep = 0;            // the run's step count when the drive ended
    std::vector<TReplayEvent> Events; // strictly increasing steps, from the start's step count
};

// The replay's bytes.
std::vector<std::uint8_t> EncodeReplay(const TReplay& replay);
// Reads a replay's bytes: magic, version, length, checksum, the start save as a file (not yet
// against its map), the length (at most MaxReplaySteps) and every event in order and in range
// (at most one a step and MaxReplayEvents, counted before any is read); a start without the
// player's tram has no events. False, with one Russian line in
// `error`, when they are not a replay this program reads.
bool DecodeReplay(std::span<const std::uint8_t> bytes, TReplay& replay, std::string& error);
bool ReadReplay(const std::string& path, TReplay& replay, std::string& error);
// Through the safe save; empty when written, else one Russian line why.
std::string WriteReplay(const std::string& path, const TReplay& replay);
// The start save of a replay that DecodeReplay accepted.
TWorldSave ReplayStart(const TReplay& replay);

// Records a drive as it goes: the game calls Before(world, step) before each world step.
class TDriveRecorder {
  public:
    // Starts a new recording at the world's current state (running, with its player's tram),
    // over the world's map file; drops the one before. `run` gives the seed, steps and program.
    // Empty when started, else one Russian line why (the map file cannot be read).
    std::string Start(const TWorld& world, const TRunState& run);
    bool Recording() const { return Started; }
    void Stop() { Started = false; }
    // Before world step `step` (the run's step count now): the player's commands, when they
    // changed or the player rang the bell (`bell`), become an event; every whole played minute
    // of the drive a snapshot is kept in memory (the last two), for replaying the last minute.
    // A drive that reaches MaxReplaySteps or MaxReplayEvents is full: it keeps what it has,
    // ending there, and records nothing more.
    void Before(const TWorld& world, const TRunState& run, long long step, bool bell = false);
    bool Full() const { return FullAt >= 0; }
    // The whole drive so far, ending at `endStep` (or where it filled up, if before).
    TReplay Drive(long long endStep) const;
    // The drive from a snapshot at least `steps` before `endStep` (the start when the drive is
    // shorter), ending at `endStep`.
    TReplay LastSteps(long long endStep, long long steps) const;

  private:
    bool Started = false;
    long long StartStep = 0;
    long long FullAt = -1; // the step at which the drive filled up; -1 while it has room
    TReplay Recorded;
    TPlayerCommands Last;
    struct TSnapshot {
        long long Step = -1;
        std::vector<std::uint8_t> Save;
        std::size_t FirstEvent = 0; // Recorded.Events from this one on follow the snapshot
    };
    TSnapshot Older, Newer;
    std::string MapPath;
    std::uint64_t MapHash = 0;
};

// Plays a replay's commands into the player's tram: the game or the tool calls Before(world,
// step) before each world step, over a world restored from ReplayStart.
class TReplayPlayer {
  public:
    explicit TReplayPlayer(const TReplay& replay) : Replay(&replay) {}
    // Puts the commands due at `step` into the world's player's tram; whether the player rang
    // the bell there.
    bool Before(TWorld& world, long long step);
    // The same into `tram` (none: the commands are passed over), for a view that follows
    // another tram than the player's.
    bool Before(TVell* tram, long long step);
    bool Finished(long long step) const { return step >= Replay->EndStep; }

  private:
    const TReplay* Replay;
    std::size_t Next = 0;
};

// Told now and then while a replay is played up to a step (every ReplayProgressSteps steps), with
// the steps played so far and the steps to play in all; false stops the playing there.
using TReplayProgress = std::function<bool(long long played, long long total)>;
constexpr long long ReplayProgressSteps = 4096;

// Restores the replay's start into `world` (not running, over the replay's map, loaded and
// selected) and plays it up to the run's step `fromStep` (kept within the replay), so that
// `player` goes on from there; `run.Shift`, when given, takes the start's shift and scores every
// step played. False, with one Russian line in `error`, when the start does not
// fit the map (the world then stays not running), or when `progress` stopped it (the world then
// stands at the step reached, `run.Steps`).
bool StartReplay(const TReplay& replay, TWorld& world, TRunState& run, TReplayPlayer& player,
                 long long fromStep, std::string& error, const TReplayProgress& progress = {});

// How a replay ended, as `VellSim replay` prints it.
struct TReplayOutcome {
    long long StartStep = 0, EndStep = 0;
    std::uint64_t Digest = 0; // ReplayDigest of the world at the end
    // The player's tram at the end.
    int RouteRow = 0, RouteCol = 0;
    std::int32_t Number = 0;
    double X = 0, Y = 0; // the lead point on the map, metres
    double SpeedKmh = 0;
    double Passengers = 0;
    std::int32_t Deviation = 0; // ticks early at the last served stop (negative: late)
    std::int32_t MaxLate = 0;
    bool Accident = false;
    TCrash Crash; // what the accident was, when there was one
    // The shift driven, scored to the end of the recording, where the player left it (none when
    // the recording's start has none).
    std::optional<TEvaluation> Evaluation;
};

// Loads the replay's map (found as `search` says and checked by its hash), restores the start
// and steps to the end, playing the commands, telling `progress` as StartReplay does. False, with
// one Russian line in `error`, when the map or the start does not fit or `progress` stopped it
// (`outcome.EndStep` then the step reached); `map` and `world` are the caller's, left with the
// world at the end.
bool RunReplay(const TReplay& replay, TMap& map, TWorld& world, TReplayOutcome& outcome,
               std::string& error, const TMapSearch& search = {},
               const TReplayProgress& progress = {});

// A digest of the whole world and run as WorldStateDigest sees them, but for what only the
// program sets and no step reads (the cab's shake, the game speed, the menu's autopilot check):
// a drive and its replay end with the same ReplayDigest.
std::uint64_t ReplayDigest(TWorld& world, const TRunState& run);

} // namespace vell
