// Catching Ctrl+C and kill during a VellSim run.
#include "tools/Interrupt.h"

#include <csignal>

namespace vell::tool {

namespace {

volatile std::sig_atomic_t Caught = 0;
struct sigaction PreviousInterrupt {};
struct sigaction PreviousTerminate {};

void NoteSignal(int signal) {
    Caught = signal;
}

// A signal the program was started to ignore (SIGINT of a shell's background job, nohup) stays
// ignored.
void Watch(int signal, struct sigaction& previous) {
    sigaction(signal, nullptr, &previous);
    if (previous.sa_handler == SIG_IGN) return;
    struct sigaction note {};
    note.sa_handler = NoteSignal;
    sigemptyset(&note.sa_mask);
    sigaction(signal, &note, nullptr);
}

} // namespace

TInterruptWatch::TInterruptWatch() {
    Caught = 0;
    Watch(SIGINT, PreviousInterrupt);
    Watch(SIGTERM, PreviousTerminate);
}

TInterruptWatch::~TInterruptWatch() {
    sigaction(SIGINT, &PreviousInterrupt, nullptr);
    sigaction(SIGTERM, &PreviousTerminate, nullptr);
}

int TInterruptWatch::Signal() const {
    return Caught;
}

} // namespace vell::tool
