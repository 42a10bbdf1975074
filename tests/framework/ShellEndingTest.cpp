// A command that would never end ends with the program, however the program ends.
#include "support/Conversion.h"
#include "support/TempDir.h"
#include "support/XServer.h"

#include <QProcess>
#include <QTest>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

// The processes whose command line begins with these arguments.
std::vector<pid_t> processesRunning(const std::vector<std::string>& arguments)
{
    std::string text;
    for (const auto& argument : arguments) {
        text += argument + '\0';
    }
    std::vector<pid_t> found;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const auto name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") == std::string::npos &&
            ReadFile(entry.path() / "cmdline").starts_with(text) && ProcessRunning(std::stoi(name))) {
            found.push_back(std::stoi(name));
        }
    }
    return found;
}

// The probe runs the converter command on a FIFO: the real converter waits in open() for ever.
class ShellEndingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(mkfifo((dir / "rura.lit").c_str(), 0600), 0);
        fs::create_directory(dir / "out");
        command = "`printf \"" + ConverterBinary() + " " + (dir / "rura.lit") + " " + (dir / "out/") + "\"`";
    }

    void StartProbe(const QString& platform = QStringLiteral("offscreen"), const QString& display = {})
    {
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        environment.insert(QStringLiteral("DISPLAY"), display);
        probe.setProcessEnvironment(environment);
        probe.start(QStringLiteral(ZWOJNIK_BUILD_DIR "/tests/shell_probe"),
                    {QString::fromStdString(command), QString::fromStdString(dir / "afterwards")});
        ASSERT_TRUE(probe.waitForStarted());
        ASSERT_TRUE(QTest::qWaitFor([&] { return processesRunning(converterRun).size() == 1; }, 20000))
            << "the converter never started";
        converter = processesRunning(converterRun).front();
    }

    void ExpectConverterGone()
    {
        EXPECT_TRUE(QTest::qWaitFor([&] { return !ProcessRunning(converter); }, 5000))
            << "the converter still runs";
        EXPECT_TRUE(processesRunning(converterRun).empty());
    }

    TempDir dir;
    std::string command;
    std::vector<std::string> converterRun{ConverterBinary(), dir / "rura.lit"};
    QProcess probe;
    pid_t converter = 0;
};

} // namespace

// Killed outright, the program cleans up nothing; the termination signals end the converter, then the
// program by the same signal once it has cleaned up.
TEST_F(ShellEndingTest, ProgramKilledOrEndedBySignalTakesTheConverterWithIt)
{
    for (const auto& [signal, afterwards] :
         {std::pair{SIGKILL, ""}, std::pair{SIGTERM, "137 stopped\n"}, std::pair{SIGHUP, "137 stopped\n"},
          std::pair{SIGINT, "137 stopped\n"}}) {
        fs::remove(dir / "afterwards");
        StartProbe();
        kill(static_cast<pid_t>(probe.processId()), signal);
        ASSERT_TRUE(probe.waitForFinished(5000)) << signal;
        ExpectConverterGone();
        EXPECT_EQ(probe.exitStatus(), QProcess::CrashExit) << signal;
        EXPECT_EQ(probe.exitCode(), signal) << "the program did not end by the signal it got";
        EXPECT_EQ(ReadFile(dir / "afterwards"), afterwards) << signal;
    }
}

TEST_F(ShellEndingTest, DisplayThatGoesAwayTakesTheConverterWithTheProgram)
{
    XServer server;
    if (!server.Start()) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    StartProbe(QStringLiteral("xcb"), server.Display());
    server.Kill();
    ASSERT_TRUE(probe.waitForFinished(10000)) << "the program did not notice that its display went";
    ExpectConverterGone();
}
