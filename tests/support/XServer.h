#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

namespace testsupport {

// A private X server on a display number of its own choosing, with a private session bus, ended with the
// object. The programs shown there start no bus of their own, which would outlive the test.
class XServer
{
public:
    // False when Xvfb is not installed or does not start. Without dbus-daemon there is no bus at all.
    bool Start();
    // ":N", the display it serves.
    const QString& Display() const { return mDisplay; }
    // What a program shown on the display runs with: the system's environment, the xcb platform, the
    // display (as given, or as Display() names it) and the private bus.
    QProcessEnvironment Environment(const QString& display = {}) const;
    // Ends the server at once, as when the X server goes away under its programs.
    void Kill();
    ~XServer();

private:
    QProcess mServer;
    QString mDisplay;
    QProcess mBus;
    QString mBusAddress;
};

} // namespace testsupport
