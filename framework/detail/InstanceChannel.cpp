#include "framework/detail/InstanceChannel.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QRegularExpression>
#include <QTimer>
#include <optional>
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
// No real hand-over comes near these; a peer that sends more, or more peers at once, are no launches of
// this program. A launch that is turned away opens its documents itself.
constexpr qsizetype kLongestMessage = 256 * 1024;
constexpr int kMostWaitingConnections = 8;
// A server that the system closed (out of descriptors, say) listens again as soon as it can.
constexpr int kRelistenIntervalMs = 1000;

QByteArray encode(const std::vector<String>& paths)
{
    QByteArray message;
    for (const auto& path : paths) {
        message.append(path.data(), static_cast<qsizetype>(path.size()));
        message.append('\0');
    }
    message.append('\0');
    return message;
}

// The paths of a whole message, or nothing while its end has not arrived yet. Only absolute paths name
// the same file here as in the launch that sent them: the others are left out.
std::optional<std::vector<String>> decode(const QByteArray& message)
{
    std::vector<String> paths;
    qsizetype start = 0;
    while (true) {
        const auto end = message.indexOf('\0', start);
        if (end < 0) {
            return std::nullopt;
        }
        if (end == start) {
            return paths;
        }
        if (message.at(start) == '/') {
            paths.emplace_back(message.constData() + start, static_cast<std::size_t>(end - start));
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

bool ownPrivateFolder(const QByteArray& path)
{
    struct stat status = {};
    return lstat(path.constData(), &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == geteuid() &&
           (status.st_mode & 07777) == 0700;
}

// A folder no other user can write in: the runtime folder when it is this user's own, else one made in
// the temporary folder. Nothing when neither can be had: one that someone else made first is not taken.
QString privateFolder()
{
    const auto runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/') && ownPrivateFolder(runtime)) {
        return QString::fromLocal8Bit(runtime);
    }
    const auto made = QFile::encodeName(QDir::tempPath()) + "/zwojnik-" + QByteArray::number(geteuid());
    mkdir(made.constData(), 0700);
    return ownPrivateFolder(made) ? QString::fromLocal8Bit(made) : QString();
}

bool peerIsThisUser(const QLocalSocket& socket)
{
    struct ucred peer = {};
    socklen_t size = sizeof(peer);
    return getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) ==
               0 &&
           peer.uid == geteuid();
}

// The running program takes the documents, or else this launch opens them itself and leaves it be.
bool handOver(QLocalSocket& socket, const std::vector<String>& absolutePaths)
{
    if (!peerIsThisUser(socket)) {
        return false;
    }
    socket.write(encode(absolutePaths));
    while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(kAnswerTimeoutMs)) {
    }
    while (socket.bytesAvailable() < 1 && socket.waitForReadyRead(kAnswerTimeoutMs)) {
    }
    char answer = 0;
    return socket.getChar(&answer) && answer == kTaken;
}

} // namespace

InstanceChannel::InstanceChannel(QString socketPath, Receiver receiver)
    : mSocketPath(std::move(socketPath)), mReceiver(std::move(receiver))
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

bool InstanceChannel::HandOverOrListen(const std::vector<String>& absolutePaths)
{
    if (mSocketPath.isEmpty()) {
        return false; // nowhere safe to meet: every launch is a program of its own
    }
    // Launches at the same moment take turns, so that exactly one of them becomes the running program.
    // A lock that cannot be had is no turn: this launch keeps its documents and does not listen.
    const auto lockPath = mSocketPath + QStringLiteral(".lock");
    struct stat status = {};
    if (lstat(QFile::encodeName(lockPath).constData(), &status) == 0 &&
        (status.st_uid != geteuid() || !S_ISREG(status.st_mode))) {
        return false;
    }
    QLockFile lock(lockPath);
    if (!lock.tryLock(kLockTimeoutMs)) {
        return false;
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
    return false;
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
        // A launch answers within this time or not at all: its place goes to the next one.
        QTimer::singleShot(kAnswerTimeoutMs, socket, [socket] { socket->abort(); });
        auto message = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, message] { read(*socket, *message); });
        read(*socket, *message);
    }
}

void InstanceChannel::read(QLocalSocket& socket, QByteArray& message)
{
    if (message.size() + socket.bytesAvailable() > kLongestMessage) {
        socket.abort();
        return;
    }
    message += socket.readAll();
    const auto paths = decode(message);
    // A launch that has gone already no longer waits for the answer: it opens its documents itself.
    if (!paths || socket.state() != QLocalSocket::ConnectedState) {
        return;
    }
    disconnect(&socket, &QLocalSocket::readyRead, this, nullptr);
    socket.putChar(kTaken);
    socket.disconnectFromServer();
    mReceiver(*paths);
}

} // namespace framework::detail
