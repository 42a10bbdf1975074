#include "framework/detail/InstanceChannel.h"

#include "framework/UserFolders.h"

#include <QFile>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QRegularExpression>
#include <QTimer>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace framework::detail {

namespace {

constexpr char kTaken = '\x06';
constexpr int kConnectTimeoutMs = 3000;
// The running program answers from its event loop, which keeps turning during dialogs and conversions.
constexpr int kAnswerTimeoutMs = 10000;
constexpr int kLockTimeoutMs = 10000;
// No real launch comes near this many at once; more peers are no launches of this program. A launch that
// is turned away opens its documents itself.
constexpr int kMostWaitingConnections = 8;
// A server that the system closed (out of descriptors, say) listens again as soon as it can.
constexpr int kRelistenIntervalMs = 1000;

struct Piece
{
    QByteArray message;
    std::size_t documents = 0;
};

// The paths in pieces of at most kLongestPiece bytes; a path too long for any piece goes alone, to be
// turned away. Without paths, one empty piece.
std::vector<Piece> inPieces(const std::vector<String>& paths)
{
    std::vector<Piece> pieces(1);
    for (const auto& path : paths) {
        const auto size = static_cast<qsizetype>(path.size()) + 1;
        if (pieces.back().documents > 0 && pieces.back().message.size() + size + 1 >
                                               static_cast<qsizetype>(InstanceChannel::kLongestPiece)) {
            pieces.back().message.append('\0');
            pieces.emplace_back();
        }
        pieces.back().message.append(path.data(), static_cast<qsizetype>(path.size())).append('\0');
        ++pieces.back().documents;
    }
    pieces.back().message.append('\0');
    return pieces;
}

struct ReceivedPiece
{
    std::vector<String> paths;
    qsizetype length = 0;
};

// The piece at the start of the message, or nothing while its end has not arrived yet. Only absolute
// paths name the same file here as in the launch that sent them: the others are left out.
std::optional<ReceivedPiece> firstPiece(const QByteArray& message)
{
    ReceivedPiece piece;
    qsizetype start = 0;
    while (true) {
        const auto end = message.indexOf('\0', start);
        if (end < 0) {
            return std::nullopt;
        }
        if (end == start) {
            piece.length = end + 1;
            return piece;
        }
        if (message.at(start) == '/') {
            piece.paths.emplace_back(message.constData() + start, static_cast<std::size_t>(end - start));
        }
        start = end + 1;
    }
}

// One name per display, however DISPLAY writes it: ":2", ":2.0" and "unix:2" are one local display.
QString x11DisplayName(const QString& display)
{
    static const QRegularExpression form(QStringLiteral("^(.*):(\\d+)(\\.\\d+)?$"));
    const auto match = form.match(display);
    if (!match.hasMatch()) {
        return display;
    }
    const auto host = match.captured(1);
    return (host == QLatin1String("unix") ? QString() : host) + u':' + match.captured(2);
}

QString sessionName()
{
    const auto platform = QGuiApplication::platformName();
    QString session = platform;
    if (platform == QLatin1String("xcb")) {
        session += x11DisplayName(qEnvironmentVariable("DISPLAY"));
    } else if (platform.startsWith(QLatin1String("wayland"))) {
        session += qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("wayland-0"));
    }
    for (auto& c : session) {
        if (!(c.isLetterOrNumber() || c == u'.' || c == u':' || c == u'-')) {
            c = u'_';
        }
    }
    return session;
}

// A folder no other user can write in: the one where this user's private files go, when it is their own
// private folder, else one made in it. Nothing when neither can be had: one that someone else made first
// is not taken.
QString privateFolder()
{
    const auto parent = PrivateFilesParent();
    if (IsOwnPrivateFolder(parent)) {
        return QFile::decodeName(parent.c_str());
    }
    const auto made = parent + "/zwojnik-" + std::to_string(geteuid());
    mkdir(made.c_str(), 0700);
    return IsOwnPrivateFolder(made) ? QFile::decodeName(made.c_str()) : QString();
}

bool peerIsThisUser(const QLocalSocket& socket)
{
    struct ucred peer = {};
    socklen_t size = sizeof(peer);
    return getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) ==
               0 &&
           peer.uid == geteuid();
}

// The running program takes the documents piece by piece; this launch opens itself those of the first
// piece it does not take and of the pieces after.
InstanceChannel::HandOver handOver(QLocalSocket& socket, const std::vector<String>& absolutePaths)
{
    InstanceChannel::HandOver result;
    if (!peerIsThisUser(socket)) {
        return result;
    }
    for (const auto& piece : inPieces(absolutePaths)) {
        socket.write(piece.message);
        while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(kAnswerTimeoutMs)) {
        }
        while (socket.bytesAvailable() < 1 && socket.waitForReadyRead(kAnswerTimeoutMs)) {
        }
        char answer = 0;
        if (!socket.getChar(&answer) || answer != kTaken) {
            return result;
        }
        result.taken += piece.documents;
    }
    result.whole = true;
    return result;
}

} // namespace

InstanceChannel::InstanceChannel(QString socketPath, Receiver receiver, int peerTimeoutMs)
    : mSocketPath(std::move(socketPath)), mReceiver(std::move(receiver)), mPeerTimeoutMs(peerTimeoutMs)
{
    connect(&mRelisten, &QTimer::timeout, this, &InstanceChannel::relistenIfClosed);
}

InstanceChannel::~InstanceChannel() = default;

QString InstanceChannel::SocketPathForThisSession()
{
    const auto folder = privateFolder();
    if (folder.isEmpty()) {
        return {};
    }
    // The same user on another display has a program of its own: a dialog there would be out of sight.
    return folder + QStringLiteral("/zwojnik-%1-%2").arg(geteuid()).arg(sessionName());
}

InstanceChannel::HandOver InstanceChannel::HandOverOrListen(const std::vector<String>& absolutePaths)
{
    if (mSocketPath.isEmpty()) {
        return {}; // nowhere safe to meet: every launch is a program of its own
    }
    // Launches at the same moment take turns, so that exactly one of them becomes the running program.
    // A lock that cannot be had is no turn: this launch keeps its documents and does not listen.
    const auto lockPath = mSocketPath + QStringLiteral(".lock");
    struct stat status = {};
    if (lstat(QFile::encodeName(lockPath).constData(), &status) == 0 &&
        (status.st_uid != geteuid() || !S_ISREG(status.st_mode))) {
        return {};
    }
    QLockFile lock(lockPath);
    if (!lock.tryLock(kLockTimeoutMs)) {
        return {};
    }

    QLocalSocket socket;
    socket.connectToServer(mSocketPath);
    if (socket.waitForConnected(kConnectTimeoutMs)) {
        return handOver(socket, absolutePaths);
    }
    mServer = std::make_unique<QLocalServer>();
    // Qt makes the socket elsewhere and moves it into place: over one left behind by a run that crashed.
    mServer->setSocketOptions(QLocalServer::UserAccessOption);
    mServer->setMaxPendingConnections(kMostWaitingConnections);
    if (mServer->listen(mSocketPath)) {
        connect(mServer.get(), &QLocalServer::newConnection, this, &InstanceChannel::accept);
        mRelisten.start(kRelistenIntervalMs);
    }
    return {};
}

void InstanceChannel::relistenIfClosed()
{
    if (mServer->isListening()) {
        return;
    }
    // Qt closes the server when accepting fails, and removes its socket: a launch may have become the
    // running program meanwhile, and then that one keeps the name.
    QLockFile lock(mSocketPath + QStringLiteral(".lock"));
    if (!lock.tryLock(0)) {
        return;
    }
    if (QFile::exists(mSocketPath)) {
        mRelisten.stop();
    } else {
        mServer->listen(mSocketPath);
    }
}

void InstanceChannel::StopListening()
{
    // Connections not answered yet close with the server: their launches open their documents themselves.
    mRelisten.stop();
    mServer.reset();
}

void InstanceChannel::accept()
{
    while (auto* socket = mServer->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!peerIsThisUser(*socket) || mWaiting >= kMostWaitingConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++mWaiting;
        connect(socket, &QObject::destroyed, this, [this] { --mWaiting; });
        // A launch sends each piece within this time or not at all: its place goes to the next one.
        auto* timeout = new QTimer(socket);
        timeout->setSingleShot(true);
        timeout->setInterval(mPeerTimeoutMs);
        connect(timeout, &QTimer::timeout, socket, [socket] { socket->abort(); });
        timeout->start();
        auto message = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::readyRead, this,
                [this, socket, message, timeout] { read(*socket, *message, *timeout); });
        read(*socket, *message, *timeout);
    }
}

void InstanceChannel::read(QLocalSocket& socket, QByteArray& message, QTimer& timeout)
{
    if (message.size() + socket.bytesAvailable() > static_cast<qsizetype>(kLongestPiece)) {
        socket.abort();
        return;
    }
    message += socket.readAll();
    while (auto piece = firstPiece(message)) {
        // A launch that has gone already no longer waits for the answer: it opens its documents itself.
        if (socket.state() != QLocalSocket::ConnectedState) {
            return;
        }
        message.remove(0, piece->length);
        socket.putChar(kTaken);
        timeout.start();
        mReceiver(piece->paths);
    }
}

} // namespace framework::detail
