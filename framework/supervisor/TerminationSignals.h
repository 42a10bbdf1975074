#pragma once

// The termination signals (SIGTERM, SIGHUP, SIGINT) noted rather than obeyed at once, so that the program
// can first end the commands it runs and remove what they left.

#include <array>
#include <csignal>

namespace framework {

inline constexpr std::array kTerminationSignals{SIGTERM, SIGHUP, SIGINT};

// While it exists, a termination signal is noted and makes Descriptor() readable; a signal the program
// ignores stays ignored. Signals belong to the process: one object at a time. The caller ends the program
// by the signal once it has cleaned up (RaiseIfCame), after this object has put the old actions back.
class TerminationSignals
{
public:
    TerminationSignals();
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // Readable once a signal has come (until Drain).
    int Descriptor() const;
    // Empties Descriptor(); the signal stays noted.
    void Drain() const;
    // The signal that came, or 0.
    int Signal() const;

private:
    std::array<struct sigaction, kTerminationSignals.size()> mPrevious{};
};

// Ends the process by the signal, as it would have ended without a watcher; nothing for 0.
void RaiseIfCame(int signal);

} // namespace framework
