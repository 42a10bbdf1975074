#include "framework/supervisor/TerminationSignals.h"

#include "framework/supervisor/Launcher.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace framework {

namespace {

// What the handler may touch: lock-free atomics and the write end of a pipe.
std::atomic<int> gSignal = 0;
std::atomic<int> gWakeDescriptor = -1;
static_assert(std::atomic<int>::is_always_lock_free);

// May run on any thread, in the middle of anything: it only notes the signal and wakes the waiter.
extern "C" void noteTerminationSignal(int signal)
{
    const int savedErrno = errno;
    gSignal.store(signal);
    const char byte = 0;
    (void)!write(gWakeDescriptor.load(), &byte, 1);
    errno = savedErrno;
}

// The pipe by which the handler wakes the waiter. It lives as long as the process: a handler still
// running on another thread when a watcher goes writes to it all the same.
const Pipe& wakePipe()
{
    static const Pipe wake = [] {
        auto made = MakePipe(O_NONBLOCK);
        gWakeDescriptor.store(made.write.Get());
        return made;
    }();
    return wake;
}

} // namespace

TerminationSignals::TerminationSignals()
{
    Drain(); // what a signal left while an earlier watcher was ending
    gSignal.store(0);
    struct sigaction action = {};
    action.sa_handler = noteTerminationSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < kTerminationSignals.size(); ++i) {
        sigaction(kTerminationSignals[i], nullptr, &mPrevious[i]);
        if (mPrevious[i].sa_handler != SIG_IGN) {
            sigaction(kTerminationSignals[i], &action, nullptr);
        }
    }
}

TerminationSignals::~TerminationSignals()
{
    for (std::size_t i = 0; i < kTerminationSignals.size(); ++i) {
        sigaction(kTerminationSignals[i], &mPrevious[i], nullptr);
    }
}

int TerminationSignals::Descriptor() const
{
    return wakePipe().read.Get();
}

void TerminationSignals::Drain() const
{
    char bytes[64];
    while (read(Descriptor(), bytes, sizeof bytes) > 0) {
    }
}

int TerminationSignals::Signal() const
{
    return gSignal.load();
}

void RaiseIfCame(int signal)
{
    if (signal != 0) {
        std::raise(signal);
    }
}

} // namespace framework
