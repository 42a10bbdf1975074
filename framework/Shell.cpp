#include "framework/Shell.h"

#include "framework/Exceptions.h"
#include "framework/detail/InputBlocker.h"

#include <QCoreApplication>
#include <QProcess>
#include <array>
#include <unistd.h>

namespace framework {

namespace {
constexpr const char* kShell = "/bin/sh";
constexpr std::size_t kErrorOutputKept = 8192;
} // namespace

void Shell::Execute(const String& command)
{
    QProcess process;
    process.setProgram(QString::fromLatin1(kShell));
    process.setArguments({QStringLiteral("-c"), QString::fromStdString(command)});
    // What the command prints is not used, but for the end of its standard error: the system discards
    // the rest, and the error pipe is read as it fills, so that it can never block the command.
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    mErrorOutput.clear();
    QObject::connect(&process, &QProcess::readyReadStandardError, [this, &process] {
        mErrorOutput += process.readAllStandardError().toStdString();
        if (mErrorOutput.size() > kErrorOutputKept) {
            mErrorOutput.erase(0, mErrorOutput.size() - kErrorOutputKept);
        }
    });
    // The shell gets the command byte for byte. Passed as a QString, bytes that are not UTF-8 (a name in
    // a legacy encoding) would become replacement characters and the path would name no file, or another.
    // Qt has set up the child's standard files when this runs; if the shell cannot be started, Qt's own
    // start fails the same way and reports it.
    String commandBytes = command;
    std::array<char*, 4> argv{const_cast<char*>(kShell), const_cast<char*>("-c"), commandBytes.data(),
                              nullptr};
    process.setChildProcessModifier([&argv] { execv(kShell, argv.data()); });

    detail::InputBlocker blocker;
    process.start();
    if (!process.waitForStarted(-1)) {
        throw ShellException("the shell /bin/sh could not be started");
    }
    // Events go on while the command runs, so windows repaint and the window manager gets its answers;
    // the blocker keeps input and commands from the program. Unlike a nested QEventLoop this does not end
    // early when the application is told to quit: the command has to end first either way.
    while (process.state() != QProcess::NotRunning) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    // Input that came during the run and still waits is dropped now, before the blocker goes: otherwise
    // a Return pressed while waiting would dismiss the outcome message as soon as it appears.
    QCoreApplication::processEvents(QEventLoop::AllEvents);

    // When the shell itself ends by a signal (it may hand its process over to the command it runs),
    // Qt reports the signal number as the exit code; a shell would report 128 + that number.
    mErrorCode = process.exitStatus() == QProcess::CrashExit ? 128 + process.exitCode() : process.exitCode();
}

} // namespace framework
