// Ctrl+C or a kill during a long VellSim run: caught, so that the run stops after the world step
// it is in and cleans up (a trace's unfinished file) instead of dying half way.
#pragma once

namespace vell::tool {

// Catches SIGINT and SIGTERM while it lives; the handler only notes the signal. One at a time.
class TInterruptWatch {
  public:
    TInterruptWatch();
    ~TInterruptWatch(); // puts the previous handlers back
    TInterruptWatch(const TInterruptWatch&) = delete;
    TInterruptWatch& operator=(const TInterruptWatch&) = delete;

    // The signal caught, 0 while none.
    int Signal() const;
};

} // namespace vell::tool
