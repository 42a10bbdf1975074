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
// A hand-over is one or more pieces, each of absolute paths ended by a NUL byte, then one more NUL; the
// running program answers each piece with one byte once it holds its documents. A piece is never longer
// than kLongestPiece, so that any number of documents is handed over. A document is never lost nor opened
// twice: without the answer the launch keeps the piece's documents and the ones after, and opens them
// itself. A launch without documents sends one empty piece.
class InstanceChannel : public QObject
{
    Q_OBJECT

public:
    // Takes the paths of the documents that a later launch handed over (none: it was launched without
    // any), on the main thread, in the order given.
    using Receiver = std::function<void(const std::vector<String>& paths)>;

    // The longest piece of a hand-over; a launch that sends more at once is turned away.
    static constexpr std::size_t kLongestPiece = 256 * 1024;

    // A launch that does not send a whole piece within peerTimeoutMs, from its connection or from the
    // previous answer, is turned away.
    InstanceChannel(QString socketPath, Receiver receiver, int peerTimeoutMs = 10000);
    ~InstanceChannel() override;

    struct HandOver
    {
        // The running program took every document: this launch has nothing more to do.
        bool whole = false;
        // How many of the documents, from the first, the running program took.
        std::size_t taken = 0;
    };
    // Hands the documents over to the running program. When no program runs, this launch listens from
    // now on (unless another program holds the name and does not answer). A socket left behind by a run
    // that ended without closing it is replaced.
    HandOver HandOverOrListen(const std::vector<String>& absolutePaths);

    // Stops taking documents: a launch from now on starts a program of its own.
    void StopListening();

    // The socket for this user and the display the program shows its windows on, in a folder only this
    // user can write in; empty when there is no such folder (no single instance then).
    static QString SocketPathForThisSession();

private:
    void listen();
    void accept();
    void read(QLocalSocket& socket, QByteArray& message, QTimer& timeout);
    void relistenIfClosed();

    QString mSocketPath;
    Receiver mReceiver;
    int mPeerTimeoutMs;
    std::unique_ptr<QLocalServer> mServer;
    QTimer mRelisten{this}; // goes before the server; a child, for those who watch the channel
    int mWaiting = 0;
};

} // namespace framework::detail
