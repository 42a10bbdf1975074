#include "framework/Shell.h"

#include "framework/Application.h"
#include "framework/Exceptions.h"
#include "framework/Platform.h"
#include "framework/detail/InputBlocker.h"

#include <QApplication>
#include <QMessageBox>
#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace framework {

namespace {

constexpr const char* kShell = "/bin/sh";
constexpr std::array kTerminationSignals{SIGTERM, SIGHUP, SIGINT};
constexpr const char* kStopQuestion = "Zamiana pliku .lit jeszcze trwa. Przerwać ją i zamknąć Zwojnik?";

// What the signal handler needs: it can reach nothing else.
volatile sig_atomic_t gRunningGroup = 0;
volatile sig_atomic_t gTerminationSignal = 0;

extern "C" void endRunningGroup(int signal)
{
    gTerminationSignal = signal;
    if (gRunningGroup > 0) {
        kill(-gRunningGroup, SIGKILL);
    }
}

// While it exists, SIGTERM, SIGHUP and SIGINT end the running command's group; the program ends by
// them only once the command is gone. A signal the program ignores stays ignored.
class TerminationWatch
{
public:
    TerminationWatch()
    {
        struct sigaction action = {};
        action.sa_handler = endRunningGroup;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < kTerminationSignals.size(); ++i) {
            sigaction(kTerminationSignals[i], nullptr, &mPrevious[i]);
            if (mPrevious[i].sa_handler != SIG_IGN) {
                sigaction(kTerminationSignals[i], &action, nullptr);
            }
        }
    }
    ~TerminationWatch()
    {
        for (std::size_t i = 0; i < kTerminationSignals.size(); ++i) {
            sigaction(kTerminationSignals[i], &mPrevious[i], nullptr);
        }
        gRunningGroup = 0;
        gTerminationSignal = 0;
    }
    TerminationWatch(const TerminationWatch&) = delete;
    TerminationWatch& operator=(const TerminationWatch&) = delete;

private:
    std::array<struct sigaction, kTerminationSignals.size()> mPrevious{};
};

// Runs in a child of the program, and stays there as the leader of a new process group in which the
// shell runs with the given standard files. A process loses the parent-death signal when it forks, and
// the shell forks the converter, so this one watches for the program's death instead and then ends the
// whole group. It ends when the shell ends, with the shell's status (128 + the signal when a signal
// ended the shell), and only then closes its end of `running`.
[[noreturn]] void superviseShell(pid_t program, char* const* argv, int input, int output, int running)
{
    sigset_t watched;
    sigemptyset(&watched);
    sigaddset(&watched, SIGCHLD);
    sigaddset(&watched, SIGTERM);
    sigprocmask(SIG_BLOCK, &watched, nullptr);
    struct sigaction defaultAction = {};
    defaultAction.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG; ++signal) {
        sigaction(signal, &defaultAction, nullptr);
    }
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != program) {
        kill(0, SIGKILL); // the program ended before the watch began
    }
    dup2(input, STDIN_FILENO);
    dup2(output, STDOUT_FILENO);
    dup2(output, STDERR_FILENO);
    dup2(running, 3);
    close_range(4, ~0U, 0);

    const pid_t shell = fork();
    if (shell == 0) {
        close(3);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        execv(kShell, argv);
        _exit(127);
    }
    if (shell < 0) {
        _exit(127);
    }
    while (true) {
        int status = 0;
        if (sigwaitinfo(&watched, nullptr) == SIGTERM) {
            kill(0, SIGKILL);
        } else if (waitpid(shell, &status, WNOHANG) == shell) {
            _exit(WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status));
        }
    }
}

bool userWantsToStop()
{
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(), QString::fromUtf8(kStopQuestion),
                    QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
    CurrentPlatform().RunMessageBox(box);
    return box.clickedButton() == box.button(QMessageBox::Yes);
}

} // namespace

Shell::~Shell()
{
    if (mTerminationSignal != 0) {
        std::raise(mTerminationSignal);
    }
}

void Shell::Execute(const String& command)
{
    if (access(kShell, X_OK) != 0) {
        throw ShellException("the shell /bin/sh could not be started");
    }
    // Nothing the command prints is used: the system discards it, so it can never fill a pipe.
    const int nullDevice = open("/dev/null", O_RDWR | O_CLOEXEC);
    int running[2] = {-1, -1};
    if (nullDevice < 0 || pipe2(running, O_CLOEXEC) != 0) {
        if (nullDevice >= 0) {
            close(nullDevice);
        }
        throw ShellException("no descriptors are left to run the shell /bin/sh");
    }
    // The shell gets the command byte for byte, so that a name in a legacy encoding keeps its bytes.
    String commandBytes = command;
    std::array<char*, 4> argv{const_cast<char*>(kShell), const_cast<char*>("-c"), commandBytes.data(),
                              nullptr};

    detail::InputBlocker blocker;
    TerminationWatch watch;
    const pid_t program = getpid();
    const pid_t group = fork();
    if (group == 0) {
        superviseShell(program, argv.data(), nullDevice, nullDevice, running[1]);
    }
    close(nullDevice);
    close(running[1]);
    if (group < 0) {
        close(running[0]);
        throw ShellException("the shell /bin/sh could not be started");
    }
    setpgid(group, group); // the child may not have made its group yet
    gRunningGroup = group;
    if (gTerminationSignal != 0) {
        kill(-group, SIGKILL);
    }
    // Events go on while the command runs, so windows repaint and the window manager gets its answers;
    // the blocker keeps input and commands from the program. Unlike a nested QEventLoop this does not end
    // early when the application is told to quit: the command has to end first either way.
    bool ended = false;
    QSocketNotifier endWatch(running[0], QSocketNotifier::Read);
    QObject::connect(&endWatch, &QSocketNotifier::activated, [&ended] { ended = true; });
    while (!ended) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        if (blocker.TakeQuitRequest() && !mStoppedOnRequest) {
            blocker.SetPaused(true);
            mStoppedOnRequest = userWantsToStop();
            blocker.SetPaused(false);
            if (mStoppedOnRequest) {
                kill(-group, SIGKILL);
            }
        }
    }
    endWatch.setEnabled(false);
    close(running[0]);
    int status = 0;
    while (waitpid(group, &status, 0) < 0 && errno == EINTR) {
    }
    // Whatever the command left running goes with it.
    gRunningGroup = 0;
    kill(-group, SIGKILL);
    mTerminationSignal = gTerminationSignal;
    // Input that came during the run and still waits is dropped now, before the blocker goes: otherwise
    // a Return pressed while waiting would dismiss the outcome message as soon as it appears.
    QCoreApplication::processEvents(QEventLoop::AllEvents);

    // The supervisor ends by a signal only when its group was ended.
    mErrorCode = WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
    if (mStoppedOnRequest) {
        Quit(0);
    }
}

} // namespace framework
