#include "framework/Shell.h"

#include "framework/Exceptions.h"
#include "support/Conversion.h"
#include "support/TempDir.h"

#include <QAction>
#include <QCoreApplication>
#include <QShortcutEvent>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace testsupport;

namespace {

// The process that wrote its number into the file.
int processIn(const std::string& file)
{
    const auto text = ReadFile(file);
    return text.empty() ? 0 : std::stoi(text);
}

std::size_t openPipes()
{
    std::size_t pipes = 0;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        pipes += fs::read_symlink(entry.path(), error).string().starts_with("pipe:");
    }
    return pipes;
}

} // namespace

// How much the command writes and how it ends through the program: FailureModesTest.
TEST(Shell, ErrorCodeIsTheExitStatusOnceTheCommandHasEndedOr128PlusTheSignal)
{
    TempDir dir;
    framework::Shell shell("Przerwać?");
    const auto run = [&](const std::string& command) {
        shell.Execute(command);
        return shell.ErrorCode();
    };
    EXPECT_EQ(run("sleep 0.3; touch '" + (dir / "mark") + "'; exit 3"), 3);
    EXPECT_TRUE(fs::exists(dir / "mark")) << "Execute returned before the command ended";
    EXPECT_EQ(run("exit 255"), 255);
    // The command gets no input, whatever the program's is: a read finds the end at once.
    int input[2] = {-1, -1};
    ASSERT_EQ(pipe(input), 0);
    ASSERT_EQ(write(input[1], "wejście\n", 9), 9);
    close(input[1]);
    const int programInput = dup(STDIN_FILENO);
    dup2(input[0], STDIN_FILENO);
    close(input[0]);
    EXPECT_EQ(run("read line; test -z \"$line\""), 0);
    dup2(programInput, STDIN_FILENO);
    close(programInput);
    // As the shell's last command (the shell may hand its process over), and inside a list.
    EXPECT_EQ(run("kill -KILL $$"), 128 + 9);
    EXPECT_EQ(run("sh -c 'kill -TERM $$'; exit $?"), 128 + 15);
    EXPECT_FALSE(shell.Stopped());
}

// In the background, in a session of its own, orphaned at once in a session of its own: all end with the
// shell. So does what stays in the command's group when something kills the supervisor itself.
TEST(Shell, EverythingTheCommandStartedEndsWithItWhereverItWent)
{
    TempDir dir;
    framework::Shell shell("Przerwać?");
    const auto started = [&](const std::string& file) {
        return "echo $$ >" + (dir / file) + "; exec sleep 60";
    };
    shell.Execute("sleep 60 & echo $! >" + (dir / "tlo") + "\nsetsid sh -c '" + started("sesja") +
                  "' &\nsetsid -f sh -c '" + started("sierota") + "'\nwhile ! test -s " + (dir / "sesja") +
                  " || ! test -s " + (dir / "sierota") + "; do sleep 0.01; done\nexit 4");
    EXPECT_EQ(shell.ErrorCode(), 4);
    for (const auto* file : {"tlo", "sesja", "sierota"}) {
        ASSERT_NE(processIn(dir / file), 0) << file;
        EXPECT_FALSE(ProcessRunning(processIn(dir / file))) << file << " still runs";
    }

    shell.Execute("sleep 60 & echo $! >" + (dir / "grupa") + "; kill -KILL $PPID; wait");
    EXPECT_EQ(shell.ErrorCode(), 128 + 9);
    ASSERT_NE(processIn(dir / "grupa"), 0);
    // Killed, but not the program's to wait for.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !ProcessRunning(processIn(dir / "grupa")); }, 20000))
        << "what stayed in the group still runs";
}

// Without the framework's runtime there is no platform to ask the stop question on: asking raises.
TEST(Shell, ExceptionWhileTheCommandRunsEndsItAndClosesItsDescriptors)
{
    TempDir dir;
    framework::Shell shell("Przerwać?");
    shell.Execute("true"); // what lives as long as the process is made on the first run
    const auto pipesBefore = openPipes();
    QAction quit;
    quit.setMenuRole(QAction::QuitRole);
    RunWhen([&] { return processIn(dir / "pid") != 0; },
            [&] {
                QShortcutEvent shortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), 0);
                QCoreApplication::sendEvent(&quit, &shortcut);
            });
    EXPECT_THROW(shell.Execute("sleep 60 & echo $! >" + (dir / "pid") + "; wait"),
                 framework::NilObjectException);
    EXPECT_FALSE(ProcessRunning(processIn(dir / "pid"))) << "the command still runs";
    EXPECT_EQ(openPipes(), pipesBefore);
}

TEST(Shell, OnlyTheEndOfStandardErrorIsKeptHoweverMuchTheCommandWrites)
{
    framework::Shell shell("Przerwać?");
    shell.Execute("echo WYJSCIE; head -c 20971520 /dev/zero | tr '\\0' a >&2; printf 'KONIEC' >&2; exit 5");
    EXPECT_EQ(shell.ErrorCode(), 5);
    const auto& errors = shell.ErrorOutput();
    EXPECT_GE(errors.size(), 4096u);
    EXPECT_LE(errors.size(), 16384u);
    EXPECT_EQ(errors.substr(errors.size() - 6), "KONIEC");
    EXPECT_EQ(errors.find_first_not_of('a'), errors.size() - 6) << "standard output mixed in";

    shell.Execute("printf 'tylko to' >&2");
    EXPECT_EQ(shell.ErrorOutput(), "tylko to") << "the previous command's errors kept";
}
