// One running program takes the documents of every later launch.
#include "framework/detail/InstanceChannel.h"

#include "support/Conversion.h"
#include "support/Program.h"

#include <QFileDialog>
#include <QLocalSocket>
#include <QMainWindow>
#include <QProcess>
#include <QTest>
#include <cstring>
#include <filesystem>
#include <future>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

using namespace testsupport;

namespace {

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

std::string socketPath()
{
    return framework::detail::InstanceChannel::SocketPathForThisSession().toStdString();
}

class InstanceChannelTest : public ScriptedTest
{
protected:
    TempDir dir;
    std::shared_ptr<RecordingApp> recording = std::make_shared<RecordingApp>();
};

} // namespace

TEST_F(InstanceChannelTest, LaterLaunchesHandTheirDocumentsOverOrBringTheProgramForwardAndExitWithZero)
{
    CopyTestBook("krotka.lit", dir / "pierwsza książka.lit");
    CopyTestBook("krotka.lit", dir / "druga.lit");
    script.QueueDialogAnswer(std::nullopt);
    script.QueueDialogAnswer(std::nullopt);
    Launch empty;
    Launch withBooks;

    const int status = RunProgram(
        {},
        [&] {
            RunWhen([] { return MenuBarWindow() != nullptr; },
                    [&] {
                        MenuBarWindow()->showMinimized();
                        empty.Start({});
                    });
            RunWhen([&] { return empty.Ended(); },
                    [&] {
                        EXPECT_FALSE(MenuBarWindow()->isMinimized());
                        EXPECT_TRUE(recording->events.empty());
                        // A relative path names the file in the folder the launch started in.
                        withBooks.Start({QStringLiteral("pierwsza książka.lit"),
                                         QString::fromStdString(dir / "druga.lit")},
                                        dir.path());
                    });
            QuitWhen([&] { return withBooks.Ended() && recording->events.size() == 4; });
        },
        recording);

    EXPECT_EQ(status, 0);
    EXPECT_TRUE(empty.ExitedWithZero());
    EXPECT_TRUE(withBooks.ExitedWithZero());
    EXPECT_EQ(recording->events, OpenedInTurn({dir / "pierwsza książka.lit", dir / "druga.lit"}));
    EXPECT_EQ(script.ShownDialogs().size(), 2u);
    EXPECT_TRUE(script.ShownMessages().empty());
}

TEST_F(InstanceChannelTest, DocumentHandedOverWhileAFolderDialogIsOpenWaitsUntilThatRequestHasEnded)
{
    const auto first = dir / "pierwsza.lit";
    const auto second = dir / "druga.lit";
    CopyTestBook("krotka.lit", first);
    CopyTestBook("krotka.lit", second);
    fs::create_directory(dir / "html");
    Launch secondLaunch;
    QFileDialog* firstDialog = nullptr;

    // No answers queued: the real folder dialogs show.
    const int status = RunProgram(
        {first},
        [&] {
            RunWhen([] { return ShownFileDialog() != nullptr; },
                    [&] {
                        firstDialog = ShownFileDialog();
                        secondLaunch.Start({QString::fromStdString(second)});
                    });
            RunWhen([&] { return secondLaunch.Ended(); },
                    [&] {
                        EXPECT_TRUE(secondLaunch.ExitedWithZero());
                        // Handed over, yet the first request still runs and nothing else began.
                        EXPECT_EQ(recording->events, std::vector<std::string>{"begin " + first});
                        EXPECT_EQ(ShownFileDialog(), firstDialog);
                        TypeIntoFileDialog(*firstDialog, dir / "html");
                    });
            RunWhen([&] { return recording->events.size() == 3 && ShownFileDialog() != nullptr; },
                    [&] {
                        // The second document's dialog comes only after the first conversion ended.
                        EXPECT_TRUE(fs::is_regular_file(dir / "html/krotka.html"));
                        EXPECT_EQ(script.ShownMessages(), std::vector<std::string>{"Gotowe!"});
                        ShownFileDialog()->reject();
                    });
            QuitWhen([&] { return recording->events.size() == 4; });
        },
        recording);

    EXPECT_EQ(status, 0);
    EXPECT_EQ(recording->events, OpenedInTurn({first, second}));
    EXPECT_EQ(script.ShownMessages(), std::vector<std::string>{"Gotowe!"});
}

TEST_F(InstanceChannelTest, SocketLeftBehindByACrashedRunDoesNotStopTheNextStart)
{
    Launch crashed;
    crashed.Start({});
    ASSERT_TRUE(QTest::qWaitFor([&] { return fs::exists(socketPath()); }, 20000))
        << "the program never listened at " << socketPath();
    crashed.process.kill();
    ASSERT_TRUE(crashed.process.waitForFinished(20000));
    ASSERT_TRUE(fs::is_socket(socketPath())) << "a killed program leaves its socket behind";

    script.QueueDialogAnswer(std::nullopt);
    script.QueueDialogAnswer(std::nullopt);
    const auto book = TestBook("krotka.lit");
    Launch later;
    const int status = RunProgram(
        {book},
        [&] {
            RunWhen([&] { return recording->events.size() == 2 && !framework::RequestRunning(); },
                    [&] { later.Start({QString::fromStdString(book)}); });
            QuitWhen([&] { return later.Ended() && recording->events.size() == 4; });
        },
        recording);

    EXPECT_EQ(status, 0);
    // The program opened its own document, and took over the name: a later launch reaches it.
    EXPECT_EQ(recording->events, OpenedInTurn({book, book}));
    EXPECT_TRUE(later.ExitedWithZero());
    EXPECT_FALSE(fs::exists(socketPath())) << "a program that ends normally takes its socket away";
}

// A program that takes a launch's whole message and goes away without answering, as one that crashes
// at that moment would: the launch opens its documents itself.
TEST_F(InstanceChannelTest, LaunchThatGetsNoAnswerOpensItsDocumentsItself)
{
    const auto path = socketPath();
    std::promise<void> listening;
    std::string received;
    std::thread silent([&] {
        const int server = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
        const bool bound = bind(server, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
                           listen(server, 1) == 0;
        listening.set_value();
        const int client = bound ? accept(server, nullptr, nullptr) : -1;
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
    script.QueueDialogAnswer(std::nullopt);
    const int status = RunProgram(
        {book}, [&] { QuitWhen([&] { return recording->events.size() == 2; }); }, recording);
    silent.join();

    EXPECT_EQ(received, book + std::string(2, '\0')) << "the launch offered its document first";
    EXPECT_EQ(status, 0);
    EXPECT_EQ(recording->events, OpenedInTurn({book}));
}

// A launch that goes away in the middle of its message opens its documents itself: only a whole
// message is taken and answered, and only its absolute paths.
TEST(InstanceChannelProtocol, OnlyAWholeMessageIsTakenAndAnsweredAndOnlyItsAbsolutePaths)
{
    testsupport::TempDir dir;
    std::vector<std::vector<std::string>> received;
    framework::detail::InstanceChannel channel(
        QString::fromStdString(dir / "kanal"),
        [&](const std::vector<std::string>& paths) { received.push_back(paths); });
    ASSERT_FALSE(channel.HandOverOrListen({"/nikt/nie/słucha.lit"})) << "nobody listens yet";
    const auto connected = [&](QLocalSocket& socket) {
        socket.connectToServer(QString::fromStdString(dir / "kanal"));
        return socket.waitForConnected(5000);
    };

    QLocalSocket cut;
    ASSERT_TRUE(connected(cut));
    cut.write(QByteArray("/książki/ucięta.lit") + '\0' + "/książki/dru");
    ASSERT_TRUE(cut.waitForBytesWritten(5000));
    cut.disconnectFromServer();

    QLocalSocket whole;
    ASSERT_TRUE(connected(whole));
    whole.write(QByteArray("/książki/cała.lit") + '\0');
    ASSERT_TRUE(whole.waitForBytesWritten(5000));
    whole.write(QByteArray("względna.lit") + '\0' + "/inna.lit" + '\0' + '\0');
    ASSERT_TRUE(QTest::qWaitFor([&] { return whole.bytesAvailable() > 0 && !received.empty(); }, 5000));

    EXPECT_EQ(whole.read(1), QByteArray("\x06"));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], (std::vector<std::string>{"/książki/cała.lit", "/inna.lit"}));
}
