#pragma once

#include <QProcess>
#include <QString>

namespace testsupport {

// A private X server on a display number of its own choosing, ended with the object.
class XServer
{
public:
    // False when Xvfb is not installed or does not start.
    bool Start();
    // ":N", the display it serves.
    const QString& Display() const { return mDisplay; }
    // Ends the server at once, as when the X server goes away under its programs.
    void Kill();
    ~XServer() { Kill(); }

private:
    QProcess mServer;
    QString mDisplay;
};

} // namespace testsupport
