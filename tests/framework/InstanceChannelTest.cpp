#include "framework/detail/InstanceChannel.h"

#include "framework/Scripting.h"
#include "support/TempDir.h"
#include "tests/framework/ProgramRun.h"

#include <QLineEdit>
#include <QLocalSocket>
#include <QProcess>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

using desktoptest::OpenedInTurn;
using desktoptest::RecordingApp;
using desktoptest::RunProgram;
using framework::scripting::ShownDialogs;
using framework::scripting::ShownMessages;
using testsupport::RunWhen;
using testsupport::TriggerMenuItem;

namespace {

// The built program started as a later launch, as a file manager starts it.
class Launch
{
public:
    void Start(const QStringList& arguments, const std::string& workingFolder = {})
    {
        if (!workingFolder.empty()) {
            mProcess.setWorkingDirectory(QString::fromStdString(workingFolder));
        }
        mProcess.start(QString::fromStdString(desktoptest::ProgramPath()), arguments);
        mStarted = true;
    }

    bool Ended() const { return mStarted && mProcess.state() == QProcess::NotRunning; }
    QProcess& Process() { return mProcess; }

    void ExpectExitedWithZero() const
    {
        ASSERT_TRUE(Ended()) << "the launch was never made or has not ended";
        EXPECT_EQ(mProcess.error(), QProcess::UnknownError) << mProcess.errorString().toStdString();
        EXPECT_EQ(mProcess.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(mProcess.exitCode(), 0);
    }

private:
    QProcess mProcess;
    bool mStarted = false;
};

class InstanceChannelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        framework::scripting::Reset();
        framework::scripting::AnswerMessages();
        framework::scripting::RecordURLs();
    }
    void TearDown() override { framework::scripting::Reset(); }

    static std::string socketPath()
    {
        return framework::detail::InstanceChannel::SocketPathForThisSession().toStdString();
    }

    testsupport::TempDir dir;
};

// The paths, each ended by a NUL byte.
QByteArray entries(std::initializer_list<const char*> paths)
{
    QByteArray bytes;
    for (const auto* path : paths) {
        bytes.append(path);
        bytes.append('\0');
    }
    return bytes;
}

void chooseFolder(QFileDialog& dialog, const std::string& folder)
{
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->setText(QString::fromStdString(folder));
    QTest::keyClick(edit, Qt::Key_Return);
}

} // namespace

TEST_F(InstanceChannelTest, SecondLaunchHandsItsDocumentsToTheRunningProgramAndExitsWithZero)
{
    fs::copy_file(desktoptest::TestBook("krotka.lit"), dir / "pierwsza książka.lit");
    fs::copy_file(desktoptest::TestBook("krotka.lit"), dir / "druga.lit");
    framework::scripting::QueueDialogAnswer(std::nullopt);
    framework::scripting::QueueDialogAnswer(std::nullopt);
    Launch second;
    std::shared_ptr<RecordingApp> recording;

    const int status = RunProgram({}, recording, [&] {
        RunWhen([] { return true; },
                [&] {
                    // A relative path names the file in the folder the second launch started in.
                    second.Start(
                        {QStringLiteral("pierwsza książka.lit"), QString::fromStdString(dir / "druga.lit")},
                        dir.path());
                });
        RunWhen(
            [&] { return second.Ended() && recording->events.size() == 4 && !framework::RequestRunning(); },
            [] { TriggerMenuItem("FileQuit"); });
    });

    EXPECT_EQ(status, 0);
    second.ExpectExitedWithZero();
    EXPECT_EQ(recording->events, OpenedInTurn({dir / "pierwsza książka.lit", dir / "druga.lit"}));
    ASSERT_EQ(ShownDialogs().size(), 2u);
    EXPECT_EQ(ShownDialogs()[0].kind, framework::FileDialog::Kind::SelectFolder);
    EXPECT_TRUE(ShownMessages().empty());
}

TEST_F(InstanceChannelTest, LaunchWithoutDocumentsBringsTheRunningProgramForwardWhichGoesOnTakingDocuments)
{
    framework::scripting::QueueDialogAnswer(std::nullopt);
    Launch empty;
    Launch withBook;
    std::shared_ptr<RecordingApp> recording;

    const int status = RunProgram({}, recording, [&] {
        RunWhen([] { return desktoptest::MenuBarWindow() != nullptr; },
                [&] {
                    desktoptest::MenuBarWindow()->showMinimized();
                    empty.Start({});
                });
        RunWhen([&] { return empty.Ended(); },
                [&] {
                    EXPECT_TRUE(recording->events.empty());
                    EXPECT_TRUE(ShownDialogs().empty());
                    ASSERT_NE(desktoptest::MenuBarWindow(), nullptr);
                    EXPECT_FALSE(desktoptest::MenuBarWindow()->isMinimized());
                    withBook.Start({QString::fromStdString(desktoptest::TestBook("krotka.lit"))});
                });
        RunWhen(
            [&] { return withBook.Ended() && recording->events.size() == 2 && !framework::RequestRunning(); },
            [] { TriggerMenuItem("FileQuit"); });
    });

    EXPECT_EQ(status, 0);
    empty.ExpectExitedWithZero();
    withBook.ExpectExitedWithZero();
    EXPECT_EQ(recording->events, OpenedInTurn({desktoptest::TestBook("krotka.lit")}));
}

TEST_F(InstanceChannelTest, DocumentHandedOverWhileAFolderDialogIsOpenWaitsUntilThatRequestHasEnded)
{
    const auto first = dir / "pierwsza.lit";
    const auto second = dir / "druga.lit";
    const auto output = dir / "html";
    fs::copy_file(desktoptest::TestBook("krotka.lit"), first);
    fs::copy_file(desktoptest::TestBook("krotka.lit"), second);
    fs::create_directory(output);
    Launch secondLaunch;
    QFileDialog* firstDialog = nullptr;
    std::shared_ptr<RecordingApp> recording;

    // No answers queued: the real folder dialogs show, under the offscreen platform.
    const int status = RunProgram({first}, recording, [&] {
        RunWhen([] { return desktoptest::ShownFileDialog() != nullptr; },
                [&] {
                    firstDialog = desktoptest::ShownFileDialog();
                    secondLaunch.Start({QString::fromStdString(second)});
                });
        RunWhen([&] { return secondLaunch.Ended(); },
                [&] {
                    secondLaunch.ExpectExitedWithZero();
                    // Handed over, yet the first request still runs and nothing else began.
                    EXPECT_EQ(recording->events, std::vector<std::string>{"begin " + first});
                    EXPECT_EQ(desktoptest::ShownFileDialog(), firstDialog);
                    EXPECT_TRUE(framework::RequestRunning());
                    ASSERT_NE(firstDialog, nullptr);
                    chooseFolder(*firstDialog, output);
                });
        RunWhen([&] { return recording->events.size() == 3 && desktoptest::ShownFileDialog() != nullptr; },
                [&] {
                    // The second document's folder dialog comes only after the first conversion ended.
                    EXPECT_EQ(recording->events, (std::vector<std::string>{"begin " + first, "end " + first,
                                                                           "begin " + second}));
                    EXPECT_TRUE(desktoptest::HasFile(fs::path(output) / "krotka.html"));
                    EXPECT_EQ(ShownMessages(), std::vector<std::string>{"Gotowe!"});
                    desktoptest::ShownFileDialog()->reject();
                });
        RunWhen([&] { return recording->events.size() == 4 && !framework::RequestRunning(); },
                [] { TriggerMenuItem("FileQuit"); });
    });

    EXPECT_EQ(status, 0);
    EXPECT_EQ(recording->events, OpenedInTurn({first, second}));
    EXPECT_EQ(ShownMessages(), std::vector<std::string>{"Gotowe!"});
}

TEST_F(InstanceChannelTest, SocketLeftBehindByACrashedRunDoesNotStopTheNextStart)
{
    Launch crashed;
    crashed.Start({});
    ASSERT_TRUE(QTest::qWaitFor([&] { return fs::exists(socketPath()); }, 20000))
        << "the program never listened at " << socketPath();
    crashed.Process().kill();
    ASSERT_TRUE(crashed.Process().waitForFinished(20000));
    ASSERT_EQ(crashed.Process().exitStatus(), QProcess::CrashExit);
    ASSERT_TRUE(fs::is_socket(socketPath())) << "a killed program leaves its socket behind";

    framework::scripting::QueueDialogAnswer(std::nullopt);
    framework::scripting::QueueDialogAnswer(std::nullopt);
    const auto book = desktoptest::TestBook("krotka.lit");
    Launch later;
    std::shared_ptr<RecordingApp> recording;
    const int status = RunProgram({book}, recording, [&] {
        RunWhen([&] { return recording->events.size() == 2 && !framework::RequestRunning(); },
                [&] { later.Start({QString::fromStdString(book)}); });
        RunWhen(
            [&] { return later.Ended() && recording->events.size() == 4 && !framework::RequestRunning(); },
            [] { TriggerMenuItem("FileQuit"); });
    });

    EXPECT_EQ(status, 0);
    // The program opened its own document, and took over the name: a later launch reaches it.
    EXPECT_EQ(recording->events, OpenedInTurn({book, book}));
    later.ExpectExitedWithZero();
    EXPECT_FALSE(fs::exists(socketPath())) << "a program that ends normally takes its socket away";
}

// The channel itself, spoken to by hand.
class InstanceChannelProtocolTest : public ::testing::Test
{
protected:
    InstanceChannelProtocolTest()
        : channel(QString::fromStdString(dir / "kanal"),
                  [this](const std::vector<std::string>& paths) { received.push_back(paths); })
    {}

    testsupport::TempDir dir;
    std::vector<std::vector<std::string>> received;
    framework::detail::InstanceChannel channel;
};

TEST_F(InstanceChannelProtocolTest, OnlyAWholeMessageIsTakenAndAnsweredAndOnlyItsAbsolutePaths)
{
    ASSERT_FALSE(channel.HandOverOrListen({"/nikt/nie/słucha.lit"})) << "nobody listens yet";
    ASSERT_TRUE(channel.Listening());

    // A launch that goes away in the middle of its message opens its documents itself.
    QLocalSocket cut;
    cut.connectToServer(QString::fromStdString(dir / "kanal"));
    ASSERT_TRUE(cut.waitForConnected(5000));
    cut.write(entries({"/książki/ucięta.lit"}) + "/książki/dru");
    ASSERT_TRUE(cut.waitForBytesWritten(5000));
    cut.disconnectFromServer();

    QLocalSocket whole;
    whole.connectToServer(QString::fromStdString(dir / "kanal"));
    ASSERT_TRUE(whole.waitForConnected(5000));
    whole.write(entries({"/książki/cała.lit"}));
    whole.flush();
    ASSERT_TRUE(QTest::qWaitFor([&] { return whole.bytesToWrite() == 0; }, 5000));
    QTest::qWait(50);
    EXPECT_TRUE(received.empty()) << "no answer and no document before the message's end";
    whole.write(entries({"względna.lit", "/inna.lit", ""}));
    whole.flush();
    ASSERT_TRUE(QTest::qWaitFor([&] { return whole.bytesAvailable() > 0 && !received.empty(); }, 5000));

    EXPECT_EQ(whole.read(1), QByteArray("\x06"));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], (std::vector<std::string>{"/książki/cała.lit", "/inna.lit"}));
}

TEST_F(InstanceChannelProtocolTest, AChannelThatStoppedListeningIsNotReachedAndItsSocketIsGone)
{
    ASSERT_FALSE(channel.HandOverOrListen({}));
    ASSERT_TRUE(fs::is_socket(dir / "kanal"));
    channel.StopListening();
    EXPECT_FALSE(channel.Listening());
    EXPECT_FALSE(fs::exists(dir / "kanal"));

    QLocalSocket late;
    late.connectToServer(QString::fromStdString(dir / "kanal"));
    EXPECT_FALSE(late.waitForConnected(1000));
    EXPECT_TRUE(received.empty());
}
