#include "framework/Shell.h"

#include "framework/Exceptions.h"
#include "framework/detail/InputBlocker.h"

#include <QEventLoop>
#include <QProcess>

namespace framework {

void Shell::Execute(const String& command)
{
    QProcess process;
    process.setProgram(QStringLiteral("/bin/sh"));
    process.setArguments({QStringLiteral("-c"), QString::fromStdString(command)});
    // Nothing the command prints is used: the system discards it, so it can never fill a pipe.
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());

    detail::InputBlocker blocker;
    process.start();
    if (!process.waitForStarted(-1)) {
        throw ShellException("the shell /bin/sh could not be started");
    }
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    if (process.state() != QProcess::NotRunning) {
        loop.exec();
    }
    // The loop also ends when the program is told to quit; the command still has to end first.
    process.waitForFinished(-1);
    // When the shell itself ends by a signal (it may hand its process over to the command it runs),
    // Qt reports the signal number as the exit code; a shell would report 128 + that number.
    mErrorCode = process.exitStatus() == QProcess::CrashExit ? 128 + process.exitCode() : process.exitCode();
}

} // namespace framework
