#include "framework/Shell.h"

#include "framework/Application.h"
#include "framework/Exceptions.h"
#include "framework/Platform.h"
#include "framework/detail/RuntimeState.h"
#include "framework/supervisor/Launcher.h"
#include "framework/supervisor/TerminationSignals.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QWindow>
#include <optional>
#include <unistd.h>

namespace framework {

namespace {

constexpr const char* kShell = "/bin/sh";
constexpr const char* kSupervisorName = "zwojnik-supervisor";

// While it exists, SIGTERM, SIGHUP and SIGINT are noted and wake the event loop, which stops the running
// command; the program ends by them only once the command is gone. A signal the program ignores stays
// ignored.
class TerminationWatch
{
public:
    TerminationWatch() : mWake(mSignals.Descriptor(), QSocketNotifier::Read)
    {
        QObject::connect(&mWake, &QSocketNotifier::activated, [this] { mSignals.Drain(); });
    }

    // The termination signal that came, or 0.
    int Signal() const { return mSignals.Signal(); }
    // Activated on the event loop once a termination signal has come.
    const QSocketNotifier& Notifier() const { return mWake; }

private:
    TerminationSignals mSignals;
    QSocketNotifier mWake;
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

} // namespace

Shell::~Shell()
{
    RaiseIfCame(mTerminationSignal);
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
        QObject::connect(&errorWatch, &QSocketNotifier::activated, [&] {
            errorWatch.setEnabled(ReadErrorEnd(supervisor.ErrorDescriptor(), mErrorOutput));
        });
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
    ReadErrorEnd(supervisor.ErrorDescriptor(), mErrorOutput);
    mTerminationSignal = termination.Signal();
    // Input that came during the run and still waits is dropped now, before the blocker goes: otherwise
    // a Return pressed while waiting would dismiss the outcome message as soon as it appears.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (mStoppedOnRequest) {
        Quit(0);
    }
}

} // namespace framework
