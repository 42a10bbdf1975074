#include "support/XServer.h"

namespace testsupport {

bool XServer::Start()
{
    // Xvfb writes the number of a free display once it serves it.
    mServer.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                           QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (!mServer.waitForStarted(10000)) {
        return false;
    }
    while (!mServer.canReadLine() && mServer.waitForReadyRead(20000)) {
    }
    const auto number = mServer.readLine().trimmed();
    if (number.isEmpty()) {
        return false;
    }
    mDisplay = QStringLiteral(":") + QString::fromLatin1(number);
    return true;
}

void XServer::Kill()
{
    if (mServer.state() != QProcess::NotRunning) {
        mServer.kill();
        mServer.waitForFinished(5000);
    }
}

} // namespace testsupport
