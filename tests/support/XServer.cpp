#include "support/XServer.h"

namespace testsupport {

namespace {

// The first line the process writes, once it has written it.
QString firstLine(QProcess& process)
{
    while (!process.canReadLine() && process.waitForReadyRead(60000)) {
    }
    return QString::fromLocal8Bit(process.readLine().trimmed());
}

void end(QProcess& process)
{
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
    }
}

} // namespace

bool XServer::Start()
{
    // Xvfb writes the number of a free display once it serves it; the bus its address once it listens.
    mServer.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                           QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (!mServer.waitForStarted(10000)) {
        return false;
    }
    const auto number = firstLine(mServer);
    if (number.isEmpty()) {
        return false;
    }
    mDisplay = QStringLiteral(":") + number;
    mBus.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                               QStringLiteral("--print-address=1")});
    // Without a bus, an address where none listens: a program then does without one.
    mBusAddress = mBus.waitForStarted(10000) ? firstLine(mBus) : QString();
    if (mBusAddress.isEmpty()) {
        mBusAddress = QStringLiteral("unix:path=/nonexistent/zwojnik-test-bus");
    }
    return true;
}

QProcessEnvironment XServer::Environment(const QString& display) const
{
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("DISPLAY"), display.isEmpty() ? mDisplay : display);
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), mBusAddress);
    return environment;
}

void XServer::Kill()
{
    end(mServer);
}

XServer::~XServer()
{
    end(mServer);
    end(mBus);
}

} // namespace testsupport
