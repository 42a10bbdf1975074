#pragma once

#include "framework/Text.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

class QByteArray;
class QLocalServer;
class QLocalSocket;

namespace framework::detail {

// One running Zwojnik per user and display takes every document that is opened, as on macOS: a
// launch that finds it running hands its documents over and ends; otherwise the launch becomes that
// running program and listens for the launches after it.
//
// A hand-over is the documents' absolute paths, each ended by a NUL byte, then one more NUL; the
// running program answers with one byte once it holds them. A document is never lost nor opened twice:
// without that answer the launch keeps its documents and opens them itself.
class InstanceChannel : public QObject
{
    Q_OBJECT

public:
    // Takes the paths of the documents that a later launch handed over (none: it was launched without
    // any), on the main thread, in the order given.
    using Receiver = std::function<void(const std::vector<String>& paths)>;

    InstanceChannel(QString socketPath, Receiver receiver);
    ~InstanceChannel() override;

    // True when a running program took the documents: this launch has nothing more to do. Otherwise
    // this launch listens from now on (unless another program holds the name and does not answer). A
    // socket left behind by a run that ended without closing it is replaced.
    bool HandOverOrListen(const std::vector<String>& absolutePaths);

    // Stops taking documents: a launch from now on starts a program of its own.
    void StopListening();

    // The socket for this user and the display the program shows its windows on, in a folder only this
    // user can write in; empty when there is no such folder (no single instance then).
    static QString SocketPathForThisSession();

private:
    void listen();
    void accept();
    void read(QLocalSocket& socket, QByteArray& message);
    void relistenIfClosed();

    QString mSocketPath;
    Receiver mReceiver;
    std::unique_ptr<QLocalServer> mServer;
    QTimer mRelisten; // goes before the server
    int mWaiting = 0;
};

} // namespace framework::detail
