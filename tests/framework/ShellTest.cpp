#include "framework/Shell.h"

#include "support/TempDir.h"

#include <fstream>
#include <gtest/gtest.h>

using framework::Shell;

namespace {
int run(const std::string& command)
{
    Shell shell;
    shell.Execute(command);
    return shell.ErrorCode();
}
} // namespace

TEST(Shell, ErrorCodeIsTheCommandsExitStatus)
{
    EXPECT_EQ(run("true"), 0);
    EXPECT_EQ(run("exit 3"), 3);
    EXPECT_EQ(run("exit 255"), 255);
    EXPECT_EQ(run("/nonexistent/program"), 127);
}

TEST(Shell, ExecuteReturnsOnlyWhenTheCommandHasEnded)
{
    testsupport::TempDir dir;
    EXPECT_EQ(run("sleep 0.3; echo done > '" + (dir / "mark") + "'"), 0);
    std::ifstream mark(dir / "mark");
    std::string text;
    mark >> text;
    EXPECT_EQ(text, "done");
}

TEST(Shell, CommandKilledBySignalGivesTheShellsStatus)
{
    // Once as the shell's last command (the shell may hand its process over), once inside a list.
    EXPECT_EQ(run("kill -KILL $$"), 128 + 9);
    EXPECT_EQ(run("sh -c 'kill -TERM $$'; exit $?"), 128 + 15);
    EXPECT_EQ(run("sh -c 'kill -SEGV $$'"), 128 + 11);
}

TEST(Shell, LargeOutputIsDrainedWithoutBlocking)
{
    // 50 MB on each of stdout and stderr: far more than any pipe holds.
    EXPECT_EQ(run("head -c 52428800 /dev/zero; head -c 52428800 /dev/zero >&2; exit 4"), 4);
}

TEST(Shell, CommandReadsNoInput)
{
    EXPECT_EQ(run("read line; test -z \"$line\""), 0);
}
