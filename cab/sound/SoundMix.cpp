// The cab's frame of sound from the world's state.
#include "cab/sound/SoundMix.h"

#include "model/Units.h"
#include "sim/Speed.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vell {

namespace {

// The loudest the tram rolls, and where its motors' pitch reaches 2 (km/h).
constexpr double FullRollKmh = 70;
constexpr double MotorPitchPerKmh = 1.0 / 45;
constexpr double MotorIdlePitch = 0.4;
// The controller's dead band, as the simulation reads it: traction and braking start beyond.
constexpr double CommandDeadBand = 0.099;
constexpr double ElectricBrakeKmh = 10;
// The most a voice's loudness rises and falls from one frame to the next.
constexpr float GainRise = 0.12f;
constexpr float GainFall = 0.3f;

float Clamp01(double v) {
    return float(std::clamp(v, 0.0, 1.0));
}

// Traction, or the motors working as brakes above 10 km/h: how hard the motors work, 0..1.
double MotorLoad(const TVell& tram) {
    if (tram.Command > CommandDeadBand) return tram.Command;
    if (tram.Command < -CommandDeadBand && MptToKmh(tram.Speed) > ElectricBrakeKmh)
        return -0.5 * tram.Command;
    return 0;
}

TVoice RollVoice(double kmh) {
    return {Clamp01(kmh / FullRollKmh), float(0.7 + 0.6 * Clamp01(kmh / FullRollKmh))};
}

TVoice MotorVoice(const TVell& tram, double kmh) {
    return {float(0.6 * MotorLoad(tram)),
            float(std::min(2.2, MotorIdlePitch + kmh * MotorPitchPerKmh))};
}

// The heading of a rail, radians.
double RailHeading(const TMap& map, int rail) {
    const TMapObject& o = map.Objects[std::size_t(rail)];
    return std::atan2(double(o.Y2) - o.Y1, double(o.X2) - o.X1);
}

// The train's middle and its velocity in metres per second.
struct TTramMotion {
    TPointXY Middle;
    double VX = 0, VY = 0;
};

TTramMotion MotionOf(const TVell& tram) {
    const TPointXY head = tram.PointXY(tram.Front[0]);
    const TPointXY tail = tram.PointXY(tram.Rear[std::size_t(tram.Cars() - 1)]);
    TTramMotion m;
    m.Middle = {(head.X + tail.X) / 2, (head.Y + tail.Y) / 2};
    const double dx = head.X - tail.X, dy = head.Y - tail.Y, length = std::hypot(dx, dy);
    if (length > 0) {
        const double v = tram.Speed * TicksPerSecond;
        m.VX = dx / length * v;
        m.VY = dy / length * v;
    }
    return m;
}

} // namespace

TListener ListenerInCab(const TVell& tram) {
    const TCarAxisXY axis = tram.CarAxis(0);
    TListener l;
    l.X = axis.Centre.X - 4 * axis.Dir.X;
    l.Y = axis.Centre.Y - 4 * axis.Dir.Y;
    if (axis.Dir.X != 0 || axis.Dir.Y != 0) {
        l.ForwardX = -axis.Dir.X;
        l.ForwardY = -axis.Dir.Y;
    }
    const double v = tram.Speed * TicksPerSecond;
    l.VX = l.ForwardX * v;
    l.VY = l.ForwardY * v;
    return l;
}

bool TSoundMix::CarSqueals(const TMap& map, const TVell& tram, int car) {
    if (MptToKmh(tram.Speed) <= SquealSpeedKmh) return false;
    const int front = tram.Front[std::size_t(car)].Obj, rear = tram.Rear[std::size_t(car)].Obj;
    if (front == rear || front >= int(map.Objects.size()) || rear >= int(map.Objects.size()))
        return false;
    double turn = std::abs(RailHeading(map, front) - RailHeading(map, rear));
    if (turn > std::numbers::pi) turn = 2 * std::numbers::pi - turn;
    return turn > SquealTurnDegrees * std::numbers::pi / 180;
}

void TSoundMix::Reset() {
    Seen = nullptr;
    SeenSpeed = 0;
    SeenBraking = SeenClosing = SeenAccident = DoorsOpenedStanding = BellRung = false;
    VoiceTram.fill(NoTram);
    LastGains.fill(0);
    Frame = TSoundFrame{};
}

const TSoundFrame& TSoundMix::Update(const TWorld& world, const TVell* player,
                                     const TListener& listener) {
    const bool bell = BellRung;
    Frame = TSoundFrame{};
    Frame.Listener = listener;
    BellRung = false;
    if (!player) {
        Seen = nullptr;
        return Frame;
    }
    HearPlayer(world.Map, *player);
    NoteEvents(*player);
    Frame.Bell = Frame.Bell || bell;
    HearOthers(world, player, listener);
    return Frame;
}

void TSoundMix::HearPlayer(const TMap& map, const TVell& tram) {
    const double kmh = MptToKmh(tram.Speed);
    Frame.Roll = RollVoice(kmh);
    Frame.Motor = MotorVoice(tram, kmh);
    if (tram.Command < -CommandDeadBand && tram.Speed > 0)
        Frame.Brake = {float(-0.5 * tram.Command), float(0.8 + 0.4 * Clamp01(kmh / FullRollKmh))};
    for (int car = 0; car < tram.Cars(); ++car)
        if (CarSqueals(map, tram, car))
            Frame.Squeal = {float(0.5 * std::min(1.0, 0.3 + (kmh - SquealSpeedKmh) / 20)), 1};
    const bool opening = tram.DoorsOpening && tram.DoorOpening < tram.DoorTarget;
    const bool closing = tram.DoorsClosing && tram.DoorOpening > 0;
    if (opening || closing) Frame.DoorMotor = {0.5f, closing ? 1.12f : 1.0f};
    // Motors spin up and down, doors' motors too: a voice's loudness changes by at most a step
    // a frame, never jumps.
    TVoice* voices[] = {&Frame.Motor, &Frame.Brake, &Frame.Roll, &Frame.Squeal, &Frame.DoorMotor};
    for (std::size_t v = 0; v < LastGains.size(); ++v) {
        voices[v]->Gain =
            std::clamp(voices[v]->Gain, LastGains[v] - GainFall, LastGains[v] + GainRise);
        LastGains[v] = voices[v]->Gain;
    }
}

void TSoundMix::NoteEvents(const TVell& tram) {
    const int points = 2 * tram.Cars();
    std::array<std::uint16_t, 2 * MaxCars> rails{};
    for (int car = 0; car < tram.Cars(); ++car) {
        rails[std::size_t(2 * car)] = tram.Front[std::size_t(car)].Obj;
        rails[std::size_t(2 * car + 1)] = tram.Rear[std::size_t(car)].Obj;
    }
    const bool braking = tram.Command < -CommandDeadBand;
    const bool closing = tram.DoorsClosing && tram.DoorOpening > 0;
    if (Seen == &tram) {
        for (int p = 0; p < points; ++p)
            if (rails[std::size_t(p)] != SeenRails[std::size_t(p)]) ++Frame.Clicks;
        Frame.Chime = closing && !SeenClosing;
        Frame.Hiss = SeenSpeed == 0 && SeenBraking && !braking;
        Frame.Bell = SeenSpeed == 0 && tram.Speed > 0 && tram.AutoDrive && DoorsOpenedStanding;
        Frame.Crash = tram.Accident && !SeenAccident;
    } else {
        DoorsOpenedStanding = false;
    }
    if (tram.Speed == 0 && tram.DoorOpening > 0) DoorsOpenedStanding = true;
    if (tram.Speed > 0) DoorsOpenedStanding = false;
    Seen = &tram;
    SeenRails = rails;
    SeenSpeed = tram.Speed;
    SeenBraking = braking;
    SeenClosing = closing;
    SeenAccident = tram.Accident;
}

void TSoundMix::HearOthers(const TWorld& world, const TVell* player, const TListener& listener) {
    // The nearest trams within hearing, nearest first.
    int found = 0;
    const double rangeSq = HearingRange * HearingRange;
    const int count = std::min(world.VellCount, MaxVells);
    for (int k = 0; k < count; ++k) {
        const TVell* tram = world.VellTable[std::size_t(k)].get();
        if (!tram || tram == player || !tram->Active) continue;
        const TPointXY head = tram->PointXY(tram->Front[0]);
        const double dx = head.X - listener.X, dy = head.Y - listener.Y;
        const double distSq = dx * dx + dy * dy;
        if (distSq >= rangeSq) continue;
        int at = std::min(found, OtherTramVoices);
        while (at > 0 && NearestDistSq[std::size_t(at - 1)] > distSq) {
            if (at < OtherTramVoices) {
                Nearest[std::size_t(at)] = Nearest[std::size_t(at - 1)];
                NearestDistSq[std::size_t(at)] = NearestDistSq[std::size_t(at - 1)];
            }
            --at;
        }
        if (at < OtherTramVoices) {
            Nearest[std::size_t(at)] = k;
            NearestDistSq[std::size_t(at)] = distSq;
        }
        found = std::min(found + 1, OtherTramVoices);
    }
    // A tram keeps its voice while it is heard; the others free theirs for newcomers. Voices
    // follow a tram's Number: the world re-sorts its table every step, so a slot names another
    // tram from one frame to the next.
    std::array<std::int32_t, OtherTramVoices> heardNumber{};
    for (int n = 0; n < found; ++n)
        heardNumber[std::size_t(n)] = world.VellTable[std::size_t(Nearest[std::size_t(n)])]->Number;
    const auto slotOf = [&](std::int32_t number) {
        for (int n = 0; n < found; ++n)
            if (heardNumber[std::size_t(n)] == number) return Nearest[std::size_t(n)];
        return -1;
    };
    for (std::int32_t& number : VoiceTram)
        if (number != NoTram && slotOf(number) < 0) number = NoTram;
    for (int n = 0; n < found; ++n) {
        const std::int32_t number = heardNumber[std::size_t(n)];
        if (std::find(VoiceTram.begin(), VoiceTram.end(), number) != VoiceTram.end()) continue;
        auto free = std::find(VoiceTram.begin(), VoiceTram.end(), NoTram);
        if (free != VoiceTram.end()) *free = number;
    }
    for (int v = 0; v < OtherTramVoices; ++v) {
        const std::int32_t number = VoiceTram[std::size_t(v)];
        if (number == NoTram) continue;
        const TVell& tram = *world.VellTable[std::size_t(slotOf(number))];
        const TTramMotion motion = MotionOf(tram);
        const double kmh = MptToKmh(tram.Speed);
        TPlacedTram& placed = Frame.Others[std::size_t(v)];
        placed.Heard = true;
        placed.X = float(motion.Middle.X);
        placed.Y = float(motion.Middle.Y);
        placed.VX = float(motion.VX);
        placed.VY = float(motion.VY);
        placed.Roll = RollVoice(kmh);
        placed.Motor = MotorVoice(tram, kmh);
    }
}

} // namespace vell
