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
#include <tuple>

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

    // With a question file, the probe asks to quit as the command starts: this waits for the question too.
    void StartProbe(const QProcessEnvironment& environment, const std::string& question = {})
    {
        probe.setProcessEnvironment(environment);
        QStringList arguments{QString::fromStdString(command), QString::fromStdString(dir / "afterwards")};
        if (!question.empty()) {
            arguments << QString::fromStdString(question);
        }
        probe.start(QStringLiteral(ZWOJNIK_BUILD_DIR "/shell_probe"), arguments);
        ASSERT_TRUE(probe.waitForStarted());
        ASSERT_TRUE(QTest::qWaitFor([&] { return processesRunning(converterRun).size() == 1; }, 60000))
            << "the converter never started";
        converter = processesRunning(converterRun).front();
        ASSERT_TRUE(question.empty() || QTest::qWaitFor([&] { return !ReadFile(question).empty(); }, 60000))
            << "the probe never asked";
    }

    void ExpectConverterGone()
    {
        EXPECT_TRUE(QTest::qWaitFor([&] { return !ProcessRunning(converter); }, 20000))
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
// program by the same signal once it has cleaned up, even while the stop question waits for an answer.
TEST_F(ShellEndingTest, ProgramKilledOrEndedBySignalTakesTheConverterWithIt)
{
    auto offscreen = QProcessEnvironment::systemEnvironment();
    offscreen.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const auto question = dir / "pytanie";
    for (const auto& [signal, afterwards, asked] :
         {std::tuple{SIGKILL, "", false}, std::tuple{SIGTERM, "137 stopped\n", false},
          std::tuple{SIGHUP, "137 stopped\n", false}, std::tuple{SIGINT, "137 stopped\n", false},
          std::tuple{SIGTERM, "137 stopped\n", true}}) {
        SCOPED_TRACE(std::to_string(signal) + (asked ? " with the question open" : ""));
        fs::remove(dir / "afterwards");
        fs::remove(question);
        StartProbe(offscreen, asked ? question : "");
        kill(static_cast<pid_t>(probe.processId()), signal);
        ASSERT_TRUE(probe.waitForFinished(60000));
        ExpectConverterGone();
        EXPECT_EQ(probe.exitStatus(), QProcess::CrashExit);
        EXPECT_EQ(probe.exitCode(), signal) << "the program did not end by the signal it got";
        EXPECT_EQ(ReadFile(dir / "afterwards"), afterwards);
        EXPECT_EQ(ReadFile(question), asked ? "Przerwać?" : "");
    }
}

TEST_F(ShellEndingTest, DisplayThatGoesAwayTakesTheConverterWithTheProgram)
{
    XServer server;
    if (!server.Start()) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    StartProbe(server.Environment());
    server.Kill();
    ASSERT_TRUE(probe.waitForFinished(60000)) << "the program did not notice that its display went";
    ExpectConverterGone();
}
