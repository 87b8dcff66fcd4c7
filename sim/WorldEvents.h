// What a watcher of the world may learn as it happens: counted beside the simulation, never
// changing what it does or which random numbers it draws.
#pragma once

namespace vell {

class TVell;

class TWorldEvents {
  public:
    virtual ~TWorldEvents() = default;
    // A tram finished boarding at a stop and compared itself with its timetable.
    virtual void StopServed(const TVell&) {}
    // A tram's lead point left a stop rail that it had not served.
    virtual void StopLeftUnserved(const TVell&) {}
    virtual void Alighted(const TVell&, double /*passengers*/) {}
    virtual void Boarded(const TVell&, double /*passengers*/) {}
};

} // namespace vell
