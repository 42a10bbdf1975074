#include "framework/supervisor/Launcher.h"

#include "framework/Exceptions.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace framework {

namespace {

// The supervisor's end of the pipe that closes when it exits.
constexpr int kRunningDescriptor = 3;

class SpawnActions
{
public:
    SpawnActions() { posix_spawn_file_actions_init(&mActions); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&mActions); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t* Get() { return &mActions; }

private:
    posix_spawn_file_actions_t mActions;
};

class SpawnAttributes
{
public:
    SpawnAttributes() { posix_spawnattr_init(&mAttributes); }
    ~SpawnAttributes() { posix_spawnattr_destroy(&mAttributes); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    posix_spawnattr_t* Get() { return &mAttributes; }

private:
    posix_spawnattr_t mAttributes;
};

} // namespace

// A pipe whose ends are closed on exec and lie above the descriptors that the supervisor is given, so that
// handing one end over never replaces another, even when the program runs with its standard ones closed.
Pipe MakePipe(int flags)
{
    int ends[2] = {-1, -1};
    if (pipe2(ends, O_CLOEXEC | flags) != 0) {
        throw ShellException("no descriptors are left to run the shell /bin/sh");
    }
    Pipe made{Descriptor(ends[0]), Descriptor(ends[1])};
    for (auto* end : {&made.read, &made.write}) {
        if (end->Get() <= kRunningDescriptor) {
            *end = Descriptor(fcntl(end->Get(), F_DUPFD_CLOEXEC, kRunningDescriptor + 1));
            if (end->Get() < 0) {
                throw ShellException("no descriptors are left to run the shell /bin/sh");
            }
        }
    }
    return made;
}

Supervisor::Supervisor(const std::string& executable, const std::string& command)
{
    auto errors = MakePipe(0);
    auto running = MakePipe(0);
    fcntl(errors.read.Get(), F_SETFL, O_NONBLOCK);
    SpawnActions actions;
    posix_spawn_file_actions_addopen(actions.Get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(actions.Get(), STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(actions.Get(), errors.write.Get(), STDERR_FILENO);
    posix_spawn_file_actions_adddup2(actions.Get(), running.write.Get(), kRunningDescriptor);
    posix_spawn_file_actions_addclosefrom_np(actions.Get(), kRunningDescriptor + 1);
    SpawnAttributes attributes;
    sigset_t blocked;
    sigemptyset(&blocked);
    posix_spawnattr_setsigmask(attributes.Get(), &blocked);
    sigset_t defaulted;
    sigfillset(&defaulted);
    posix_spawnattr_setsigdefault(attributes.Get(), &defaulted);
    posix_spawnattr_setpgroup(attributes.Get(), 0);
    posix_spawnattr_setflags(attributes.Get(),
                             POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
    // The shell gets the command byte for byte, so that a name in a legacy encoding keeps its bytes.
    std::string program = std::to_string(getpid());
    std::string commandBytes = command;
    std::string name = executable;
    std::array<char*, 4> argv{name.data(), program.data(), commandBytes.data(), nullptr};
    if (posix_spawn(&mProcess, executable.c_str(), actions.Get(), attributes.Get(), argv.data(), environ) !=
        0) {
        throw ShellException("the shell's supervisor " + executable + " could not be started");
    }
    mErrors = std::move(errors.read);
    mRunning = std::move(running.read);
}

Supervisor::~Supervisor()
{
    if (mProcess > 0) {
        Stop();
        Reap();
    }
}

void Supervisor::Stop() const
{
    kill(mProcess, SIGTERM);
}

int Supervisor::Reap()
{
    siginfo_t info = {};
    while (waitid(P_PID, static_cast<id_t>(mProcess), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
    }
    // Until it is reaped, the supervisor holds its group's number: no other group can have it.
    kill(-mProcess, SIGKILL);
    int status = 0;
    while (waitpid(mProcess, &status, 0) < 0 && errno == EINTR) {
    }
    mProcess = 0;
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

// Reads what the pipe holds without waiting, keeping only the last kilobytes; false at its end.
bool ReadErrorEnd(int pipe, std::string& kept)
{
    char buffer[4096];
    ssize_t count = 0;
    while ((count = read(pipe, buffer, sizeof buffer)) > 0 || (count < 0 && errno == EINTR)) {
        kept.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(count, 0)));
        if (kept.size() > kErrorOutputKept) {
            kept.erase(0, kept.size() - kErrorOutputKept);
        }
    }
    return count < 0 && errno == EAGAIN;
}

} // namespace framework
