// The single-instance channel is reached by this user alone and cannot be worn down by its peers.
#include "framework/detail/InstanceChannel.h"
#include "support/Conversion.h"
#include "support/TempDir.h"
#include "support/XServer.h"

#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using framework::detail::InstanceChannel;
using namespace testsupport;

namespace {

constexpr uid_t kOtherUser = 12345;

class ScopedVariable
{
public:
    ScopedVariable(const char* name, const QByteArray& value) : mName(name), mPrevious(qgetenv(name))
    {
        mHad = qEnvironmentVariableIsSet(name);
        qputenv(name, value);
    }
    ~ScopedVariable()
    {
        if (mHad) {
            qputenv(mName, mPrevious);
        } else {
            qunsetenv(mName);
        }
    }

private:
    const char* mName;
    QByteArray mPrevious;
    bool mHad = false;
};

QByteArray bytes(const std::string& path)
{
    return QByteArray::fromStdString(path);
}

int connectTo(const std::string& path)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof(address.sun_path) - 1);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// In a child process, as the given user, hands one document over and exits with 0 when the answer came.
pid_t handOverAs(uid_t user, const std::string& path)
{
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(user) != 0 || setuid(user) != 0) {
            _exit(3);
        }
        const int fd = connectTo(path);
        const char message[] = "/cudza.lit\0";
        if (fd < 0 || write(fd, message, sizeof(message)) != static_cast<ssize_t>(sizeof(message))) {
            _exit(2);
        }
        pollfd answer{fd, POLLIN, 0};
        char byte = 0;
        _exit(poll(&answer, 1, 3000) == 1 && read(fd, &byte, 1) == 1 && byte == '\x06' ? 0 : 1);
    }
    return child;
}

// In a child process, as the given user, listens at the path and answers every launch as the running
// program would.
pid_t listenAs(uid_t user, const std::string& path)
{
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(user) != 0 || setuid(user) != 0) {
            _exit(3);
        }
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof(address.sun_path) - 1);
        if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || listen(fd, 8) != 0) {
            _exit(2);
        }
        while (true) {
            const int peer = accept(fd, nullptr, nullptr);
            char buffer[4096];
            (void)!read(peer, buffer, sizeof(buffer));
            (void)!write(peer, "\x06", 1);
            close(peer);
        }
    }
    return child;
}

int exitStatusOf(pid_t child)
{
    int status = -1;
    EXPECT_TRUE(QTest::qWaitFor([&] { return waitpid(child, &status, WNOHANG) == child; }, 10000));
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class InstanceChannelSafetyTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // A folder every user may enter, so that another user's process can reach the socket at all.
        fs::permissions(dir.path(), fs::perms::all);
    }

    std::unique_ptr<InstanceChannel> Channel(const std::string& path)
    {
        return std::make_unique<InstanceChannel>(
            QString::fromStdString(path), [this](const std::vector<std::string>& paths) {
                received.insert(received.end(), paths.begin(), paths.end());
            });
    }

    TempDir dir;
    std::vector<std::string> received;
};

} // namespace

TEST_F(InstanceChannelSafetyTest, SocketLivesOnlyInAFolderThatThisUserAloneCanWriteIn)
{
    const ScopedVariable temporary("TMPDIR", bytes(dir / "tmp"));
    fs::create_directories(dir / "tmp");
    fs::create_directories(dir / "runtime");
    fs::permissions(dir / "runtime", fs::perms::owner_all);
    const auto socketIn = [](const std::string& folder) {
        const auto path = InstanceChannel::SocketPathForThisSession().toStdString();
        return !path.empty() && fs::path(path).parent_path() == folder;
    };
    {
        const ScopedVariable runtime("XDG_RUNTIME_DIR", bytes(dir / "runtime"));
        EXPECT_TRUE(socketIn(dir / "runtime"));
    }
    fs::create_directories(dir / "0711");
    fs::permissions(dir / "0711", fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::create_directories(dir / "others");
    fs::permissions(dir / "others", fs::perms::owner_all);
    ASSERT_EQ(chown((dir / "others").c_str(), kOtherUser, kOtherUser), 0);
    const auto ownFolder = dir / ("tmp/zwojnik-" + std::to_string(geteuid()));
    for (const auto& runtime : {dir / "0711", dir / "others", dir / "missing", std::string()}) {
        const ScopedVariable variable("XDG_RUNTIME_DIR", bytes(runtime));
        EXPECT_TRUE(socketIn(ownFolder)) << runtime;
        struct stat status = {};
        ASSERT_EQ(lstat(ownFolder.c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 07777, 0700u);
    }
    // Another user who made the folder first keeps it, and there is no single instance.
    fs::remove(ownFolder);
    fs::create_directories(ownFolder);
    fs::permissions(ownFolder, fs::perms::owner_all);
    ASSERT_EQ(chown(ownFolder.c_str(), kOtherUser, kOtherUser), 0);
    const ScopedVariable unset("XDG_RUNTIME_DIR", "");
    EXPECT_EQ(InstanceChannel::SocketPathForThisSession(), QString());
    const auto channel = Channel({});
    EXPECT_FALSE(channel->HandOverOrListen({"/a.lit"}));
}

TEST_F(InstanceChannelSafetyTest, BothEndsTalkOnlyToTheirOwnUser)
{
    const auto channel = Channel(dir / "kanal");
    ASSERT_FALSE(channel->HandOverOrListen({}));
    fs::permissions(dir / "kanal", fs::perms::all);
    EXPECT_EQ(exitStatusOf(handOverAs(kOtherUser, dir / "kanal")), 1) << "another user's launch was answered";
    EXPECT_TRUE(received.empty());
    EXPECT_EQ(exitStatusOf(handOverAs(geteuid(), dir / "kanal")), 0);
    EXPECT_EQ(received, std::vector<std::string>{"/cudza.lit"});

    // A program of another user answering at the name does not get this launch's documents.
    const pid_t stranger = listenAs(kOtherUser, dir / "obcy");
    ASSERT_TRUE(QTest::qWaitFor([&] { return fs::exists(dir / "obcy"); }, 5000));
    EXPECT_FALSE(Channel(dir / "obcy")->HandOverOrListen({"/moja.lit"}));
    kill(stranger, SIGKILL);
    waitpid(stranger, nullptr, 0);
    // The same stand-in as this user is taken for the running program: the check above is the user's.
    const pid_t own = listenAs(geteuid(), dir / "swoj");
    ASSERT_TRUE(QTest::qWaitFor([&] { return fs::exists(dir / "swoj"); }, 5000));
    EXPECT_TRUE(Channel(dir / "swoj")->HandOverOrListen({"/moja.lit"}));
    kill(own, SIGKILL);
    waitpid(own, nullptr, 0);
}

TEST_F(InstanceChannelSafetyTest, LockThatCannotBeTakenMeansNoHandOverAndNoWait)
{
    std::ofstream(dir / "kanal.lock").flush();
    ASSERT_EQ(chown((dir / "kanal.lock").c_str(), kOtherUser, kOtherUser), 0);
    const auto channel = Channel(dir / "kanal");
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(channel->HandOverOrListen({"/a.lit"}));
    EXPECT_LT(timer.elapsed(), 3000);
    EXPECT_FALSE(fs::exists(dir / "kanal")) << "listened without the lock";
}

TEST_F(InstanceChannelSafetyTest, PeersAreCappedInNumberAndInWhatEachSends)
{
    const auto channel = Channel(dir / "kanal");
    ASSERT_FALSE(channel->HandOverOrListen({}));
    std::vector<std::unique_ptr<QLocalSocket>> peers;
    for (int i = 0; i < 20; ++i) {
        auto peer = std::make_unique<QLocalSocket>();
        peer->connectToServer(QString::fromStdString(dir / "kanal"));
        ASSERT_TRUE(peer->waitForConnected(5000));
        peer->write("/bez/konca.lit");
        peers.push_back(std::move(peer));
    }
    const auto open = [&] {
        return std::count_if(peers.begin(), peers.end(),
                             [](const auto& peer) { return peer->state() == QLocalSocket::ConnectedState; });
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return open() == 8; }, 5000)) << open() << " still connected";
    // One that sends more than any hand-over is turned away too.
    peers.front()->write(QByteArray(300 * 1024, 'x'));
    EXPECT_TRUE(QTest::qWaitFor([&] { return open() == 7; }, 5000)) << open() << " still connected";
    EXPECT_TRUE(received.empty());
}

TEST_F(InstanceChannelSafetyTest, ServerClosedForWantOfDescriptorsListensAgain)
{
    const auto channel = Channel(dir / "kanal");
    ASSERT_FALSE(channel->HandOverOrListen({}));
    // The peer's socket is made while descriptors remain; then none remain for the server's accept.
    const int peer = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    rlimit previous = {};
    getrlimit(RLIMIT_NOFILE, &previous);
    rlimit none = previous;
    const int lowestFree = dup(0);
    close(lowestFree);
    none.rlim_cur = static_cast<rlim_t>(lowestFree);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &none), 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    (dir / "kanal").copy(address.sun_path, sizeof(address.sun_path) - 1);
    ASSERT_EQ(connect(peer, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    QTest::qWait(300);
    setrlimit(RLIMIT_NOFILE, &previous);
    ASSERT_FALSE(fs::exists(dir / "kanal")) << "accepting did not fail";
    close(peer);

    EXPECT_TRUE(
        QTest::qWaitFor([&] { return exitStatusOf(handOverAs(geteuid(), dir / "kanal")) == 0; }, 10000));
    EXPECT_EQ(received, std::vector<std::string>{"/cudza.lit"});
}

TEST(InstanceChannelDisplay, OneProgramPerDisplayHoweverDisplayIsWritten)
{
    XServer server;
    if (!server.Start()) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    TempDir runtime;
    const auto launch = [&](QProcess& process, const QString& display) {
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("DISPLAY"), display);
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(runtime.path()));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(ZWOJNIK_BUILD_DIR "/zwojnik"), {});
    };
    QProcess first;
    launch(first, server.Display());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const auto names = FileNames(runtime.path());
            return names.size() == 1 && fs::is_socket(runtime / *names.begin());
        },
        20000))
        << "the first program never listened";
    for (const auto& form : {"%1.0", "unix%1", "unix%1.0"}) {
        const auto display = QString::fromLatin1(form).arg(server.Display());
        QProcess later;
        launch(later, display);
        EXPECT_TRUE(later.waitForFinished(10000)) << display.toStdString() << " started a program of its own";
        EXPECT_EQ(later.exitCode(), 0) << display.toStdString();
        if (later.state() != QProcess::NotRunning) {
            later.kill();
            later.waitForFinished();
        }
    }
    first.kill();
    first.waitForFinished();
}
