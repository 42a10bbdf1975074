// zwojnik-supervisor PROGRAM COMMAND
//
// Runs COMMAND through /bin/sh -c for the program whose process is PROGRAM, its parent, and ends everything
// the command started once the shell has ended, once the program has ended however it ended, or once it
// gets SIGTERM, SIGHUP or SIGINT. Orphans of the command come to it, so that it finds them even when they
// left its process group or its session. It exits with the shell's status, 128 + the signal when a signal
// ended the shell.
//
// The program's Shell starts it, leading a process group of its own, with /dev/null as its input and
// output, its standard error on a pipe, and descriptor 3 on a pipe that nothing else holds: that pipe
// closes when it exits. The shell gets the same input and outputs, and not descriptor 3.
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int kRunningDescriptor = 3;
constexpr int kNotStarted = 127;
// How long an end waits for a killed process before it looks again for ones it did not see.
constexpr timespec kRescanInterval{0, 50'000'000};

// The process's parent, from /proc/PID/stat: "PID (NAME) STATE PARENT …", where NAME may hold anything.
pid_t parentOf(const std::string& pid)
{
    std::ifstream stat("/proc/" + pid + "/stat");
    const std::string line(std::istreambuf_iterator<char>(stat), {});
    const auto nameEnd = line.rfind(')');
    if (nameEnd == std::string::npos) {
        return 0;
    }
    char state = 0;
    pid_t parent = 0;
    return std::sscanf(line.c_str() + nameEnd + 1, " %c %d", &state, &parent) == 2 ? parent : 0;
}

std::vector<pid_t> children()
{
    std::vector<pid_t> found;
    DIR* proc = opendir("/proc");
    if (proc == nullptr) {
        return found;
    }
    const pid_t self = getpid();
    while (const dirent* entry = readdir(proc)) {
        const std::string name = entry->d_name;
        if (name.find_first_not_of("0123456789") == std::string::npos && parentOf(name) == self) {
            found.push_back(std::stoi(name));
        }
    }
    closedir(proc);
    return found;
}

// Reaps every child that has ended, noting the shell's status; false once no child is left.
bool reapEnded(pid_t shell, int& shellStatus, bool& shellEnded)
{
    while (true) {
        int status = 0;
        const pid_t ended = waitpid(-1, &status, WNOHANG);
        if (ended > 0 && ended == shell) {
            shellStatus = status;
            shellEnded = true;
        } else if (ended == 0) {
            return true;
        } else if (ended < 0 && errno != EINTR) {
            return false;
        }
    }
}

// Kills every child, and the orphans that come as their parents end, until none is left. A process that
// was starting while the children were listed is found on the next round.
void endEverything(pid_t shell, int& shellStatus, bool& shellEnded)
{
    sigset_t childEnded;
    sigemptyset(&childEnded);
    sigaddset(&childEnded, SIGCHLD);
    while (reapEnded(shell, shellStatus, shellEnded)) {
        for (const pid_t child : children()) {
            kill(child, SIGKILL);
        }
        sigtimedwait(&childEnded, nullptr, &kRescanInterval);
    }
}

pid_t startShell(char* command)
{
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    std::array<char*, 4> argv{const_cast<char*>("sh"), const_cast<char*>("-c"), command, nullptr};
    pid_t shell = 0;
    const int error = posix_spawn(&shell, "/bin/sh", nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    return error == 0 ? shell : -1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("usage: zwojnik-supervisor PROGRAM COMMAND (Zwojnik starts it)\n", stderr);
        return kNotStarted;
    }
    sigset_t watched;
    sigemptyset(&watched);
    for (const int signal : {SIGCHLD, SIGTERM, SIGHUP, SIGINT}) {
        sigaddset(&watched, signal);
    }
    sigprocmask(SIG_BLOCK, &watched, nullptr);
    // The program's end, however it comes, is a SIGTERM here.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != static_cast<pid_t>(std::atoll(argv[1]))) {
        return kNotStarted; // the program ended before the watch began: nothing is run for nobody
    }
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    fcntl(kRunningDescriptor, F_SETFD, FD_CLOEXEC);

    const pid_t shell = startShell(argv[2]);
    if (shell < 0) {
        return kNotStarted;
    }
    int status = 0;
    bool shellEnded = false;
    while (!shellEnded) {
        const int signal = sigwaitinfo(&watched, nullptr);
        if (signal == SIGCHLD) {
            reapEnded(shell, status, shellEnded);
        } else if (signal > 0) {
            break; // stopped: the shell is killed with the rest
        }
    }
    // Whatever the command left running goes with it.
    endEverything(shell, status, shellEnded);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}
