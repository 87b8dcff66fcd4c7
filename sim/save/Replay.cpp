// A drive's recording: its file (the start save, the end step and the player's commands as step
// deltas and flags), the recorder the game feeds, and the player that steps a world through it.
#include "sim/save/Replay.h"

#include "model/ByteStream.h"
#include "model/Random.h"
#include "model/RouteTable.h"
#include "model/SafeFile.h"
#include "model/Texts.h"
#include "sim/Speed.h"
#include "sim/World.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace vell {

namespace {

constexpr TFileMagic Magic = {'V', 'L', 'R', 'P'};
// Far above a save and a long drive's events: a file bigger than this is no replay.
constexpr std::size_t MaxReplayBytes = std::size_t(256) << 20;

// An event's flag byte.
constexpr std::uint8_t OpenBit = 1, CloseBit = 2, AutopilotBit = 4, ControllerBit = 8, BellBit = 16;
constexpr std::uint8_t KnownBits = OpenBit | CloseBit | AutopilotBit | ControllerBit | BellBit;
// The least an event takes: its step delta and its flags.
constexpr std::size_t LeastEventBytes = 2;

bool SameBits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

void WriteVarint(TByteWriter& out, std::uint64_t v) {
    while (v >= 0x80) {
        out.WriteU8(std::uint8_t(v | 0x80));
        v >>= 7;
    }
    out.WriteU8(std::uint8_t(v));
}

// At most nine bytes (63 bits): a longer one is no step delta this program writes.
bool ReadVarint(TByteReader& in, std::uint64_t& v) {
    v = 0;
    for (int shift = 0; shift < 63; shift += 7) {
        std::uint8_t b = 0;
        if (!in.ReadU8(b)) return false;
        v |= std::uint64_t(b & 0x7F) << shift;
        if ((b & 0x80) == 0) return true;
    }
    return false;
}

std::string Damaged(const std::string& why) {
    return Arg(translate("Replay", "Запись поездки повреждена: %1."), why);
}

// The header's fault as the replay's line; empty for none.
std::string SealError(TSealFault fault, std::uint16_t version) {
    switch (fault) {
    case TSealFault::None:
        return {};
    case TSealFault::OtherKind:
        return translate("Replay", "Это не файл записи поездки.");
    case TSealFault::CutShort:
        return translate("Replay", "Файл записи поездки обрывается раньше времени.");
    case TSealFault::OtherVersion:
        return Arg(translate("Replay", "Запись поездки другой версии формата (%1): эта программа "
                                       "читает версию %2."),
                   std::to_string(version), std::to_string(ReplayVersion));
    case TSealFault::Damaged:
        return translate("Replay", "Файл записи поездки повреждён: контрольная сумма не сходится.");
    }
    return {};
}

// The events after the end step's: each a step delta (from the start's step for the first, from
// the event before for the others), its flags, and the controller when it changed.
// Counted first: no more than one a step and MaxReplayEvents, and none without the player's
// tram (`player`), so that no count makes the reader take memory the file does not hold.
std::string ReadEvents(TByteReader& in, long long startStep, bool player, TReplay& replay) {
    std::uint32_t count = 0;
    if (!in.ReadU32(count) || !in.Has(std::size_t(count) * LeastEventBytes))
        return Damaged(translate("Replay", "событий больше, чем помещается в файле"));
    if (count > MaxReplayEvents || count > replay.EndStep - startStep)
        return Damaged(translate("Replay", "событий больше, чем шагов записи"));
    if (count > 0 && !player)
        return translate("Replay", "В начале записи поездки нет трамвая игрока: его команды "
                                   "некому передать.");
    long long step = startStep;
    TPlayerCommands commands;
    for (std::uint32_t k = 0; k < count; ++k) {
        std::uint64_t delta = 0;
        std::uint8_t flags = 0;
        if (!ReadVarint(in, delta) || !in.ReadU8(flags))
            return Damaged(translate("Replay", "события обрываются"));
        if ((flags & ~KnownBits) != 0)
            return Damaged(translate("Replay", "неизвестные флаги события"));
        // The first event may fall on the start's step; every later one comes after the one
        // before, and all before the end.
        if ((k > 0 && delta == 0) || delta >= std::uint64_t(replay.EndStep - step))
            return Damaged(translate("Replay", "события не по порядку шагов или после конца"));
        step += (long long)delta;
        commands.Open = flags & OpenBit;
        commands.Close = flags & CloseBit;
        commands.Autopilot = flags & AutopilotBit;
        if (flags & ControllerBit) {
            if (!in.ReadF64(commands.Controller))
                return Damaged(translate("Replay", "события обрываются"));
            if (!std::isfinite(commands.Controller) || commands.Controller < -1 ||
                commands.Controller > 1)
                return Damaged(translate("Replay", "контроллер вне пределов -1..1"));
        } else if (k == 0) {
            return Damaged(translate("Replay", "у первого события нет положения контроллера"));
        }
        replay.Events.push_back({step, commands, (flags & BellBit) != 0});
    }
    return {};
}

// `run` with its step count set: a snapshot's run as it stands before world step `steps`.
TRunState WithSteps(const TRunState& run, long long steps) {
    TRunState at = run;
    at.Steps = steps;
    return at;
}

} // namespace

TPlayerCommands TPlayerCommands::Of(const TVell& tram) {
    return {tram.ManualCommand, tram.ManualOpen, tram.ManualClose, tram.AutoDrive};
}

void TPlayerCommands::ApplyTo(TVell& tram) const {
    tram.ManualCommand = Controller;
    tram.ManualOpen = Open;
    tram.ManualClose = Close;
    tram.AutoDrive = Autopilot;
}

bool TPlayerCommands::operator==(const TPlayerCommands& other) const {
    return SameBits(Controller, other.Controller) && Open == other.Open && Close == other.Close &&
           Autopilot == other.Autopilot;
}

std::vector<std::uint8_t> EncodeReplay(const TReplay& replay) {
    TByteWriter out;
    out.Reserve(replay.Start.size() + replay.Events.size() * 4 + 32);
    out.WriteU32(std::uint32_t(replay.Start.size()));
    out.WriteBytes(replay.Start);
    out.WriteI64(replay.EndStep);
    out.WriteU32(std::uint32_t(replay.Events.size()));
    // The start's step is the first delta's base; a start that is no save counts from 0.
    long long step = ReplayStart(replay).Steps;
    for (std::size_t k = 0; k < replay.Events.size(); ++k) {
        const TReplayEvent& e = replay.Events[k];
        const bool controller =
            k == 0 || !SameBits(e.Commands.Controller, replay.Events[k - 1].Commands.Controller);
        WriteVarint(out, std::uint64_t(e.Step - step));
        step = e.Step;
        out.WriteU8(std::uint8_t((e.Commands.Open ? OpenBit : 0) |
                                 (e.Commands.Close ? CloseBit : 0) |
                                 (e.Commands.Autopilot ? AutopilotBit : 0) |
                                 (controller ? ControllerBit : 0) | (e.Bell ? BellBit : 0)));
        if (controller) out.WriteF64(e.Commands.Controller);
    }
    const std::vector<std::uint8_t> body = out.Take();
    return SealFile(Magic, ReplayVersion, body);
}

bool DecodeReplay(std::span<const std::uint8_t> bytes, TReplay& replay, std::string& error) {
    std::uint16_t version = 0;
    std::span<const std::uint8_t> body;
    TSealFault fault = OpenSealedFile(bytes, Magic, ReplayVersion, version, body);
    if (fault == TSealFault::OtherVersion && version == 1)
        fault = OpenSealedFile(bytes, Magic, 1, version, body);
    error = SealError(fault, version);
    if (!error.empty()) return false;
    TByteReader in(body);
    TReplay read;
    std::uint32_t startBytes = 0;
    std::span<const std::uint8_t> start;
    if (!in.ReadU32(startBytes) || !in.ReadBytes(startBytes, start)) {
        error = Damaged(translate("Replay", "начало обрывается"));
        return false;
    }
    TWorldSave save;
    if (!DecodeWorldSave(start, save, error)) {
        error = Arg(translate("Replay", "Начало записи поездки не читается: %1"), error);
        return false;
    }
    read.Start.assign(start.begin(), start.end());
    std::int64_t endStep = -1;
    if (!in.ReadI64(endStep) || endStep < save.Steps) {
        error = Damaged(translate("Replay", "конец раньше начала"));
        return false;
    }
    if (endStep - save.Steps > MaxReplaySteps) {
        error = Damaged(
            Arg(translate("Replay", "длиннее %1 шагов мира"), std::to_string(MaxReplaySteps)));
        return false;
    }
    read.EndStep = endStep;
    bool player = false;
    if (!SavedPlayerTram(save, player, error)) {
        error = Arg(translate("Replay", "Начало записи поездки не читается: %1"), error);
        return false;
    }
    error = ReadEvents(in, save.Steps, player, read);
    if (error.empty() && in.Left() != 0)
        error = Damaged(translate("Replay", "лишние данные после событий"));
    if (!error.empty()) return false;
    replay = std::move(read);
    return true;
}

bool ReadReplay(const std::string& path, TReplay& replay, std::string& error) {
    std::vector<std::uint8_t> bytes;
    const TFileFault fault = ReadFileBytes(path, bytes, MaxReplayBytes);
    if (fault != TFileFault::None) {
        error = Arg(translate("Replay", "Не удалось прочитать запись поездки %1: %2"), path,
                    SaveFaultReason(fault));
        return false;
    }
    return DecodeReplay(bytes, replay, error);
}

std::string WriteReplay(const std::string& path, const TReplay& replay) {
    const TFileFault fault = WriteFileAtomically(path, EncodeReplay(replay));
    if (fault == TFileFault::None) return {};
    return Arg(translate("Replay", "Не удалось записать запись поездки %1: %2"), path,
               SaveFaultReason(fault));
}

TWorldSave ReplayStart(const TReplay& replay) {
    TWorldSave save;
    std::string error;
    DecodeWorldSave(replay.Start, save, error);
    return save;
}

std::string TDriveRecorder::Start(const TWorld& world, const TRunState& run) {
    Started = false;
    std::string error;
    if (!WorldMapFile(world, MapPath, MapHash, error)) return error;
    StartStep = run.Steps;
    Recorded = {};
    Recorded.Start = EncodeWorldSave(world, run, MapPath, MapHash);
    Recorded.EndStep = StartStep;
    Last = world.PlayerTram ? TPlayerCommands::Of(*world.PlayerTram) : TPlayerCommands{};
    Older = Newer = {};
    FullAt = -1;
    Started = true;
    return {};
}

void TDriveRecorder::Before(const TWorld& world, const TRunState& run, long long step, bool bell) {
    if (!Started || Full() || step < StartStep) return;
    if (step - StartStep >= MaxReplaySteps) {
        FullAt = StartStep + MaxReplaySteps;
        return;
    }
    std::vector<TReplayEvent>& events = Recorded.Events;
    if (world.PlayerTram) {
        const TPlayerCommands now = TPlayerCommands::Of(*world.PlayerTram);
        // Called again before the same step: the later commands are those the step reads.
        if (!events.empty() && events.back().Step >= step) {
            if (events.back().Step == step) {
                events.back().Commands = now;
                events.back().Bell = events.back().Bell || bell;
            }
        } else if (!(now == Last) || bell) {
            // No room for this change: the drive ends before the step that would read it.
            if (events.size() >= MaxReplayEvents) {
                FullAt = step;
                return;
            }
            events.push_back({step, now, bell});
        }
        Last = now;
    }
    if (step > StartStep && (step - StartStep) % StepsPerPlayedMinute == 0 && step > Newer.Step) {
        Older = std::move(Newer);
        Newer.Step = step;
        Newer.Save = EncodeWorldSave(world, WithSteps(run, step), MapPath, MapHash);
        Newer.FirstEvent = events.size() - (!events.empty() && events.back().Step == step);
    }
}

TReplay TDriveRecorder::Drive(long long endStep) const {
    TReplay replay;
    replay.Start = Recorded.Start;
    replay.EndStep = std::max(Full() ? std::min(endStep, FullAt) : endStep, StartStep);
    for (const TReplayEvent& e : Recorded.Events)
        if (e.Step < replay.EndStep) replay.Events.push_back(e);
    return replay;
}

TReplay TDriveRecorder::LastSteps(long long endStep, long long steps) const {
    if (Full()) endStep = std::min(endStep, FullAt);
    const long long latest = endStep - steps;
    for (const TSnapshot* s : {&Newer, &Older}) {
        if (s->Step < 0 || s->Step > latest) continue;
        TReplay replay;
        replay.Start = s->Save;
        replay.EndStep = endStep;
        for (std::size_t k = s->FirstEvent; k < Recorded.Events.size(); ++k)
            if (Recorded.Events[k].Step < endStep) replay.Events.push_back(Recorded.Events[k]);
        return replay;
    }
    return Drive(endStep);
}

bool TReplayPlayer::Before(TVell* tram, long long step) {
    const std::vector<TReplayEvent>& events = Replay->Events;
    bool bell = false;
    for (; Next < events.size() && events[Next].Step <= step; ++Next) {
        if (tram) events[Next].Commands.ApplyTo(*tram);
        bell = bell || events[Next].Bell;
    }
    return bell;
}

bool TReplayPlayer::Before(TWorld& world, long long step) {
    return Before(world.PlayerTram, step);
}

bool StartReplay(const TReplay& replay, TWorld& world, TRunState& run, TReplayPlayer& player,
                 long long fromStep, std::string& error, const TReplayProgress& progress) {
    const TWorldSave save = ReplayStart(replay);
    world.StopWorld();
    TShiftScore* const shift = run.Shift;
    run = TRunState{};
    run.Shift = shift;
    if (!RestoreWorld(save, world, run, error)) return false;
    if (!world.PlayerTram && !replay.Events.empty()) {
        world.StopWorld();
        error = translate("Replay", "В начале записи поездки нет трамвая игрока: его команды "
                                    "некому передать.");
        return false;
    }
    // A start without a shift (a version 1 recording): the drive is scored as an open shift.
    if (shift && !shift->Started() && world.PlayerTram) shift->Start(world, TShift{}, run.Steps);
    player = TReplayPlayer(replay);
    const long long to = std::clamp(fromStep, save.Steps, std::max(save.Steps, replay.EndStep));
    for (; run.Steps < to; ++run.Steps) {
        const long long played = run.Steps - save.Steps;
        if (progress && played % ReplayProgressSteps == 0 && played > 0 &&
            !progress(played, to - save.Steps)) {
            error = Arg(translate("Replay", "Запись остановлена на шаге %1 из %2."),
                        std::to_string(run.Steps), std::to_string(to));
            return false;
        }
        player.Before(world, run.Steps);
        world.WorldStep();
        if (shift) shift->AfterStep(world, run.Steps + 1);
    }
    return true;
}

bool RunReplay(const TReplay& replay, TMap& map, TWorld& world, TReplayOutcome& outcome,
               std::string& error, const TMapSearch& search, const TReplayProgress& progress) {
    TWorldSave save;
    if (!DecodeWorldSave(replay.Start, save, error)) {
        error = Arg(translate("Replay", "Начало записи поездки не читается: %1"), error);
        return false;
    }
    world.StopWorld();
    if (!LoadSavedMap(save, map, error, search)) return false;
    SelectMap(map);
    TRunState run;
    TShiftScore score;
    run.Shift = &score;
    TReplayPlayer player(replay);
    outcome = {};
    const bool played = StartReplay(replay, world, run, player, replay.EndStep, error, progress);
    outcome.StartStep = save.Steps;
    outcome.EndStep = run.Steps;
    if (!played) return false;
    outcome.Digest = ReplayDigest(world, run);
    if (score.Started()) {
        // The recording ends where the player left the cab, unless the shift ended before.
        score.EndByPlayer(run.Steps);
        outcome.Evaluation = score.Evaluation();
    }
    if (const TVell* tram = world.PlayerTram) {
        outcome.RouteRow = tram->RouteRow;
        outcome.RouteCol = tram->RouteCol;
        outcome.Number = tram->Number;
        const TPointXY lead = tram->PointXY(tram->Front[0]);
        outcome.X = lead.X;
        outcome.Y = lead.Y;
        outcome.SpeedKmh = MptToKmh(tram->Speed);
        outcome.Passengers = tram->Passengers;
        outcome.Deviation = tram->Deviation;
        outcome.MaxLate = tram->MaxLate;
        outcome.Accident = tram->Accident;
        outcome.Crash = tram->Crash;
    }
    return true;
}

std::uint64_t ReplayDigest(TWorld& world, const TRunState& run) {
    std::vector<double> shake(std::size_t(world.VellCount));
    for (int k = 0; k < world.VellCount; ++k)
        std::swap(shake[std::size_t(k)], world.VellTable[k]->ShakeAngle);
    TRunState programless = run;
    programless.Program = {};
    const std::uint64_t digest = WorldStateDigest(world, programless);
    for (int k = 0; k < world.VellCount; ++k)
        std::swap(shake[std::size_t(k)], world.VellTable[k]->ShakeAngle);
    return digest;
}

} // namespace vell
