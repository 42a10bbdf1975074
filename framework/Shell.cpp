#include "framework/Shell.h"

#include "framework/Application.h"
#include "framework/Exceptions.h"
#include "framework/Platform.h"
#include "framework/detail/RuntimeState.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QWindow>
#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <optional>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace framework {

namespace {

constexpr const char* kShell = "/bin/sh";
constexpr std::size_t kErrorOutputKept = 8192;
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
struct TerminationWatch
{
    TerminationWatch()
    {
        struct sigaction action = {};
        action.sa_handler = endRunningGroup;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < kTerminationSignals.size(); ++i) {
            sigaction(kTerminationSignals[i], nullptr, &previous[i]);
            if (previous[i].sa_handler != SIG_IGN) {
                sigaction(kTerminationSignals[i], &action, nullptr);
            }
        }
    }
    ~TerminationWatch()
    {
        for (std::size_t i = 0; i < kTerminationSignals.size(); ++i) {
            sigaction(kTerminationSignals[i], &previous[i], nullptr);
        }
        gRunningGroup = 0;
        gTerminationSignal = 0;
    }

    std::array<struct sigaction, kTerminationSignals.size()> previous{};
};

// Runs in a child of the program, and stays there as the leader of a new process group in which the
// shell runs with `nothing` as its input and output and `errors` as its standard error. A process loses the
// parent-death signal when it forks, and the shell forks the converter, so this one watches for the
// program's death instead and then ends the whole group. It ends when the shell ends, with the shell's
// status (128 + the signal when a signal ended the shell), and only then closes its end of `running`.
[[noreturn]] void superviseShell(pid_t program, char* const* argv, int nothing, int errors, int running)
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
    dup2(nothing, STDIN_FILENO);
    dup2(nothing, STDOUT_FILENO);
    dup2(errors, STDERR_FILENO);
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

// Closing the menu bar's window quits the program. The close comes to its native window first.
bool isMenuBarWindow(QObject* object)
{
    const auto* state = detail::CurrentState();
    const QWidget* window = state ? state->menuBarWindow.get() : nullptr;
    return window && (object == window || object == window->windowHandle());
}

// While it exists, keyboard, mouse, wheel, touch and drag-and-drop input to every window of the program
// is dropped, and so are windows closed from their title bars; the pointer shows that the program is
// busy. Windows still repaint. The requests to quit among the dropped input (the Quit shortcut, the
// menu bar's window closed) are noted.
class InputBlocker : public QObject
{
public:
    InputBlocker()
    {
        qApp->installEventFilter(this);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~InputBlocker() override
    {
        QApplication::restoreOverrideCursor();
        qApp->removeEventFilter(this);
    }

    // Whether a request to quit came since the last call.
    bool TakeQuitRequest() { return std::exchange(mQuitRequested, false); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        // A window closed from its title bar would reach the program's handlers like a command.
        case QEvent::Close:
            if (!event->spontaneous()) {
                return false;
            }
            mQuitRequested |= isMenuBarWindow(watched);
            event->ignore(); // an accepted close event closes the window even when nobody receives it
            return true;
        // The Quit item's shortcut comes to its action; the system's Quit keys as a key otherwise.
        case QEvent::Shortcut:
            if (const auto* action = qobject_cast<QAction*>(watched)) {
                mQuitRequested |= action->menuRole() == QAction::QuitRole;
            }
            return true;
        case QEvent::KeyPress:
            mQuitRequested |= static_cast<QKeyEvent*>(event)->matches(QKeySequence::Quit);
            return true;
        case QEvent::InputMethod:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            return true;
        default:
            return event->isInputEvent(); // keys, the mouse, the wheel, touch, tablets, context menus
        }
    }

private:
    bool mQuitRequested = false;
};

bool userWantsToStop()
{
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(), QString::fromUtf8(kStopQuestion),
                    QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
    CurrentPlatform().RunMessageBox(box);
    return box.clickedButton() == box.button(QMessageBox::Yes);
}

// Reads what the pipe holds without waiting, keeping only the last kilobytes; false at its end.
bool readEnd(int pipe, String& kept)
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
    // What the command prints is not used, but for the end of its standard error: the system discards
    // the rest, and the error pipe is read as it fills, so that it can never block the command.
    const int nullDevice = open("/dev/null", O_RDWR | O_CLOEXEC);
    int running[2] = {-1, -1};
    int errors[2] = {-1, -1};
    if (nullDevice < 0 || pipe2(running, O_CLOEXEC) != 0 || pipe2(errors, O_CLOEXEC) != 0) {
        for (const int descriptor : {nullDevice, running[0], running[1]}) {
            close(descriptor); // -1 for those not opened: no harm
        }
        throw ShellException("no descriptors are left to run the shell /bin/sh");
    }
    fcntl(errors[0], F_SETFL, O_NONBLOCK);
    mErrorOutput.clear();
    // The shell gets the command byte for byte, so that a name in a legacy encoding keeps its bytes.
    String commandBytes = command;
    std::array<char*, 4> argv{const_cast<char*>(kShell), const_cast<char*>("-c"), commandBytes.data(),
                              nullptr};

    std::optional<InputBlocker> blocker(std::in_place);
    TerminationWatch watch;
    const pid_t program = getpid();
    const pid_t group = fork();
    if (group == 0) {
        superviseShell(program, argv.data(), nullDevice, errors[1], running[1]);
    }
    close(nullDevice);
    close(running[1]);
    close(errors[1]);
    if (group < 0) {
        close(running[0]);
        close(errors[0]);
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
    QSocketNotifier errorWatch(errors[0], QSocketNotifier::Read);
    QObject::connect(&errorWatch, &QSocketNotifier::activated,
                     [&] { errorWatch.setEnabled(readEnd(errors[0], mErrorOutput)); });
    while (!ended) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        if (blocker->TakeQuitRequest() && !mStoppedOnRequest) {
            // The question is modal: it keeps input from the other windows itself.
            blocker.reset();
            mStoppedOnRequest = userWantsToStop();
            blocker.emplace();
            if (mStoppedOnRequest) {
                kill(-group, SIGKILL);
            }
        }
    }
    endWatch.setEnabled(false);
    errorWatch.setEnabled(false);
    close(running[0]);
    int status = 0;
    while (waitpid(group, &status, 0) < 0 && errno == EINTR) {
    }
    // Whatever the command left running goes with it.
    gRunningGroup = 0;
    kill(-group, SIGKILL);
    readEnd(errors[0], mErrorOutput);
    close(errors[0]);
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
