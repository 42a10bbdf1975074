#include "framework/detail/InstanceChannel.h"

#include <QDir>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <optional>
#include <unistd.h>

namespace framework::detail {

namespace {

constexpr char kTaken = '\x06';
constexpr int kConnectTimeoutMs = 3000;
// The running program answers from its event loop, which keeps turning during dialogs and conversions.
constexpr int kAnswerTimeoutMs = 10000;
constexpr int kLockTimeoutMs = 10000;
// No real hand-over comes near this; a peer that sends more is not a launch of this program.
constexpr qsizetype kLongestMessage = 1 << 20;

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

// The paths of a whole message, or nothing while its end has not arrived yet.
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
        paths.emplace_back(message.constData() + start, static_cast<std::size_t>(end - start));
        start = end + 1;
    }
}

QString sessionName()
{
    const auto platform = QGuiApplication::platformName();
    QString session = platform;
    if (platform == QLatin1String("xcb")) {
        session += qEnvironmentVariable("DISPLAY");
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

} // namespace

InstanceChannel::InstanceChannel(QString socketPath, Receiver receiver)
    : mSocketPath(std::move(socketPath)), mReceiver(std::move(receiver))
{}

InstanceChannel::~InstanceChannel()
{
    StopListening();
}

QString InstanceChannel::SocketPathForThisSession()
{
    auto folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        folder = QDir::tempPath();
    }
    // The same user on another display has a program of its own: a dialog there would be out of sight.
    return folder + QStringLiteral("/zwojnik-%1-%2").arg(getuid()).arg(sessionName());
}

bool InstanceChannel::HandOverOrListen(const std::vector<String>& absolutePaths)
{
    // Launches at the same moment take turns, so that exactly one of them becomes the running program.
    QLockFile lock(mSocketPath + QStringLiteral(".lock"));
    lock.tryLock(kLockTimeoutMs);

    switch (handOver(absolutePaths)) {
    case HandOverResult::Taken:
        return true;
    case HandOverResult::NoAnswer:
        // A program holds the name but does not answer: open the documents here, and leave it be.
        return false;
    case HandOverResult::StaleSocket:
        QLocalServer::removeServer(mSocketPath);
        break;
    case HandOverResult::NobodyListens:
        break;
    }
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (server->listen(mSocketPath)) {
        connect(server.get(), &QLocalServer::newConnection, this, &InstanceChannel::accept);
        mServer = std::move(server);
    }
    return false;
}

void InstanceChannel::StopListening()
{
    // Connections not answered yet close with the server: their launches open their documents themselves.
    mServer.reset();
}

InstanceChannel::HandOverResult InstanceChannel::handOver(const std::vector<String>& absolutePaths) const
{
    QLocalSocket socket;
    socket.connectToServer(mSocketPath);
    if (!socket.waitForConnected(kConnectTimeoutMs)) {
        // Refused: the socket is there but nobody listens on it, left behind by a run that crashed.
        return socket.error() == QLocalSocket::ConnectionRefusedError ? HandOverResult::StaleSocket
                                                                      : HandOverResult::NobodyListens;
    }
    socket.write(encode(absolutePaths));
    while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(kAnswerTimeoutMs)) {
    }
    while (socket.bytesAvailable() < 1 && socket.waitForReadyRead(kAnswerTimeoutMs)) {
    }
    char answer = 0;
    if (socket.getChar(&answer) && answer == kTaken) {
        return HandOverResult::Taken;
    }
    return HandOverResult::NoAnswer;
}

void InstanceChannel::accept()
{
    while (auto* socket = mServer->nextPendingConnection()) {
        auto message = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
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

    // Only absolute paths name the same file here as in the launch that sent them.
    std::vector<String> taken;
    for (const auto& path : *paths) {
        if (path.starts_with('/')) {
            taken.push_back(path);
        }
    }
    mReceiver(taken);
}

} // namespace framework::detail
