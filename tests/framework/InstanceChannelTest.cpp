// One running program takes the documents of every later launch, and only this user's launches reach it;
// it takes the documents dropped on its window too.
#include "framework/detail/InstanceChannel.h"

#include "library_window/Questions.h"
#include "support/Conversion.h"
#include "support/Program.h"
#include "support/XServer.h"

#include <QApplication>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLocalSocket>
#include <QMainWindow>
#include <QMimeData>
#include <QProcess>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <future>
#include <poll.h>
#include <set>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <unistd.h>

namespace fs = std::filesystem;
using framework::detail::InstanceChannel;
using namespace testsupport;

namespace {

constexpr uid_t kOtherUser = 12345;

// The built program started as a later launch, as a file manager starts it.
struct Launch
{
    void Start(const QStringList& arguments, const std::string& workingFolder = {})
    {
        process.setWorkingDirectory(QString::fromStdString(workingFolder));
        process.start(QStringLiteral(ZWOJNIK_BUILD_DIR "/zwojnik"), arguments);
        started = true;
    }
    bool Ended() const { return started && process.state() == QProcess::NotRunning; }
    bool ExitedWithZero() const
    {
        return Ended() && process.error() == QProcess::UnknownError && process.exitCode() == 0;
    }

    QProcess process;
    bool started = false;
};

// Drags the files over the menu-bar window and lets go, as a file manager does; yields whether the
// window took the drag and the drop.
std::pair<bool, bool> dropOnMenuBarWindow(const std::vector<std::string>& paths, const QUrl& remote = {})
{
    QList<QUrl> urls{remote};
    for (const auto& path : paths) {
        urls << QUrl::fromLocalFile(QString::fromStdString(path));
    }
    QMimeData data;
    data.setUrls(urls);
    const QPoint middle = MenuBarWindow()->rect().center();
    QDragEnterEvent enter(middle, Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(MenuBarWindow(), &enter);
    QDropEvent drop(middle, Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(MenuBarWindow(), &drop);
    return {enter.isAccepted(), drop.isAccepted()};
}

std::string socketPath()
{
    return InstanceChannel::SocketPathForThisSession().toStdString();
}

sockaddr_un addressOf(const std::string& path)
{
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof(address.sun_path) - 1);
    return address;
}

bool connectTo(int fd, const std::string& path)
{
    const auto address = addressOf(path);
    return connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
}

// A socket listening at the path, or -1.
int listenAt(const std::string& path)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const auto address = addressOf(path);
    return bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0 && listen(fd, 8) == 0
               ? fd
               : -1;
}

// In a child process as the given user: hands one document over (exits with 0 when the answer came), or
// listens at the path and answers every launch as the running program would.
pid_t asUser(uid_t user, const std::string& path, bool handOver)
{
    const pid_t child = fork();
    if (child != 0) {
        return child;
    }
    if (setgid(user) != 0 || setuid(user) != 0) {
        _exit(3);
    }
    if (handOver) {
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const char message[] = "/cudza.lit\0";
        if (!connectTo(fd, path) ||
            write(fd, message, sizeof(message)) != static_cast<ssize_t>(sizeof(message))) {
            _exit(2);
        }
        pollfd answer{fd, POLLIN, 0};
        char byte = 0;
        _exit(poll(&answer, 1, 3000) == 1 && read(fd, &byte, 1) == 1 && byte == '\x06' ? 0 : 1);
    }
    const int fd = listenAt(path);
    while (fd >= 0) {
        const int peer = accept(fd, nullptr, nullptr);
        char buffer[4096];
        (void)!read(peer, buffer, sizeof(buffer));
        (void)!write(peer, "\x06", 1);
        close(peer);
    }
    _exit(2);
}

int exitStatusOf(pid_t child)
{
    int status = -1;
    EXPECT_TRUE(QTest::qWaitFor([&] { return waitpid(child, &status, WNOHANG) == child; }, 10000));
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class InstanceChannelTest : public ScriptedTest
{
protected:
    TempDir dir;
    std::shared_ptr<RecordingApp> recording = std::make_shared<RecordingApp>();
};

// The channel alone, in a folder every user may enter, so that another user's process can reach it; it is
// sticky, so that no one can rename what another put there.
class InstanceChannelSafetyTest : public ::testing::Test
{
protected:
    void SetUp() override { fs::permissions(dir.path(), fs::perms::all | fs::perms::sticky_bit); }

    std::unique_ptr<InstanceChannel> Channel(const std::string& path, int peerTimeoutMs = 10000)
    {
        return std::make_unique<InstanceChannel>(
            QString::fromStdString(path),
            [this](const std::vector<std::string>& paths) {
                received.insert(received.end(), paths.begin(), paths.end());
            },
            peerTimeoutMs);
    }

    TempDir dir;
    std::vector<std::string> received;
};

// An HTML file and an OPF file in each of these folders, and nothing else beside them.
void expectConvertedBooks(const std::string& destination, const std::set<std::string>& books)
{
    EXPECT_EQ(FileNames(destination), books);
    for (const auto& book : books) {
        const auto names = FileNames(destination + "/" + book);
        EXPECT_TRUE(std::ranges::any_of(names, [](const auto& name) { return name.ends_with(".html"); }))
            << book;
        EXPECT_TRUE(std::ranges::any_of(names, [](const auto& name) { return name.ends_with(".opf"); }))
            << book;
    }
}

} // namespace

// The program starts after a run that crashed and left its socket behind, and takes the name over. Later
// launches hand their documents over even while a folder dialog is open, and exit with 0 at once; the
// documents wait until that request has ended, and those of one launch come together, as one library
// with one destination and one format. A launch without documents brings the program forward. Each drop
// on the menu bar's window comes together as well, folders too, and nothing else is taken; a folder
// without books says so. A program that ends normally takes its socket away.
TEST_F(InstanceChannelTest, LaterLaunchesAndDropsHandTheirDocumentsOverToTheRunningProgramTogether)
{
    close(listenAt(socketPath()));
    ASSERT_TRUE(fs::is_socket(socketPath())) << "a socket that nobody listens on";
    const auto first = dir / "pierwsza.lit";
    CopyTestBook("krotka.lit", first);
    CopyTestBook("krotka.lit", dir / "druga książka.lit");
    CopyTestBook("krotka.lit", dir / "trzecia.lit");
    CopyTestBook("rozdzialy.lit", dir / "seria/ROZDZIAŁY.LIT");
    std::ofstream(dir / "notatki.txt") << "nie książka";
    fs::create_directories(dir / "teczka.lit");
    fs::create_directory(dir / "html");
    fs::create_directory(dir / "biblioteka");
    LibraryAnswers library(dir / "biblioteka");
    Launch empty;
    Launch withBooks;
    QFileDialog* firstDialog = nullptr;
    std::pair<bool, bool> nothingToTake;
    std::pair<bool, bool> noBooks;
    std::pair<bool, bool> books;

    // No answers queued: the first document's folder dialog is the real one.
    const int status = RunProgram(
        {first},
        [&] {
            RunWhen([] { return ShownFileDialog() != nullptr; },
                    [&] {
                        firstDialog = ShownFileDialog();
                        MenuBarWindow()->showMinimized();
                        empty.Start({});
                    });
            RunWhen([&] { return empty.Ended(); },
                    [&] {
                        EXPECT_FALSE(MenuBarWindow()->isMinimized());
                        // A relative path names the file in the folder the launch started in.
                        withBooks.Start({QStringLiteral("druga książka.lit"),
                                         QString::fromStdString(dir / "trzecia.lit")},
                                        dir.path());
                    });
            RunWhen([&] { return withBooks.Ended(); },
                    [&] {
                        EXPECT_EQ(recording->events, std::vector<std::string>{"begin " + first});
                        EXPECT_EQ(ShownFileDialog(), firstDialog);
                        // Should a book come alone, its folder dialog is given up at once.
                        for (int dialog = 0; dialog < 4; ++dialog) {
                            script.QueueDialogAnswer(std::nullopt);
                        }
                        TypeIntoFileDialog(*firstDialog, dir / "html");
                    });
            RunWhen([&] { return recording->events.size() == 4 && !framework::RequestRunning(); },
                    [&] {
                        nothingToTake =
                            dropOnMenuBarWindow({dir / "notatki.txt", dir / "brak.lit"},
                                                QUrl(QStringLiteral("https://example.com/zdalna.lit")));
                        noBooks = dropOnMenuBarWindow({dir / "teczka.lit"});
                        books = dropOnMenuBarWindow({dir / "seria", dir / "notatki.txt", first});
                    });
            QuitWhen([&] { return recording->events.size() == 8; });
        },
        recording);

    EXPECT_EQ(status, 0);
    EXPECT_TRUE(empty.ExitedWithZero());
    EXPECT_TRUE(withBooks.ExitedWithZero());
    EXPECT_EQ(nothingToTake, std::pair(false, false)) << "a text file, a missing file, a remote book";
    EXPECT_EQ(noBooks, std::pair(true, true)) << "a folder";
    EXPECT_EQ(books, std::pair(true, true));
    EXPECT_EQ(recording->events, OpenedInTurn({{first},
                                               {dir / "druga książka.lit", dir / "trzecia.lit"},
                                               {dir / "teczka.lit"},
                                               {dir / "seria", first}}));
    EXPECT_TRUE(fs::is_regular_file(dir / "html/krotka.html"));
    EXPECT_EQ(script.ShownMessages(), std::vector<std::string>{"Gotowe!"});
    EXPECT_EQ(script.ShownDialogs().size(), 1u) << "a book of a group was opened alone";
    // The destination dialogs open beside the first book given.
    EXPECT_EQ(library.destinationStarts, (std::vector<std::string>{dir.path(), dir.path()}));
    EXPECT_EQ(library.formatQuestions, 2);
    EXPECT_EQ(library.messages, std::vector<std::string>{library_window::kNoBooksMessage.toStdString()});
    ASSERT_EQ(library.reportLines.size(), 2u);
    EXPECT_EQ(library.reportLines[0].size(), 2u);
    EXPECT_EQ(library.reportLines[1].size(), 2u);
    expectConvertedBooks(dir / "biblioteka", {"druga książka", "trzecia", "ROZDZIAŁY", "pierwsza"});
    EXPECT_FALSE(fs::exists(socketPath()));
}

// A program that takes a launch's whole message and goes away without answering, as one that crashes
// at that moment would: the launch opens its documents itself, together, once its handlers are bound.
TEST_F(InstanceChannelTest, LaunchThatGetsNoAnswerOpensItsDocumentsItselfTogether)
{
    const auto path = socketPath();
    std::promise<void> listening;
    std::string received;
    std::thread silent([&] {
        const int server = listenAt(path);
        listening.set_value();
        const int client = server >= 0 ? accept(server, nullptr, nullptr) : -1;
        char buffer[4096];
        while (client >= 0 && received.find(std::string(2, '\0')) == std::string::npos) {
            const auto count = read(client, buffer, sizeof(buffer));
            if (count <= 0) {
                break;
            }
            received.append(buffer, static_cast<std::size_t>(count));
        }
        close(client);
        close(server);
        unlink(path.c_str());
    });
    listening.get_future().wait();

    const auto book = TestBook("krotka.lit");
    const auto second = dir / "druga; książka.lit";
    CopyTestBook("rozdzialy.lit", second);
    fs::create_directory(dir / "biblioteka");
    LibraryAnswers library(dir / "biblioteka");
    script.QueueDialogAnswer(std::nullopt);
    script.QueueDialogAnswer(std::nullopt);
    const int status = RunProgram(
        {book, second},
        [&] {
            EXPECT_TRUE(recording->events.empty()) << "a document came before the event loop";
            QuitWhen([&] { return recording->events.size() == 2; });
        },
        recording);
    silent.join();

    EXPECT_EQ(received, book + '\0' + second + std::string(2, '\0'))
        << "the launch offered its documents first";
    EXPECT_EQ(status, 0);
    EXPECT_EQ(recording->events, OpenedInTurn({{book, second}}));
    EXPECT_TRUE(script.ShownDialogs().empty()) << "a book was opened alone";
    EXPECT_EQ(library.destinationStarts, std::vector<std::string>{fs::path(book).parent_path()});
    EXPECT_EQ(library.formatQuestions, 1);
    expectConvertedBooks(dir / "biblioteka", {"krotka", "druga; książka"});
}

// An application that opens one document at a time, as the framework's default hands them over; the
// second one quits.
class OneAtATime : public framework::Application
{
public:
    void Event_OpenDocument(const framework::FolderItemPtr& item) override
    {
        opened.push_back(item->NativePath());
        if (opened.size() == 2) {
            framework::Quit(0);
        }
    }
    std::vector<std::string> opened;
};

using DocumentGroupTest = RuntimeTest;

// Unless the application takes a group whole, its documents are opened in their order; those after a
// quit are not.
TEST_F(DocumentGroupTest, AGroupIsOpenedOneByOneByDefaultUntilTheProgramQuits)
{
    const auto application = std::make_shared<OneAtATime>();
    framework::Application::Register(application);
    runtime.OpenDocuments({framework::FolderItem::FromPath("/b.lit"),
                           framework::FolderItem::FromPath("/a.lit"),
                           framework::FolderItem::FromPath("/c.lit")});
    runtime.RunEventLoop();
    EXPECT_EQ(application->opened, (std::vector<std::string>{"/b.lit", "/a.lit"}));
}

// A launch that goes away in the middle of its message opens its documents itself: only a whole
// message is taken and answered, and only its absolute paths.
TEST_F(InstanceChannelSafetyTest, OnlyAWholeMessageIsTakenAndAnsweredAndOnlyItsAbsolutePaths)
{
    const auto channel = Channel(dir / "kanal");
    ASSERT_FALSE(channel->HandOverOrListen({"/nikt/nie/słucha.lit"}).whole) << "nobody listens yet";
    QLocalSocket cut;
    QLocalSocket whole;
    for (auto* socket : {&cut, &whole}) {
        socket->connectToServer(QString::fromStdString(dir / "kanal"));
        ASSERT_TRUE(socket->waitForConnected(5000));
    }
    cut.write(QByteArray("/książki/ucięta.lit") + '\0' + "/książki/dru");
    ASSERT_TRUE(cut.waitForBytesWritten(5000));
    cut.disconnectFromServer();

    whole.write(QByteArray("/książki/cała.lit") + '\0');
    ASSERT_TRUE(whole.waitForBytesWritten(5000));
    whole.write(QByteArray("względna.lit") + '\0' + "/inna.lit" + '\0' + '\0');
    ASSERT_TRUE(QTest::qWaitFor([&] { return whole.bytesAvailable() > 0 && !received.empty(); }, 5000));

    EXPECT_EQ(whole.read(1), QByteArray("\x06"));
    EXPECT_EQ(received, (std::vector<std::string>{"/książki/cała.lit", "/inna.lit"}));
}

TEST_F(InstanceChannelSafetyTest, SocketLivesOnlyInAFolderThatThisUserAloneCanWriteIn)
{
    const ScopedVariable temporary("TMPDIR", dir / "tmp");
    fs::create_directories(dir / "tmp");
    fs::create_directories(dir / "runtime");
    fs::permissions(dir / "runtime", fs::perms::owner_all);
    const auto socketIn = [](const std::string& folder) {
        const auto path = InstanceChannel::SocketPathForThisSession().toStdString();
        return !path.empty() && fs::path(path).parent_path() == folder;
    };
    {
        const ScopedVariable runtime("XDG_RUNTIME_DIR", dir / "runtime");
        EXPECT_TRUE(socketIn(dir / "runtime"));
    }
    fs::create_directories(dir / "0711");
    fs::permissions(dir / "0711", fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::create_directories(dir / "others");
    fs::permissions(dir / "others", fs::perms::owner_all);
    ASSERT_EQ(chown((dir / "others").c_str(), kOtherUser, kOtherUser), 0);
    const auto ownFolder = dir / ("tmp/zwojnik-" + std::to_string(geteuid()));
    for (const auto& runtime : {dir / "0711", dir / "others", dir / "missing", std::string()}) {
        const ScopedVariable variable("XDG_RUNTIME_DIR", runtime);
        EXPECT_TRUE(socketIn(ownFolder)) << runtime;
        struct stat status = {};
        ASSERT_EQ(lstat(ownFolder.c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 07777, 0700u);
    }
    // A temporary folder where others may rename what is there, or under one, is passed over for /tmp; a
    // sticky one is not.
    fs::create_directories(dir / "open/inner");
    fs::create_directories(dir / "open/runtime");
    fs::create_directories(dir / "sticky");
    fs::permissions(dir / "open", fs::perms::all);
    fs::permissions(dir / "open/runtime", fs::perms::owner_all);
    fs::permissions(dir / "sticky", fs::perms::all | fs::perms::sticky_bit);
    const auto inTmp = "/tmp/zwojnik-" + std::to_string(geteuid());
    const bool hadTmpFolder = fs::exists(inTmp);
    for (const auto& [temporary, runtime, folder] :
         {std::tuple{dir / "open", dir / "open/runtime", inTmp},
          std::tuple{dir / "open/inner", dir / "0711", inTmp},
          std::tuple{dir / "sticky", dir / "0711", dir / ("sticky/zwojnik-" + std::to_string(geteuid()))}}) {
        const ScopedVariable temporaryVariable("TMPDIR", temporary);
        const ScopedVariable runtimeVariable("XDG_RUNTIME_DIR", runtime);
        EXPECT_TRUE(socketIn(folder)) << temporary << " " << runtime;
    }
    if (!hadTmpFolder) {
        fs::remove(inTmp);
    }
    // Another user who made the folder first keeps it, and there is no single instance.
    fs::remove(ownFolder);
    fs::create_directories(ownFolder);
    fs::permissions(ownFolder, fs::perms::owner_all);
    ASSERT_EQ(chown(ownFolder.c_str(), kOtherUser, kOtherUser), 0);
    const ScopedVariable unset("XDG_RUNTIME_DIR", std::nullopt);
    EXPECT_EQ(InstanceChannel::SocketPathForThisSession(), QString());
    const auto channel = Channel({});
    EXPECT_FALSE(channel->HandOverOrListen({"/a.lit"}).whole);
}

TEST_F(InstanceChannelSafetyTest, BothEndsTalkOnlyToTheirOwnUser)
{
    const auto channel = Channel(dir / "kanal");
    ASSERT_FALSE(channel->HandOverOrListen({}).whole);
    fs::permissions(dir / "kanal", fs::perms::all);
    EXPECT_EQ(exitStatusOf(asUser(kOtherUser, dir / "kanal", true)), 1)
        << "another user's launch was answered";
    EXPECT_TRUE(received.empty());
    EXPECT_EQ(exitStatusOf(asUser(geteuid(), dir / "kanal", true)), 0);
    EXPECT_EQ(received, std::vector<std::string>{"/cudza.lit"});

    // A program of another user answering at the name does not get this launch's documents.
    const pid_t stranger = asUser(kOtherUser, dir / "obcy", false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fs::exists(dir / "obcy"); }, 5000));
    EXPECT_FALSE(Channel(dir / "obcy")->HandOverOrListen({"/moja.lit"}).whole);
    kill(stranger, SIGKILL);
    waitpid(stranger, nullptr, 0);
    // The same stand-in as this user is taken for the running program: the check above is the user's.
    const pid_t own = asUser(geteuid(), dir / "swoj", false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fs::exists(dir / "swoj"); }, 5000));
    EXPECT_TRUE(Channel(dir / "swoj")->HandOverOrListen({"/moja.lit"}).whole);
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
    EXPECT_FALSE(channel->HandOverOrListen({"/a.lit"}).whole);
    EXPECT_LT(timer.elapsed(), 3000);
    EXPECT_FALSE(fs::exists(dir / "kanal")) << "listened without the lock";
}

// A launch with more paths than one piece holds (a thousand books with long names) hands them all over and
// ends; peers that send more than a piece at once, or nothing within their time, are turned away.
TEST_F(InstanceChannelSafetyTest, PeersAreCappedInNumberInWhatEachSendsAtOnceAndInTime)
{
    const auto channel = Channel(socketPath());
    ASSERT_FALSE(channel->HandOverOrListen({}).whole);
    QStringList books;
    std::vector<std::string> expected;
    for (int i = 0; i < 1100; ++i) {
        expected.push_back(dir / (std::to_string(1000 + i) + std::string(246, 'k') + ".lit"));
        books << QString::fromStdString(expected.back());
    }
    ASSERT_GT(books.join(QString()).size(), static_cast<qsizetype>(InstanceChannel::kLongestPiece));
    Launch many;
    many.Start(books);
    EXPECT_TRUE(QTest::qWaitFor([&] { return many.Ended(); }, 60000)) << "the launch became a program";
    EXPECT_TRUE(many.ExitedWithZero());
    EXPECT_TRUE(received == expected) << received.size() << " of " << expected.size() << " received";
    many.process.kill();
    many.process.waitForFinished();
    received.clear();

    std::vector<std::unique_ptr<QLocalSocket>> peers;
    for (int i = 0; i < 20; ++i) {
        auto peer = std::make_unique<QLocalSocket>();
        peer->connectToServer(QString::fromStdString(socketPath()));
        ASSERT_TRUE(peer->waitForConnected(5000));
        peer->write("/bez/konca.lit");
        peers.push_back(std::move(peer));
    }
    const auto open = [&] {
        return std::count_if(peers.begin(), peers.end(),
                             [](const auto& peer) { return peer->state() == QLocalSocket::ConnectedState; });
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return open() == 8; }, 20000)) << open() << " still connected";
    peers.front()->write(QByteArray(300 * 1024, 'x'));
    EXPECT_TRUE(QTest::qWaitFor([&] { return open() == 7; }, 20000)) << open() << " still connected";
    EXPECT_TRUE(received.empty());

    const auto impatient = Channel(dir / "kanal", 50);
    ASSERT_FALSE(impatient->HandOverOrListen({}).whole);
    QLocalSocket slow;
    slow.connectToServer(QString::fromStdString(dir / "kanal"));
    ASSERT_TRUE(slow.waitForConnected(5000));
    slow.write("/powoli.lit");
    EXPECT_TRUE(QTest::qWaitFor([&] { return slow.state() != QLocalSocket::ConnectedState; }, 20000))
        << "a peer that never finishes keeps its place";
    EXPECT_TRUE(received.empty());
}

// The server closed for want of descriptors listens again, unless a later launch took the name meanwhile.
TEST_F(InstanceChannelSafetyTest, ServerClosedForWantOfDescriptorsListensAgainUnlessALaunchTookTheName)
{
    // The peer's socket is made while descriptors remain; then none remain for the server's accept.
    const auto failAccept = [&] {
        const int peer = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        rlimit previous = {};
        getrlimit(RLIMIT_NOFILE, &previous);
        rlimit none = previous;
        const int lowestFree = dup(0);
        close(lowestFree);
        none.rlim_cur = static_cast<rlim_t>(lowestFree);
        const bool limited = setrlimit(RLIMIT_NOFILE, &none) == 0;
        const bool connected = connectTo(peer, dir / "kanal");
        // Qt closes the server once accepting fails, and removes its socket.
        const bool closed = QTest::qWaitFor([&] { return !fs::exists(dir / "kanal"); }, 20000);
        setrlimit(RLIMIT_NOFILE, &previous);
        close(peer);
        return limited && connected && closed;
    };
    const auto channel = Channel(dir / "kanal");
    ASSERT_FALSE(channel->HandOverOrListen({}).whole);
    ASSERT_TRUE(failAccept()) << "accepting did not fail";
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return exitStatusOf(asUser(geteuid(), dir / "kanal", true)) == 0; }, 10000));
    EXPECT_EQ(received, std::vector<std::string>{"/cudza.lit"});

    ASSERT_TRUE(failAccept()) << "accepting did not fail";
    std::vector<std::string> taken;
    InstanceChannel later(QString::fromStdString(dir / "kanal"),
                          [&](const std::vector<std::string>& paths) { taken = paths; });
    ASSERT_FALSE(later.HandOverOrListen({}).whole);
    // The closed server looks again until it finds the name taken.
    auto* relisten = channel->findChild<QTimer*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_NE(relisten, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !relisten->isActive(); }, 20000));
    EXPECT_EQ(exitStatusOf(asUser(geteuid(), dir / "kanal", true)), 0);
    EXPECT_EQ(taken, std::vector<std::string>{"/cudza.lit"}) << "the closed server took the name back";
    EXPECT_EQ(received.size(), 1u);
}

TEST(InstanceChannelDisplay, OneProgramPerDisplayHoweverDisplayIsWritten)
{
    XServer server;
    if (!server.Start()) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    TempDir runtime;
    const auto launch = [&](QProcess& process, const QString& display) {
        auto environment = server.Environment(display);
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
        60000))
        << "the first program never listened";
    for (const auto& form : {"%1.0", "unix%1", "unix%1.0"}) {
        const auto display = QString::fromLatin1(form).arg(server.Display());
        QProcess later;
        launch(later, display);
        EXPECT_TRUE(later.waitForFinished(60000)) << display.toStdString() << " started a program of its own";
        EXPECT_EQ(later.exitCode(), 0) << display.toStdString();
        if (later.state() != QProcess::NotRunning) {
            later.kill();
            later.waitForFinished();
        }
    }
    first.kill();
    first.waitForFinished();
}
