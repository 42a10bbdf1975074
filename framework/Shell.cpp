#include "framework/Shell.h"

#include "framework/Application.h"
#include "framework/Descriptor.h"
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
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <optional>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace framework {

namespace {

constexpr const char* kShell = "/bin/sh";
constexpr const char* kSupervisorName = "zwojnik-supervisor";
constexpr std::size_t kErrorOutputKept = 8192;
constexpr std::array kTerminationSignals{SIGTERM, SIGHUP, SIGINT};
// The supervisor's end of the pipe that closes when it exits.
constexpr int kRunningDescriptor = 3;

struct Pipe
{
    Descriptor read;
    Descriptor write;
};

// A pipe whose ends are closed on exec and lie above the descriptors that the supervisor is given, so that
// handing one end over never replaces another, even when the program runs with its standard ones closed.
Pipe makePipe(int flags)
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

// What the signal handler may touch: lock-free atomics and the write end of a pipe. Signals belong to the
// process, so this does too.
std::atomic<int> gTerminationSignal = 0;
std::atomic<int> gWakeDescriptor = -1;
static_assert(std::atomic<int>::is_always_lock_free);

// May run on any thread, in the middle of anything: it only notes the signal and wakes the event loop,
// which stops the command.
extern "C" void noteTerminationSignal(int signal)
{
    const int savedErrno = errno;
    gTerminationSignal.store(signal);
    const char byte = 0;
    (void)!write(gWakeDescriptor.load(), &byte, 1);
    errno = savedErrno;
}

// The pipe by which the handler wakes the event loop. It lives as long as the process: a handler still
// running on another thread when a run ends writes to it all the same.
int wakeDescriptor()
{
    static const Pipe wake = [] {
        auto made = makePipe(O_NONBLOCK);
        gWakeDescriptor.store(made.write.Get());
        return made;
    }();
    return wake.read.Get();
}

// While it exists, SIGTERM, SIGHUP and SIGINT are noted and wake the event loop, which stops the running
// command; the program ends by them only once the command is gone. A signal the program ignores stays
// ignored.
class TerminationWatch
{
public:
    TerminationWatch() : mWake(wakeDescriptor(), QSocketNotifier::Read)
    {
        drain(); // what a signal left after the previous run ended
        gTerminationSignal.store(0);
        QObject::connect(&mWake, &QSocketNotifier::activated, [this] { drain(); });
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
    ~TerminationWatch()
    {
        for (std::size_t i = 0; i < kTerminationSignals.size(); ++i) {
            sigaction(kTerminationSignals[i], &mPrevious[i], nullptr);
        }
    }
    TerminationWatch(const TerminationWatch&) = delete;
    TerminationWatch& operator=(const TerminationWatch&) = delete;

    // The termination signal that came, or 0.
    int Signal() const { return gTerminationSignal.load(); }
    // Activated on the event loop once a termination signal has come.
    const QSocketNotifier& Notifier() const { return mWake; }

private:
    void drain()
    {
        char bytes[64];
        while (read(mWake.socket(), bytes, sizeof bytes) > 0) {
        }
    }

    QSocketNotifier mWake;
    std::array<struct sigaction, kTerminationSignals.size()> mPrevious{};
};

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

// The supervisor running one command (see framework/supervisor/main.cpp): a child of the program, leading a
// process group of its own. This object owns it and the ends of its pipes: however the run ends, even by an
// exception, nothing that the command started outlives the object.
class Supervisor
{
public:
    Supervisor(const String& executable, const String& command)
    {
        auto errors = makePipe(0);
        auto running = makePipe(0);
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
        String program = std::to_string(getpid());
        String commandBytes = command;
        String name = executable;
        std::array<char*, 4> argv{name.data(), program.data(), commandBytes.data(), nullptr};
        if (posix_spawn(&mProcess, executable.c_str(), actions.Get(), attributes.Get(), argv.data(),
                        environ) != 0) {
            throw ShellException("the shell's supervisor " + executable + " could not be started");
        }
        mErrors = std::move(errors.read);
        mRunning = std::move(running.read);
    }
    ~Supervisor()
    {
        if (mProcess > 0) {
            Stop();
            Reap();
        }
    }
    Supervisor(const Supervisor&) = delete;
    Supervisor& operator=(const Supervisor&) = delete;

    // Readable at its end: the pipe closes when the supervisor exits.
    int RunningDescriptor() const { return mRunning.Get(); }
    // The command's standard error, which never blocks.
    int ErrorDescriptor() const { return mErrors.Get(); }
    // Ends the command and everything it started; the supervisor then exits.
    void Stop() const { kill(mProcess, SIGTERM); }

    // Waits until the supervisor has exited, kills what is left of its process group (when the supervisor
    // itself was killed, say), and yields its exit status, or 128 + the signal that killed it.
    int Reap()
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

private:
    pid_t mProcess = 0;
    Descriptor mErrors;
    Descriptor mRunning;
};

// The supervisor stands beside the program's executable.
String supervisorPath()
{
    return QCoreApplication::applicationDirPath().toStdString() + "/" + kSupervisorName;
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

// A termination signal that comes while the question is open closes it unanswered.
bool userWantsToStop(const String& question, const TerminationWatch& termination)
{
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(), QString::fromStdString(question),
                    QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
    QObject::connect(&termination.Notifier(), &QSocketNotifier::activated, &box, &QMessageBox::reject);
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
    mErrorOutput.clear();
    mStoppedOnRequest = false;
    std::optional<InputBlocker> blocker(std::in_place);
    TerminationWatch termination;
    // What the command prints is not used, but for the end of its standard error: the system discards
    // the rest, and the error pipe is read as it fills, so that it can never block the command.
    Supervisor supervisor(supervisorPath(), command);
    {
        // Events go on while the command runs, so windows repaint and the window manager gets its
        // answers; the blocker keeps input and commands from the program. Unlike a nested QEventLoop this
        // does not end early when the application is told to quit: the command has to end first either way.
        bool ended = false;
        QSocketNotifier endWatch(supervisor.RunningDescriptor(), QSocketNotifier::Read);
        QObject::connect(&endWatch, &QSocketNotifier::activated, [&ended] { ended = true; });
        QSocketNotifier errorWatch(supervisor.ErrorDescriptor(), QSocketNotifier::Read);
        QObject::connect(&errorWatch, &QSocketNotifier::activated,
                         [&] { errorWatch.setEnabled(readEnd(supervisor.ErrorDescriptor(), mErrorOutput)); });
        // A signal noted before the supervisor started has left its byte in the pipe: it stops it too.
        QObject::connect(&termination.Notifier(), &QSocketNotifier::activated, &endWatch,
                         [&supervisor] { supervisor.Stop(); });
        while (!ended) {
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
            if (blocker->TakeQuitRequest() && !mStoppedOnRequest && termination.Signal() == 0) {
                // The question is modal: it keeps input from the other windows itself.
                blocker.reset();
                mStoppedOnRequest = userWantsToStop(mStopQuestion, termination);
                blocker.emplace();
                if (mStoppedOnRequest) {
                    supervisor.Stop();
                }
            }
        }
    }
    // The supervisor ends by a signal only when it was killed.
    mErrorCode = supervisor.Reap();
    readEnd(supervisor.ErrorDescriptor(), mErrorOutput);
    mTerminationSignal = termination.Signal();
    // Input that came during the run and still waits is dropped now, before the blocker goes: otherwise
    // a Return pressed while waiting would dismiss the outcome message as soon as it appears.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (mStoppedOnRequest) {
        Quit(0);
    }
}

} // namespace framework
